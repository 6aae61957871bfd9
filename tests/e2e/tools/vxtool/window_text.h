// The texts of a window as bytes of the ANSI code page, for any process's
// window.
#pragma once

#include <windows.h>

#include <string>

namespace vxtool {

std::string WindowText(HWND window);
// Through WM_GETTEXT, which reaches the control itself, unlike GetWindowText
// across processes; GetWindowText only when the control does not answer.
std::string ControlText(HWND control);
std::string ClassName(HWND window);

}  // namespace vxtool

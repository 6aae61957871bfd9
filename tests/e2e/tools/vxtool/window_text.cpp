#include "window_text.h"

#include "output.h"

namespace vxtool {

std::string WindowText(HWND window) {
  char buffer[kTextMax];
  int n = ::GetWindowTextA(window, buffer, sizeof buffer);
  return std::string(buffer, n > 0 ? n : 0);
}

std::string ControlText(HWND control) {
  char buffer[kTextMax];
  DWORD_PTR result = 0;
  buffer[0] = 0;
  if (!::SendMessageTimeoutA(control, WM_GETTEXT, sizeof buffer, reinterpret_cast<LPARAM>(buffer), SMTO_ABORTIFHUNG,
                             2000, &result)) {
    return WindowText(control);
  }
  size_t n = result < sizeof buffer ? static_cast<size_t>(result) : sizeof buffer - 1;
  return std::string(buffer, n);
}

std::string ClassName(HWND window) {
  char buffer[256];
  int n = ::GetClassNameA(window, buffer, sizeof buffer);
  return std::string(buffer, n > 0 ? n : 0);
}

}  // namespace vxtool

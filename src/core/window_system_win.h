// The window engine's view of the desktop, on the Win32 window manager.
#pragma once

#include <windows.h>

#include "core/window_system.h"

namespace velumix {

inline HWND ToHwnd(WindowId window) { return reinterpret_cast<HWND>(window); }
inline WindowId ToWindowId(HWND hwnd) { return reinterpret_cast<WindowId>(hwnd); }

class Win32WindowSystem final : public WindowSystem {
 public:
  WindowId TopWindow() override { return ToWindowId(::GetTopWindow(nullptr)); }
  WindowId NextWindow(WindowId window) override { return ToWindowId(::GetWindow(ToHwnd(window), GW_HWNDNEXT)); }
  bool IsVisible(WindowId window) override { return ::IsWindowVisible(ToHwnd(window)) != FALSE; }
  bool Exists(WindowId window) override { return ::IsWindow(ToHwnd(window)) != FALSE; }
  void GetTitle(WindowId window, char (&title)[kTitleBufferSize]) override;
  void ReadClassName(WindowId window, char (&name)[kClassBufferSize]) override;
  bool Show(WindowId window, ShowCommand command) override;
  WindowId Foreground() override { return ToWindowId(::GetForegroundWindow()); }
  ProcessId ProcessOf(WindowId window) override;
  ProcessId OwnProcess() override { return ::GetCurrentProcessId(); }
};

}  // namespace velumix

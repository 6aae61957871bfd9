#include "core/window_system_win.h"

namespace velumix {

void Win32WindowSystem::GetTitle(WindowId window, char (&title)[kTitleBufferSize]) {
  title[0] = '\0';
  int length = ::GetWindowTextA(ToHwnd(window), title, static_cast<int>(kTitleBufferSize));
  if (length < 0 || length >= static_cast<int>(kTitleBufferSize)) length = 0;
  title[length] = '\0';
}

void Win32WindowSystem::ReadClassName(WindowId window, char (&name)[kClassBufferSize]) {
  int length = ::GetClassNameA(ToHwnd(window), name, static_cast<int>(kClassBufferSize));
  name[length > 0 && length < static_cast<int>(kClassBufferSize) ? length : 0] = '\0';
}

bool Win32WindowSystem::Show(WindowId window, ShowCommand command) {
  HWND hwnd = ToHwnd(window);
  int how = command == ShowCommand::Hide ? SW_HIDE : command == ShowCommand::Show ? SW_SHOW : SW_SHOWNA;
  // The asynchronous call reports whether the change was asked for; on a
  // window of this thread it would report the old visibility instead.
  if (::GetWindowThreadProcessId(hwnd, nullptr) == ::GetCurrentThreadId()) {
    ::ShowWindow(hwnd, how);
    return true;
  }
  return ::ShowWindowAsync(hwnd, how) != FALSE;
}

ProcessId Win32WindowSystem::ProcessOf(WindowId window) {
  DWORD process = 0;
  ::GetWindowThreadProcessId(ToHwnd(window), &process);
  return process;
}

}  // namespace velumix

#include "core/window_system_win.h"

namespace velumix {

void Win32WindowSystem::GetTitle(WindowId window, char (&title)[kTitleBufferSize]) {
  title[0] = '\0';
  int length = ::GetWindowTextA(ToHwnd(window), title, static_cast<int>(kTitleBufferSize));
  if (length < 0 || length >= static_cast<int>(kTitleBufferSize)) length = 0;
  title[length] = '\0';
}

}  // namespace velumix

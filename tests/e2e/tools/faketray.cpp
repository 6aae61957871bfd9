// Stands in for a missing notification area: a hidden, topmost window of the
// taskbar's class that refuses every notification-icon request, so that
// Shell_NotifyIcon fails as it does when there is no tray. When it ends (on
// WM_CLOSE) it announces "TaskbarCreated", as a shell does when it comes back.
#include <windows.h>

#include <cstdio>

namespace {

UINT g_taskbarCreated = 0;

LRESULT CALLBACK TrayProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COPYDATA:
      return FALSE;
    case WM_CLOSE:
      ::DestroyWindow(hwnd);
      return 0;
    case WM_DESTROY:
      ::PostQuitMessage(0);
      return 0;
    default:
      return ::DefWindowProcA(hwnd, message, wParam, lParam);
  }
}

}  // namespace

int main() {
  g_taskbarCreated = ::RegisterWindowMessageA("TaskbarCreated");
  WNDCLASSA wc{};
  wc.lpfnWndProc = TrayProc;
  wc.hInstance = ::GetModuleHandleA(nullptr);
  wc.lpszClassName = "Shell_TrayWnd";
  if (!::RegisterClassA(&wc)) return 1;
  HWND tray = ::CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, wc.lpszClassName, "", WS_POPUP, 0, 0, 1, 1,
                                nullptr, nullptr, wc.hInstance, nullptr);
  if (!tray) return 1;
  std::printf("faketray\t%#llx\n", static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(tray)));
  std::fflush(stdout);
  MSG msg;
  while (::GetMessageA(&msg, nullptr, 0, 0) > 0) ::DispatchMessageA(&msg);
  ::PostMessageA(HWND_BROADCAST, g_taskbarCreated, 0, 0);
  return 0;
}

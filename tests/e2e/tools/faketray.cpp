// Stands in for the notification area: a hidden, topmost window of the
// taskbar's class, found before explorer's. By default it refuses every
// notification-icon request, so that Shell_NotifyIcon fails as it does when
// there is no tray. Sent kSetMode, it keeps a record of the icons instead, as a
// notification area does (it shows none of them), or keeps them while it
// reports every add as failed, as a shell that timed out does, or stops
// answering at the first icon request, as a hung shell does, or answers each
// request only after 450 ms and takes every add, as a slow one that keeps
// restarting does. When it ends (on WM_CLOSE) it announces "TaskbarCreated", as
// a shell does when it comes back; sent kAnnounce, it announces it that many
// times at once.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <set>
#include <utility>

namespace {

enum Mode : WPARAM { kRefuse = 0, kKeep = 1, kKeepButFailAdd = 2, kHang = 3, kSlow = 4 };
constexpr UINT kSetMode = WM_APP + 1;
constexpr UINT kCountIcons = WM_APP + 2;  // answers how many icons it holds
constexpr UINT kAnnounce = WM_APP + 3;     // wParam: how many times
constexpr DWORD kSlowAnswerMs = 450;       // just inside the caller's bound

UINT g_taskbarCreated = 0;
WPARAM g_mode = kRefuse;
// (owner window, icon id) of every icon held.
std::set<std::pair<LONG, UINT>> g_icons;

// Wine's shell sends each request as WM_COPYDATA: the operation in dwData,
// the data starting with the owner window (32 bits) and the icon id.
LRESULT OnIconRequest(const COPYDATASTRUCT* request) {
  // The sender waits on this thread for as long as it sleeps.
  if (g_mode == kHang) ::Sleep(INFINITE);
  if (g_mode == kSlow) ::Sleep(kSlowAnswerMs);
  if (g_mode == kRefuse || !request || request->cbData < sizeof(LONG) + sizeof(UINT)) return FALSE;
  std::pair<LONG, UINT> icon;
  std::memcpy(&icon.first, request->lpData, sizeof icon.first);
  std::memcpy(&icon.second, static_cast<const char*>(request->lpData) + sizeof icon.first, sizeof icon.second);
  bool held = g_icons.count(icon) != 0;
  switch (request->dwData) {
    case NIM_ADD:
      // each add comes after a restart, to a shell that knows no icon yet
      if (held && g_mode != kSlow) return FALSE;
      g_icons.insert(icon);
      return g_mode == kKeep || g_mode == kSlow;
    case NIM_DELETE:
      return g_icons.erase(icon) != 0;
    default:
      return held;
  }
}

LRESULT CALLBACK TrayProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COPYDATA:
      return OnIconRequest(reinterpret_cast<const COPYDATASTRUCT*>(lParam));
    case kSetMode:
      g_mode = wParam;
      return 0;
    case kCountIcons:
      return static_cast<LRESULT>(g_icons.size());
    case kAnnounce:
      for (WPARAM i = 0; i < wParam; ++i) ::PostMessageA(HWND_BROADCAST, g_taskbarCreated, 0, 0);
      return 0;
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

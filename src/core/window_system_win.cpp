#include "core/window_system_win.h"

#include <cstring>
#include <iterator>

#include "core/keep_shown.h"
#include "core/title_text.h"
#include "framework/handles.h"

namespace velumix {

BOOL CALLBACK Win32WindowSystem::CollectWindow(HWND hwnd, LPARAM self) {
  auto* windows = reinterpret_cast<Win32WindowSystem*>(self);
  if (windows->m_zOrderCount == kZOrderCapacity) {
    windows->m_zOrderCut = true;
    return FALSE;
  }
  windows->m_zOrder[windows->m_zOrderCount++] = ToWindowId(hwnd);
  return TRUE;
}

WindowId Win32WindowSystem::TopWindow() {
  m_zOrderCount = 0;
  m_zOrderAt = 0;
  m_zOrderCut = false;
  // Not EnumWindows: Wine's asks, window by window, whether each still
  // exists, which costs what the walk saves. The desktop's list is the same
  // top-level windows in the same order; Wine's goes on with the message-only
  // windows, which are never visible and so never admitted.
  ::EnumDesktopWindows(nullptr, &Win32WindowSystem::CollectWindow, reinterpret_cast<LPARAM>(this));
  if (m_zOrderCount == 0) return ToWindowId(::GetTopWindow(nullptr));
  return m_zOrder[0];
}

WindowId Win32WindowSystem::NextWindow(WindowId window) {
  if (m_zOrderAt < m_zOrderCount && m_zOrder[m_zOrderAt] == window) {
    if (++m_zOrderAt < m_zOrderCount) return m_zOrder[m_zOrderAt];
    if (!m_zOrderCut) return kNoWindow;
  }
  return ToWindowId(::GetWindow(ToHwnd(window), GW_HWNDNEXT));
}

void TitleFromUtf16(const wchar_t* wide, int units, char (&title)[kTitleBufferSize]) {
  title[0] = '\0';
  if (units <= 0 || units > kTitleUnits) return;
  char utf8[kTitleUnits * 3];
  int bytes = ::WideCharToMultiByte(CP_UTF8, 0, wide, units, utf8, sizeof utf8, nullptr, nullptr);
  if (bytes <= 0) return;
  std::size_t kept = Utf8PrefixLength(utf8, static_cast<std::size_t>(bytes), kMaxTitleCharacters);
  std::memcpy(title, utf8, kept);
  title[kept] = '\0';
}

void Win32WindowSystem::GetTitle(WindowId window, char (&title)[kTitleBufferSize]) {
  wchar_t wide[kTitleUnits + 1];
  TitleFromUtf16(wide, ::GetWindowTextW(ToHwnd(window), wide, kTitleUnits + 1), title);
}

bool Win32WindowSystem::ReadTitleIfExists(WindowId window, char (&title)[kTitleBufferSize]) {
  GetTitle(window, title);
  return title[0] != '\0' || Exists(window);
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

UINT Win32WindowSystem::PositionFlags(HWND hwnd) {
  UINT flags = SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE;
  if (::GetWindowThreadProcessId(hwnd, nullptr) != ::GetCurrentThreadId()) flags |= SWP_ASYNCWINDOWPOS;
  return flags;
}

bool Win32WindowSystem::PlaceBelow(WindowId window, WindowId above) {
  HWND hwnd = ToHwnd(window);
  return ::SetWindowPos(hwnd, above == kNoWindow ? HWND_TOP : ToHwnd(above), 0, 0, 0, 0, PositionFlags(hwnd)) != FALSE;
}

// Two requests: Wine takes no insertion point along with SWP_SHOWWINDOW, and
// its ShowWindow raises the window it shows.
bool Win32WindowSystem::ShowBelow(WindowId window, WindowId above) {
  if (!PlaceBelow(window, above)) return false;
  HWND hwnd = ToHwnd(window);
  ::SetWindowPos(hwnd, nullptr, 0, 0, 0, 0, PositionFlags(hwnd) | SWP_NOZORDER | SWP_SHOWWINDOW);
  return true;
}

ProcessId Win32WindowSystem::ProcessOf(WindowId window) {
  DWORD process = 0;
  ::GetWindowThreadProcessId(ToHwnd(window), &process);
  return process;
}

std::u16string Win32WindowSystem::ProgramFileName(WindowId window) {
  ProcessId process = ProcessOf(window);
  if (process == 0) return {};
  fw::unique_process handle(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, process));
  if (!handle) return {};
  wchar_t path[MAX_PATH * 4] = {};
  DWORD length = static_cast<DWORD>(std::size(path));
  if (!::QueryFullProcessImageNameW(handle.get(), 0, path, &length)) return {};
  static_assert(sizeof(wchar_t) == sizeof(char16_t));
  return std::u16string(FileNameOf(std::u16string_view(reinterpret_cast<const char16_t*>(path), length)));
}

}  // namespace velumix

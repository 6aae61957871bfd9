#include "owner.h"

#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <string_view>

#include "framework/handles.h"
#include "output.h"
#include "window_text.h"

namespace vxtool {

namespace {

// Unicode windows, so that a title keeps letters the ANSI code page lacks.
constexpr wchar_t kOwnerClass[] = L"VxOwnerWindow";
constexpr int kEditId = 100;
constexpr int kListId = 101;
constexpr UINT kTrayMessage = WM_APP + 1;
// The notification icon's mouse messages kept for the status file.
constexpr size_t kTrayEventsKept = 16;
constexpr UINT_PTR kRetitleTimer = 1;

// Events close as processes and threads do; the product names no owner for them.
using unique_event = fw::UniqueHandle<fw::NullIsInvalid<HANDLE, ::CloseHandle>>;

struct OwnedWindow {
  int index;
  HWND hwnd;
  HWND edit;
  HWND list;
  bool tray;
  std::vector<UINT> trayEvents;  // mouse messages from the notification icon, newest last
  int hotkeys;                   // WM_HOTKEY received
  int lastHotkey;
  HANDLE wake = nullptr;      // a window on a thread of its own: set to let a stalled thread go on
  std::string retitleFormat;  // retitle-every: the title, %d standing for the count
  long long retitles = 0;
};

constexpr char kThreadClass[] = "VxThreadWindow";
constexpr UINT kStall = WM_APP + 2;

struct Owner {
  std::string statusPath;
  std::string commandsPath;
  std::vector<OwnedWindow> windows;
  int nextIndex = 1;
  size_t done = 0;  // command lines executed so far
  long long seq = 0;
  bool quitting = false;
  std::string lastError;
};

Owner g_owner;

OwnedWindow* FindOwned(int index) {
  for (auto& w : g_owner.windows) {
    if (w.index == index && ::IsWindow(w.hwnd)) return &w;
  }
  return nullptr;
}

OwnedWindow* FindOwned(HWND hwnd) {
  for (auto& w : g_owner.windows) {
    if (w.hwnd == hwnd) return &w;
  }
  return nullptr;
}

bool TrayIcon(OwnedWindow* w, DWORD operation, const std::string& tip) {
  NOTIFYICONDATAA data = {};
  data.cbSize = sizeof data;
  data.hWnd = w->hwnd;
  data.uID = static_cast<UINT>(w->index);
  data.uFlags = NIF_ICON | NIF_MESSAGE | NIF_TIP;
  data.uCallbackMessage = kTrayMessage;
  data.hIcon = ::LoadIcon(nullptr, IDI_APPLICATION);
  ::lstrcpynA(data.szTip, tip.c_str(), sizeof data.szTip);
  return ::Shell_NotifyIconA(operation, &data) != FALSE;
}

// FORMAT with its first %d replaced by `n`.
std::string NumberedTitle(const std::string& format, long long n) {
  std::string title = format;
  size_t at = title.find("%d");
  if (at != std::string::npos) title.replace(at, 2, Decimal(n));
  return title;
}

// Owner-drawn list boxes draw their strings plainly, selected ones inverted.
void DrawListItem(const DRAWITEMSTRUCT* item) {
  char text[kTextMax] = "";
  if (::SendMessageA(item->hwndItem, LB_GETTEXTLEN, item->itemID, 0) < kTextMax) {
    ::SendMessageA(item->hwndItem, LB_GETTEXT, item->itemID, reinterpret_cast<LPARAM>(text));
  }
  bool selected = item->itemState & ODS_SELECTED;
  ::FillRect(item->hDC, &item->rcItem, ::GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
  ::SetBkMode(item->hDC, TRANSPARENT);
  ::SetTextColor(item->hDC, ::GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
  ::TextOutA(item->hDC, item->rcItem.left + 2, item->rcItem.top, text, static_cast<int>(std::strlen(text)));
}

LRESULT CALLBACK OwnerProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_SIZE: {
      int cx = LOWORD(lParam) > 8 ? LOWORD(lParam) - 8 : 1;
      int cy = HIWORD(lParam) > 40 ? HIWORD(lParam) - 36 : 1;
      if (HWND edit = ::GetDlgItem(hwnd, kEditId)) ::MoveWindow(edit, 4, 4, cx, 24, TRUE);
      if (HWND list = ::GetDlgItem(hwnd, kListId)) ::MoveWindow(list, 4, 32, cx, cy, TRUE);
      break;
    }
    case WM_MEASUREITEM:
      // The owner-drawn list box's rows.
      reinterpret_cast<MEASUREITEMSTRUCT*>(lParam)->itemHeight = 16;
      return TRUE;
    case WM_DRAWITEM: {
      const DRAWITEMSTRUCT* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      if (item->itemID != static_cast<UINT>(-1)) DrawListItem(item);
      return TRUE;
    }
    case WM_SETFOCUS: {
      HWND edit = ::GetDlgItem(hwnd, kEditId);
      if (edit) ::SetFocus(edit);
      return 0;
    }
    case kTrayMessage:
      if (OwnedWindow* w = FindOwned(hwnd)) {
        w->trayEvents.push_back(static_cast<UINT>(LOWORD(lParam)));
        if (w->trayEvents.size() > kTrayEventsKept) w->trayEvents.erase(w->trayEvents.begin());
      }
      return 0;
    case WM_TIMER:
      if (OwnedWindow* w = FindOwned(hwnd); w && wParam == kRetitleTimer) {
        ::SetWindowTextA(hwnd, NumberedTitle(w->retitleFormat, ++w->retitles).c_str());
        return 0;
      }
      break;
    case WM_HOTKEY:
      if (OwnedWindow* w = FindOwned(hwnd)) {
        ++w->hotkeys;
        w->lastHotkey = static_cast<int>(wParam);
      }
      return 0;
    case WM_DESTROY:
      for (auto it = g_owner.windows.begin(); it != g_owner.windows.end(); ++it) {
        if (it->hwnd == hwnd) {
          if (it->tray) TrayIcon(&*it, NIM_DELETE, "");
          g_owner.windows.erase(it);
          break;
        }
      }
      return 0;
  }
  return ::DefWindowProcW(hwnd, message, wParam, lParam);
}

// A 200 x 120 client area with an edit along its top; windows cascade in
// runs of 16, each run a little to the right of the one before.
void OpenWindow(const std::wstring& title) {
  int index = g_owner.nextIndex++;
  RECT r = {0, 0, 200, 120};
  ::AdjustWindowRectEx(&r, WS_OVERLAPPEDWINDOW, FALSE, 0);
  int slot = (index - 1) % 16;
  int x = 40 + 24 * slot + 8 * ((index - 1) / 16 % 8);
  int y = 30 + 24 * slot;
  HINSTANCE instance = ::GetModuleHandleA(nullptr);
  HWND hwnd = ::CreateWindowExW(0, kOwnerClass, title.c_str(), WS_OVERLAPPEDWINDOW, x, y, r.right - r.left,
                                r.bottom - r.top, nullptr, nullptr, instance, nullptr);
  if (!hwnd) {
    g_owner.lastError = "CreateWindow failed";
    --g_owner.nextIndex;
    return;
  }
  HWND edit = ::CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", "", WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL, 4, 4, 192, 24,
                                hwnd, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kEditId)), instance, nullptr);
  g_owner.windows.push_back({index, hwnd, edit, nullptr, false, {}, 0, 0, nullptr, {}, 0});
  ::ShowWindow(hwnd, SW_SHOWNORMAL);
  ::UpdateWindow(hwnd);
}

// open T: T in the ANSI code page, as every command line is.
void OpenAnsiWindow(const std::string& title) { OpenWindow(WideFromAnsi(title)); }

// A window of its own thread: the thread pumps its messages until told to
// stall, and then waits, alive, until it is woken. Its procedure touches
// nothing of the owner's, which the main thread keeps.
LRESULT CALLBACK ThreadWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CLOSE) return 0;  // only the process's end takes it away
  return ::DefWindowProcA(hwnd, message, wParam, lParam);
}

struct ThreadStart {
  std::string title;
  HANDLE wake;
  HANDLE ready;
  HWND hwnd = nullptr;
};

DWORD WINAPI RunThreadWindow(void* argument) {
  auto* start = static_cast<ThreadStart*>(argument);
  HANDLE wake = start->wake;
  start->hwnd = ::CreateWindowExA(0, kThreadClass, start->title.c_str(), WS_OVERLAPPEDWINDOW, 300, 60, 220, 150,
                                  nullptr, nullptr, ::GetModuleHandleA(nullptr), nullptr);
  if (start->hwnd) ::ShowWindow(start->hwnd, SW_SHOWNORMAL);
  bool created = start->hwnd != nullptr;
  ::SetEvent(start->ready);  // `start` is the caller's from here on
  if (!created) return 1;
  MSG msg;
  while (::GetMessageA(&msg, nullptr, 0, 0) > 0) {
    if (msg.message == kStall && msg.hwnd == nullptr) {
      ::WaitForSingleObject(wake, INFINITE);
      continue;
    }
    ::TranslateMessage(&msg);
    ::DispatchMessageA(&msg);
  }
  return 0;
}

// The wake event lives as long as the process: the thread may wait on it to
// the end.
void OpenThreadWindow(const std::string& title) {
  unique_event wake(::CreateEventA(nullptr, FALSE, FALSE, nullptr));
  unique_event ready(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
  ThreadStart start{title, wake.get(), ready.get()};
  fw::unique_thread thread(::CreateThread(nullptr, 0, &RunThreadWindow, &start, 0, nullptr));
  if (thread) ::WaitForSingleObject(ready.get(), INFINITE);
  if (!start.hwnd) {
    g_owner.lastError = "CreateWindow on a thread failed";
    return;
  }
  g_owner.windows.push_back({g_owner.nextIndex++, start.hwnd, nullptr, nullptr, false, {}, 0, 0, wake.release(), {}, 0});
}

// The title without a message to the window, whose thread may be stalled.
std::string TitleOf(const OwnedWindow& w) {
  if (!w.wake) return WindowText(w.hwnd);
  WCHAR text[kTextMax];
  int n = ::InternalGetWindowText(w.hwnd, text, kTextMax);
  char ansi[kTextMax * 2];
  int m = ::WideCharToMultiByte(CP_ACP, 0, text, n, ansi, sizeof ansi, nullptr, nullptr);
  return std::string(ansi, m > 0 ? m : 0);
}

// win index hwnd visible iconic zoomed l t r b normal-l t r b showcmd foreground tray events hotkeys last-hotkey
// title edit-text
std::vector<std::string> OwnedRecord(const OwnedWindow& w, HWND foreground) {
  HWND h = w.hwnd;
  RECT r = {};
  ::GetWindowRect(h, &r);
  WINDOWPLACEMENT wp = {};
  wp.length = sizeof wp;
  ::GetWindowPlacement(h, &wp);
  char edit[kTextMax];
  int n = w.edit ? ::GetWindowTextA(w.edit, edit, sizeof edit) : 0;
  std::string events;
  for (UINT m : w.trayEvents) {
    if (!events.empty()) events += ',';
    events += HexNumber(m);
  }
  const RECT& normal = wp.rcNormalPosition;
  return {"win",
          Decimal(w.index),
          HexHandle(h),
          Decimal(::IsWindowVisible(h) ? 1 : 0),
          Decimal(::IsIconic(h) ? 1 : 0),
          Decimal(::IsZoomed(h) ? 1 : 0),
          Decimal(r.left),
          Decimal(r.top),
          Decimal(r.right),
          Decimal(r.bottom),
          Decimal(normal.left),
          Decimal(normal.top),
          Decimal(normal.right),
          Decimal(normal.bottom),
          Decimal(wp.showCmd),
          Decimal(h == foreground ? 1 : 0),
          Decimal(w.tray ? 1 : 0),
          events.empty() ? "-" : events,
          Decimal(w.hotkeys),
          Decimal(w.lastHotkey),
          Escape(TitleOf(w)),
          Escape(std::string(edit, n > 0 ? n : 0))};
}

bool WriteWholeFile(const std::string& path, const std::string& data) {
  fw::unique_hfile file(
      ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  DWORD wrote = 0;
  ::WriteFile(file.get(), data.data(), static_cast<DWORD>(data.size()), &wrote, nullptr);
  return true;
}

// Shared with the writer, which may be appending to it.
std::string ReadGrowingFile(const std::string& path) {
  std::string data;
  fw::unique_hfile file(::CreateFileA(path.c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return data;
  char buffer[8192];
  DWORD got;
  while (::ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr) && got) data.append(buffer, got);
  return data;
}

// Written beside the status file and moved over it, so that a reader never
// sees half of it; "end" closes a complete one.
void WriteStatus() {
  ++g_owner.seq;
  HWND foreground = ::GetForegroundWindow();
  std::string out = FormatRecord({"owner", Decimal(::GetCurrentProcessId()), Decimal(g_owner.seq),
                                  Decimal(static_cast<long long>(g_owner.done)), g_owner.quitting ? "quit" : "run",
                                  Escape(g_owner.lastError)});
  for (const auto& w : g_owner.windows) out += FormatRecord(OwnedRecord(w, foreground));
  out += "end\n";

  std::string temporary = g_owner.statusPath + ".tmp";
  if (!WriteWholeFile(temporary, out)) return;
  ::MoveFileExA(temporary.c_str(), g_owner.statusPath.c_str(), MOVEFILE_REPLACE_EXISTING);
}

// The window number that starts `rest`, or -1; what follows it in `tail`.
int IndexArg(const std::string& rest, std::string* tail) {
  size_t space = rest.find(' ');
  std::string number = rest.substr(0, space);
  if (tail) *tail = space == std::string::npos ? std::string() : rest.substr(space + 1);
  long long value;
  return ParseNumber(number.c_str(), &value) ? static_cast<int>(value) : -1;
}

void Quit(const std::string&) { g_owner.quitting = true; }

void Close(OwnedWindow& w, const std::string&) { ::DestroyWindow(w.hwnd); }

void Retitle(OwnedWindow& w, const std::string& tail) { ::SetWindowTextA(w.hwnd, tail.c_str()); }

// retitle-utf8 I HEX: a title beyond the ANSI code page, as the hex of its UTF-8.
void RetitleUtf8(OwnedWindow& w, const std::string& tail) {
  std::string utf8;
  if (!BytesFromHex(tail, &utf8)) {
    g_owner.lastError = "bad retitle-utf8";
    return;
  }
  ::SetWindowTextW(w.hwnd, WideFromUtf8(utf8).c_str());
}

// retitle-every I MS FORMAT: the window renames itself every MS ms, with no
// process start between two titles; %d in FORMAT counts up from 1. MS 0
// stops it. A window of its own thread cannot take the timer.
void RetitleEvery(OwnedWindow& w, const std::string& tail) {
  size_t space = tail.find(' ');
  long long period;
  if (!ParseNumber(tail.substr(0, space).c_str(), &period) || period < 0) {
    g_owner.lastError = "bad retitle-every";
  } else if (period == 0) {
    ::KillTimer(w.hwnd, kRetitleTimer);
  } else {
    w.retitleFormat = space == std::string::npos ? std::string() : tail.substr(space + 1);
    if (!::SetTimer(w.hwnd, kRetitleTimer, static_cast<UINT>(period), nullptr)) {
      g_owner.lastError = "retitle-every failed (error " + Decimal(::GetLastError()) + ")";
    }
  }
}

template <int How>
void ShowAs(OwnedWindow& w, const std::string&) {
  ::ShowWindow(w.hwnd, How);
}

void ShowCmd(OwnedWindow& w, const std::string& tail) {
  long long how;
  if (ParseNumber(tail.c_str(), &how)) {
    ::ShowWindow(w.hwnd, static_cast<int>(how));
  } else {
    g_owner.lastError = "bad showcmd";
  }
}

void Activate(OwnedWindow& w, const std::string&) {
  if (::IsIconic(w.hwnd)) ::ShowWindow(w.hwnd, SW_RESTORE);
  ::SetForegroundWindow(w.hwnd);
  ::SetActiveWindow(w.hwnd);
}

// move I X Y W H
void Move(OwnedWindow& w, const std::string& tail) {
  long long x, y, cx, cy;
  char a[32], b[32], c[32], d[32];
  if (std::sscanf(tail.c_str(), "%31s %31s %31s %31s", a, b, c, d) == 4 && ParseNumber(a, &x) && ParseNumber(b, &y) &&
      ParseNumber(c, &cx) && ParseNumber(d, &cy)) {
    ::MoveWindow(w.hwnd, static_cast<int>(x), static_cast<int>(y), static_cast<int>(cx), static_cast<int>(cy), TRUE);
  } else {
    g_owner.lastError = "bad move";
  }
}

void Type(OwnedWindow& w, const std::string& tail) { ::SetWindowTextA(w.edit, tail.c_str()); }

// listbox I [EXTRA-STYLE]: a list box under the edit, e.g. 0x50 for
// owner-drawn with strings; it replaces the window's earlier one.
void AddListBox(OwnedWindow& w, const std::string& tail) {
  long long extra = 0;
  if (!tail.empty() && !ParseNumber(tail.c_str(), &extra)) {
    g_owner.lastError = "bad listbox style";
    return;
  }
  if (w.list) ::DestroyWindow(w.list);
  RECT client;
  ::GetClientRect(w.hwnd, &client);
  DWORD style = WS_CHILD | WS_VISIBLE | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | static_cast<DWORD>(extra);
  w.list =
      ::CreateWindowExA(WS_EX_CLIENTEDGE, "LISTBOX", "", style, 4, 32, client.right - 8, client.bottom - 36, w.hwnd,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(kListId)), ::GetModuleHandleA(nullptr), nullptr);
}

bool HasListBox(const OwnedWindow& w) {
  if (!w.list) g_owner.lastError = "no listbox in window";
  return w.list != nullptr;
}

void AddItem(OwnedWindow& w, const std::string& tail) {
  if (HasListBox(w)) ::SendMessageA(w.list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(tail.c_str()));
}

void Select(OwnedWindow& w, const std::string& tail) {
  long long n;
  if (!HasListBox(w)) return;
  if (ParseNumber(tail.c_str(), &n)) {
    ::SendMessageA(w.list, LB_SETCURSEL, static_cast<WPARAM>(n), 0);
  } else {
    g_owner.lastError = "bad select";
  }
}

void PutInTray(OwnedWindow& w, const std::string& tail) {
  if (w.tray) TrayIcon(&w, NIM_DELETE, "");
  w.tray = TrayIcon(&w, NIM_ADD, tail);
  if (!w.tray) g_owner.lastError = "Shell_NotifyIcon failed";
}

void TakeOutOfTray(OwnedWindow& w, const std::string&) {
  if (w.tray) TrayIcon(&w, NIM_DELETE, "");
  w.tray = false;
}

// hotkey I ID MODS VK
void RegisterOwnHotkey(OwnedWindow& w, const std::string& tail) {
  long long id = 0, modifiers = 0, vk = 0;
  char a[32] = "", b[32] = "", c[32] = "";
  int got = std::sscanf(tail.c_str(), "%31s %31s %31s", a, b, c);
  if (got != 3 || !ParseNumber(a, &id) || !ParseNumber(b, &modifiers) || !ParseNumber(c, &vk) ||
      !::RegisterHotKey(w.hwnd, static_cast<int>(id), static_cast<UINT>(modifiers), static_cast<UINT>(vk))) {
    g_owner.lastError = "hotkey failed (error " + Decimal(::GetLastError()) + ")";
  }
}

// unhotkey I ID
void UnregisterOwnHotkey(OwnedWindow& w, const std::string& tail) {
  long long id = 0;
  char a[32] = "";
  if (std::sscanf(tail.c_str(), "%31s", a) < 1 || !ParseNumber(a, &id) ||
      !::UnregisterHotKey(w.hwnd, static_cast<int>(id))) {
    g_owner.lastError = "unhotkey failed (error " + Decimal(::GetLastError()) + ")";
  }
}

bool HasThreadOfItsOwn(const OwnedWindow& w) {
  if (!w.wake) g_owner.lastError = "window " + Decimal(w.index) + " has no thread of its own";
  return w.wake != nullptr;
}

void Stall(OwnedWindow& w, const std::string&) {
  if (HasThreadOfItsOwn(w)) ::PostThreadMessageA(::GetWindowThreadProcessId(w.hwnd, nullptr), kStall, 0, 0);
}

void Wake(OwnedWindow& w, const std::string&) {
  if (HasThreadOfItsOwn(w)) ::SetEvent(w.wake);
}

// A verb acts on the owner, or on the window whose number starts its
// arguments (the rest of them in `tail`).
struct Verb {
  std::string_view name;
  void (*onOwner)(const std::string& rest);
  void (*onWindow)(OwnedWindow& w, const std::string& tail);
};

constexpr Verb kVerbs[] = {
    {"open", OpenAnsiWindow, nullptr},
    {"openthread", OpenThreadWindow, nullptr},
    {"quit", Quit, nullptr},
    {"close", nullptr, Close},
    {"retitle", nullptr, Retitle},
    {"retitle-every", nullptr, RetitleEvery},
    {"retitle-utf8", nullptr, RetitleUtf8},
    {"show", nullptr, ShowAs<SW_SHOW>},
    {"hide", nullptr, ShowAs<SW_HIDE>},
    {"minimize", nullptr, ShowAs<SW_MINIMIZE>},
    {"maximize", nullptr, ShowAs<SW_MAXIMIZE>},
    {"restore", nullptr, ShowAs<SW_RESTORE>},
    {"showcmd", nullptr, ShowCmd},
    {"activate", nullptr, Activate},
    {"move", nullptr, Move},
    {"type", nullptr, Type},
    {"listbox", nullptr, AddListBox},
    {"additem", nullptr, AddItem},
    {"select", nullptr, Select},
    {"trayicon", nullptr, PutInTray},
    {"untray", nullptr, TakeOutOfTray},
    {"hotkey", nullptr, RegisterOwnHotkey},
    {"unhotkey", nullptr, UnregisterOwnHotkey},
    {"stall", nullptr, Stall},
    {"wake", nullptr, Wake},
};

void RunCommand(const std::string& line) {
  size_t space = line.find(' ');
  std::string verb = line.substr(0, space);
  std::string rest = space == std::string::npos ? std::string() : line.substr(space + 1);
  g_owner.lastError.clear();
  if (verb.empty()) return;
  auto found = std::find_if(std::begin(kVerbs), std::end(kVerbs), [&](const Verb& v) { return v.name == verb; });
  if (found != std::end(kVerbs) && found->onOwner) {
    found->onOwner(rest);
    return;
  }
  // An unknown verb is told apart only once its window is found.
  std::string tail;
  OwnedWindow* w = FindOwned(IndexArg(rest, &tail));
  if (!w) {
    g_owner.lastError = "no window " + rest.substr(0, rest.find(' ')) + " for " + verb;
  } else if (found == std::end(kVerbs)) {
    g_owner.lastError = "unknown command " + verb;
  } else {
    found->onWindow(*w, tail);
  }
}

// Runs the lines added to the commands file since the last poll. Only whole
// lines count; a line still being written waits for the next poll.
void PollCommands() {
  std::string data = ReadGrowingFile(g_owner.commandsPath);

  size_t lineNumber = 0, pos = 0;
  bool ran = false;
  while (!g_owner.quitting) {
    size_t newline = data.find('\n', pos);
    if (newline == std::string::npos) break;
    std::string line = data.substr(pos, newline - pos);
    pos = newline + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (lineNumber++ < g_owner.done) continue;
    RunCommand(line);
    ++g_owner.done;
    ran = true;
  }
  if (ran) WriteStatus();
}

}  // namespace

int CmdOwner(const std::vector<std::string>& args) {
  std::vector<std::wstring> titles;
  long long count = 0;
  std::string format = "Window %d";
  for (size_t i = 2; i < args.size(); ++i) {
    const std::string& k = args[i];
    bool has = i + 1 < args.size();
    if (k == "--status" && has) {
      g_owner.statusPath = args[++i];
    } else if (k == "--commands" && has) {
      g_owner.commandsPath = args[++i];
    } else if (k == "--title" && has) {
      titles.push_back(WideFromAnsi(args[++i]));
    } else if (k == "--title-utf8" && has) {
      // A title in hex of its UTF-8: a command line reaches the program in
      // the ANSI code page, which holds few of the world's letters.
      std::string utf8;
      if (!BytesFromHex(args[++i], &utf8)) return Fail(kExitUsage, "owner: bad hex title " + args[i]);
      titles.push_back(WideFromUtf8(utf8));
    } else if (k == "--count" && has && ParseNumber(args[i + 1].c_str(), &count)) {
      ++i;
    } else if (k == "--title-format" && has) {
      format = args[++i];
    } else {
      return Fail(kExitUsage, "owner: bad argument " + k);
    }
  }
  if (g_owner.statusPath.empty()) {
    return Fail(kExitUsage,
                "usage: owner --status FILE [--commands FILE] [--title T | --title-utf8 HEX]... "
                "[--count N --title-format FMT]");
  }

  WNDCLASSW owner = {};
  owner.lpfnWndProc = OwnerProc;
  owner.hInstance = ::GetModuleHandleA(nullptr);
  owner.hCursor = ::LoadCursor(nullptr, IDC_ARROW);
  owner.hIcon = ::LoadIcon(nullptr, IDI_APPLICATION);
  owner.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  owner.lpszClassName = kOwnerClass;
  if (!::RegisterClassW(&owner)) return Fail(kExitFailure, "RegisterClass failed");
  WNDCLASSA wc = {};
  wc.hInstance = owner.hInstance;
  wc.hCursor = owner.hCursor;
  wc.hIcon = owner.hIcon;
  wc.hbrBackground = owner.hbrBackground;
  wc.lpfnWndProc = ThreadWindowProc;
  wc.lpszClassName = kThreadClass;
  if (!::RegisterClassA(&wc)) return Fail(kExitFailure, "RegisterClass failed");

  for (auto& t : titles) OpenWindow(t);
  for (long long i = 1; i <= count; ++i) OpenAnsiWindow(NumberedTitle(format, i));
  WriteStatus();

  // A thread timer: polls the commands every 50 ms, rewrites the status
  // every 100 ms.
  ::SetTimer(nullptr, 0, 50, nullptr);
  int ticks = 0;
  MSG msg;
  while (::GetMessageA(&msg, nullptr, 0, 0) > 0) {
    if (msg.message == WM_TIMER && msg.hwnd == nullptr) {
      if (!g_owner.commandsPath.empty()) PollCommands();
      if (g_owner.quitting) break;
      if (++ticks % 2 == 0) WriteStatus();
      continue;
    }
    ::TranslateMessage(&msg);
    ::DispatchMessageA(&msg);
  }
  while (!g_owner.windows.empty()) {
    HWND h = g_owner.windows.back().hwnd;
    ::DestroyWindow(h);
    if (!g_owner.windows.empty() && g_owner.windows.back().hwnd == h) g_owner.windows.pop_back();
  }
  WriteStatus();
  return kExitOk;
}

}  // namespace vxtool

#include "window_probes.h"

#include <commctrl.h>

#include <cstdio>
#include <cwchar>
#include <set>

#include "bitness.h"
#include "framework/handles.h"
#include "output.h"
#include "window_text.h"

namespace vxtool {

namespace {

constexpr char kNoSuchWindow[] = "no such window";

// win hwnd pid tid visible iconic zoomed enabled l t r b style exstyle owner parent class title
std::vector<std::string> WindowRecord(HWND window) {
  DWORD pid = 0;
  DWORD tid = ::GetWindowThreadProcessId(window, &pid);
  RECT r = {};
  ::GetWindowRect(window, &r);
  return {"win",
          HexHandle(window),
          Decimal(pid),
          Decimal(tid),
          Decimal(::IsWindowVisible(window) ? 1 : 0),
          Decimal(::IsIconic(window) ? 1 : 0),
          Decimal(::IsZoomed(window) ? 1 : 0),
          Decimal(::IsWindowEnabled(window) ? 1 : 0),
          Decimal(r.left),
          Decimal(r.top),
          Decimal(r.right),
          Decimal(r.bottom),
          HexNumber(static_cast<DWORD>(::GetWindowLongPtrA(window, GWL_STYLE))),
          HexNumber(static_cast<DWORD>(::GetWindowLongPtrA(window, GWL_EXSTYLE))),
          HexHandle(::GetWindow(window, GW_OWNER)),
          HexHandle(::GetAncestor(window, GA_PARENT)),
          Escape(ClassName(window)),
          Escape(WindowText(window))};
}

std::vector<HWND> TopLevelWindows() {
  std::vector<HWND> out;
  for (HWND w = ::GetTopWindow(nullptr); w; w = ::GetWindow(w, GW_HWNDNEXT)) out.push_back(w);
  return out;
}

// client width height x y: the client area's size and its origin on the screen.
std::vector<std::string> ClientRecord(HWND window, const RECT& client) {
  POINT origin = {0, 0};
  ::ClientToScreen(window, &origin);
  return {"client", Decimal(client.right - client.left), Decimal(client.bottom - client.top), Decimal(origin.x),
          Decimal(origin.y)};
}

void EmitChildRecord(HWND parent, HWND child) {
  RECT r = {};
  ::GetWindowRect(child, &r);
  ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
  EmitRecord({"child", HexHandle(child), Decimal(static_cast<long long>(::GetDlgCtrlID(child))),
              Escape(ClassName(child)), Decimal(r.left), Decimal(r.top), Decimal(r.right), Decimal(r.bottom),
              HexNumber(static_cast<DWORD>(::GetWindowLongPtrA(child, GWL_STYLE))),
              HexNumber(static_cast<DWORD>(::GetWindowLongPtrA(child, GWL_EXSTYLE))),
              Decimal(::IsWindowVisible(child) ? 1 : 0), Decimal(::IsWindowEnabled(child) ? 1 : 0), HexHandle(parent),
              Escape(ControlText(child))});
}

void WalkChildren(HWND parent, bool all) {
  for (HWND c = ::GetWindow(parent, GW_CHILD); c; c = ::GetWindow(c, GW_HWNDNEXT)) {
    EmitChildRecord(parent, c);
    if (all) WalkChildren(c, true);
  }
}

LRESULT SendTo(HWND window, UINT message, WPARAM wParam, LPARAM lParam, bool* ok) {
  DWORD_PTR result = 0;
  *ok = ::SendMessageTimeoutA(window, message, wParam, lParam, SMTO_ABORTIFHUNG, 3000, &result) != 0;
  return static_cast<LRESULT>(result);
}

// The A message comes back truncated to one character across processes
// under Wine 8, so this asks in UTF-16 and converts to the ANSI code page.
bool ListBoxItemText(HWND listBox, LRESULT index, std::string* text) {
  std::vector<wchar_t> wide(kTextMax + 16, 0);
  DWORD_PTR got = 0;
  if (!::SendMessageTimeoutW(listBox, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(wide.data()),
                             SMTO_ABORTIFHUNG, 3000, &got) ||
      static_cast<LRESULT>(got) < 0) {
    return false;
  }
  *text = Utf8FromWide(wide.data(), static_cast<int>(::wcsnlen(wide.data(), kTextMax)));
  return true;
}

// The texts of the items that could be read; a list being filled again
// may have fewer items than it had a moment before.
std::vector<std::string> ListBoxTexts(HWND listBox) {
  std::vector<std::string> texts;
  bool ok;
  LRESULT count = SendTo(listBox, LB_GETCOUNT, 0, 0, &ok);
  for (LRESULT i = 0; ok && i < count; ++i) {
    LRESULT length = SendTo(listBox, LB_GETTEXTLEN, i, 0, &ok);
    std::string text;
    if (ok && length >= 0 && length < kTextMax && ListBoxItemText(listBox, i, &text)) texts.push_back(text);
  }
  return texts;
}

long long MillisecondsSince(const LARGE_INTEGER& start) {
  LARGE_INTEGER now, frequency;
  ::QueryPerformanceCounter(&now);
  ::QueryPerformanceFrequency(&frequency);
  return (now.QuadPart - start.QuadPart) * 1000 / frequency.QuadPart;
}

}  // namespace

int CmdList() {
  for (HWND w : TopLevelWindows()) EmitRecord(WindowRecord(w));
  return kExitOk;
}

int CmdFind(const std::vector<std::string>& args) {
  std::string className, title;
  bool byClass = false, byTitle = false;
  size_t i = 2;
  if (i < args.size() && args[i] == "--class" && i + 1 < args.size()) {
    className = args[i + 1];
    byClass = true;
    i += 2;
  }
  if (i < args.size()) {
    title = args[i];
    byTitle = true;
  }
  if (!byClass && !byTitle) return Fail(kExitUsage, "usage: find TITLE | find --class CLASS [TITLE]");
  int n = 0;
  for (HWND w : TopLevelWindows()) {
    if (byClass && ClassName(w) != className) continue;
    if (byTitle && WindowText(w) != title) continue;
    EmitRecord(WindowRecord(w));
    ++n;
  }
  return n ? kExitOk : kExitNotFound;
}

int CmdInfo(HWND window) {
  if (!::IsWindow(window)) return Fail(kExitNotFound, kNoSuchWindow);
  EmitRecord(WindowRecord(window));
  WINDOWPLACEMENT wp = {};
  wp.length = sizeof wp;
  ::GetWindowPlacement(window, &wp);
  RECT client = {};
  ::GetClientRect(window, &client);
  std::vector<std::string> clientRecord = ClientRecord(window, client);
  const RECT& normal = wp.rcNormalPosition;
  EmitRecord({"placement", Decimal(wp.showCmd), Decimal(wp.flags), Decimal(normal.left), Decimal(normal.top),
              Decimal(normal.right), Decimal(normal.bottom), Decimal(wp.ptMinPosition.x), Decimal(wp.ptMinPosition.y),
              Decimal(wp.ptMaxPosition.x), Decimal(wp.ptMaxPosition.y)});
  EmitRecord(clientRecord);
  return kExitOk;
}

int CmdRect(HWND window) {
  RECT r;
  if (!::IsWindow(window) || !::GetWindowRect(window, &r)) return Fail(kExitNotFound, kNoSuchWindow);
  EmitRecord({"rect", Decimal(r.left), Decimal(r.top), Decimal(r.right), Decimal(r.bottom)});
  return kExitOk;
}

int CmdClient(HWND window) {
  RECT client;
  if (!::IsWindow(window) || !::GetClientRect(window, &client)) return Fail(kExitNotFound, kNoSuchWindow);
  EmitRecord(ClientRecord(window, client));
  return kExitOk;
}

int CmdChildren(const std::vector<std::string>& args, HWND window) {
  if (!::IsWindow(window)) return Fail(kExitNotFound, kNoSuchWindow);
  bool all = args.size() > 3 && args[3] == "--all";
  WalkChildren(window, all);
  return kExitOk;
}

int CmdForeground() {
  HWND foreground = ::GetForegroundWindow();
  DWORD pid = 0;
  DWORD tid = foreground ? ::GetWindowThreadProcessId(foreground, &pid) : 0;
  GUITHREADINFO gui = {};
  gui.cbSize = sizeof gui;
  if (tid) ::GetGUIThreadInfo(tid, &gui);
  EmitRecord({"foreground", HexHandle(foreground), Decimal(pid), HexHandle(gui.hwndActive), HexHandle(gui.hwndFocus),
              HexHandle(gui.hwndCapture), Escape(foreground ? WindowText(foreground) : std::string())});
  return kExitOk;
}

int CmdCursor() {
  POINT p;
  ::GetCursorPos(&p);
  HWND under = ::WindowFromPoint(p);
  EmitRecord({"cursor", Decimal(p.x), Decimal(p.y), HexHandle(under),
              HexHandle(under ? ::GetAncestor(under, GA_ROOT) : nullptr)});
  return kExitOk;
}

int CmdScreen() {
  RECT work = {};
  ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  EmitRecord({"screen", Decimal(::GetSystemMetrics(SM_CXSCREEN)), Decimal(::GetSystemMetrics(SM_CYSCREEN)),
              Decimal(work.left), Decimal(work.top), Decimal(work.right), Decimal(work.bottom), Decimal(::GetACP()),
              Decimal(::GetOEMCP()), Decimal(::GetSystemMetrics(SM_CXSMICON)),
              Decimal(::GetSystemMetrics(SM_CYSMICON))});
  return kExitOk;
}

int CmdGetText(HWND window) {
  if (!::IsWindow(window)) return Fail(kExitNotFound, kNoSuchWindow);
  EmitRecord({"text", Escape(ControlText(window))});
  return kExitOk;
}

int CmdSetText(HWND window, const std::string& text, bool utf8) {
  if (utf8) return CmdSetWideText(window, WideFromUtf8(text));
  if (!::IsWindow(window)) return Fail(kExitNotFound, kNoSuchWindow);
  bool ok;
  LRESULT result = SendTo(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), &ok);
  if (!ok) return Fail(kExitFailure, "WM_SETTEXT failed");
  EmitRecord({"ok", Decimal(result)});
  return kExitOk;
}

int CmdSetWideText(HWND window, const std::wstring& text) {
  if (!::IsWindow(window)) return Fail(kExitNotFound, kNoSuchWindow);
  DWORD_PTR answer = 0;
  if (!::SendMessageTimeoutW(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), SMTO_ABORTIFHUNG, 3000,
                             &answer)) {
    return Fail(kExitFailure, "WM_SETTEXT failed");
  }
  EmitRecord({"ok", Decimal(static_cast<LRESULT>(answer))});
  return kExitOk;
}

int CmdSetProp(HWND window, const std::string& name, long long value) {
  if (!::SetPropA(window, name.c_str(), reinterpret_cast<HANDLE>(static_cast<INT_PTR>(value)))) {
    return Fail(kExitFailure, "SetProp failed");
  }
  EmitRecord({"ok"});
  return kExitOk;
}

int CmdDrawItem(HWND window, const std::vector<long long>& fields, HWND item) {
  if (!::IsWindow(window)) return Fail(kExitNotFound, kNoSuchWindow);
  DRAWITEMSTRUCT dis{};
  dis.CtlType = static_cast<UINT>(fields[0]);
  dis.CtlID = static_cast<UINT>(fields[1]);
  dis.itemID = static_cast<UINT>(fields[2]);
  dis.itemAction = ODA_DRAWENTIRE;
  dis.hwndItem = item;
  dis.rcItem = RECT{0, 0, 100, 15};
  bool ok;
  LRESULT result = SendTo(window, WM_DRAWITEM, dis.CtlID, reinterpret_cast<LPARAM>(&dis), &ok);
  if (!ok) return Fail(kExitFailure, "WM_DRAWITEM got no answer");
  EmitRecord({"result", Decimal(result)});
  return kExitOk;
}

int CmdShowWindow(HWND window, long long how) {
  if (!::IsWindow(window)) return Fail(kExitNotFound, kNoSuchWindow);
  BOOL wasVisible = ::ShowWindow(window, static_cast<int>(how));
  EmitRecord({"ok", Decimal(wasVisible ? 1 : 0)});
  return kExitOk;
}

int CmdSetPos(HWND window, long long flags, HWND after) {
  if (!::IsWindow(window)) return Fail(kExitNotFound, kNoSuchWindow);
  BOOL done = ::SetWindowPos(window, after, 0, 0, 0, 0, static_cast<UINT>(flags));
  EmitRecord({"ok", Decimal(done ? 1 : 0)});
  return done ? kExitOk : kExitFailure;
}

int CmdSetStyle(HWND window, long long style) {
  if (!::IsWindow(window)) return Fail(kExitNotFound, kNoSuchWindow);
  ::SetLastError(0);
  LONG_PTR before = ::SetWindowLongPtrW(window, GWL_STYLE, static_cast<LONG_PTR>(style));
  if (!before && ::GetLastError()) return Fail(kExitFailure, "SetWindowLongPtr failed (error " + Decimal(::GetLastError()) + ")");
  EmitRecord({"ok", HexNumber(static_cast<unsigned long long>(before) & 0xFFFFFFFFull)});
  return kExitOk;
}

int CmdSetForeground(HWND window) {
  if (!::IsWindow(window)) return Fail(kExitNotFound, kNoSuchWindow);
  BOOL done = ::SetForegroundWindow(window);
  EmitRecord({"ok", Decimal(done ? 1 : 0)});
  return done ? kExitOk : kExitFailure;
}

// post|notify HWND MSG WPARAM LPARAM [MSG WPARAM LPARAM]...: every message at
// once and in order. Posted, all are in the queue before the window takes the
// first; sent without waiting (SendNotifyMessage, as a notification area sends
// its callbacks), the window takes all of them in the one call that finds
// the first.
int CmdMessage(const std::vector<std::string>& args, Delivery delivery) {
  HWND window;
  if (args.size() < 6 || (args.size() - 3) % 3 != 0 || (delivery == Delivery::kSend && args.size() > 6) ||
      !ParseHwnd(args[2].c_str(), &window)) {
    return Fail(kExitUsage, "usage: post|notify HWND MSG WPARAM LPARAM [MSG WPARAM LPARAM]... | send HWND MSG W L");
  }
  for (size_t i = 3; i < args.size(); i += 3) {
    long long message, wParam, lParam;
    if (!ParseNumber(args[i].c_str(), &message) || !ParseNumber(args[i + 1].c_str(), &wParam) ||
        !ParseNumber(args[i + 2].c_str(), &lParam)) {
      return Fail(kExitUsage, "bad message " + args[i]);
    }
    UINT msg = static_cast<UINT>(message);
    if (delivery == Delivery::kSend) {
      DWORD_PTR result = 0;
      if (!::SendMessageTimeoutA(window, msg, static_cast<WPARAM>(wParam), static_cast<LPARAM>(lParam),
                                 SMTO_ABORTIFHUNG, 5000, &result)) {
        return Fail(kExitFailure, "SendMessage failed or timed out (error " + Decimal(::GetLastError()) + ")");
      }
      EmitRecord({"result", Decimal(static_cast<long long>(result))});
      return kExitOk;
    }
    auto deliver = delivery == Delivery::kPost ? &::PostMessageA : &::SendNotifyMessageA;
    if (!deliver(window, msg, static_cast<WPARAM>(wParam), static_cast<LPARAM>(lParam))) {
      return Fail(kExitFailure, "PostMessage failed (error " + Decimal(::GetLastError()) + ")");
    }
  }
  EmitRecord({"ok"});
  return kExitOk;
}

int CmdRegMsg(const std::string& name) {
  UINT message = ::RegisterWindowMessageA(name.c_str());
  if (!message) return Fail(kExitFailure, "RegisterWindowMessage failed");
  EmitRecord({"msg", Decimal(message)});
  return kExitOk;
}

int CmdListBox(HWND listBox) {
  if (!::IsWindow(listBox)) return Fail(kExitNotFound, kNoSuchWindow);
  bool ok;
  LRESULT count = SendTo(listBox, LB_GETCOUNT, 0, 0, &ok);
  if (!ok || count < 0) return Fail(kExitFailure, "LB_GETCOUNT failed");
  LRESULT selection = SendTo(listBox, LB_GETCURSEL, 0, 0, &ok);
  LRESULT top = SendTo(listBox, LB_GETTOPINDEX, 0, 0, &ok);
  LRESULT caret = SendTo(listBox, LB_GETCARETINDEX, 0, 0, &ok);
  EmitRecord({"listbox", Decimal(count), Decimal(selection), Decimal(top), Decimal(caret),
              HexNumber(static_cast<DWORD>(::GetWindowLongPtrA(listBox, GWL_STYLE)))});
  for (LRESULT i = 0; i < count; ++i) {
    LRESULT length = SendTo(listBox, LB_GETTEXTLEN, i, 0, &ok);
    std::string text;
    if (ok && length >= 0 && length < kTextMax) ListBoxItemText(listBox, i, &text);
    LRESULT data = SendTo(listBox, LB_GETITEMDATA, i, 0, &ok);
    LRESULT selected = SendTo(listBox, LB_GETSEL, i, 0, &ok);
    EmitRecord({"item", Decimal(i), Decimal(length), Decimal(selected > 0 ? 1 : 0),
                HexNumber(static_cast<unsigned long long>(data)), Escape(text)});
  }
  return kExitOk;
}

int CmdListWatch(HWND listBox, long long duration, long long every) {
  if (!::IsWindow(listBox)) return Fail(kExitNotFound, kNoSuchWindow);
  std::set<std::string> seen;
  long long samples = 0, at = 0;
  LARGE_INTEGER start;
  ::QueryPerformanceCounter(&start);
  while ((at = MillisecondsSince(start)) < duration) {
    for (const std::string& text : ListBoxTexts(listBox)) {
      if (seen.insert(text).second) EmitRecord({"seen", Decimal(at), Escape(text)});
    }
    ++samples;
    ::Sleep(static_cast<DWORD>(every));
  }
  EmitRecord({"watched", Decimal(samples), Decimal(at)});
  return kExitOk;
}

int CmdShowWatch(const std::string& className, const std::string& title, long long duration) {
  constexpr DWORD kEvery = 5;
  EmitRecord({"ready"});
  std::fflush(stdout);  // read while this runs
  LARGE_INTEGER start;
  ::QueryPerformanceCounter(&start);
  HWND window = nullptr;
  while (!(window = ::FindWindowA(className.c_str(), title.c_str()))) {
    if (MillisecondsSince(start) >= duration) return Fail(kExitNotFound, kNoSuchWindow);
    ::Sleep(kEvery);
  }
  ::QueryPerformanceCounter(&start);
  long long samples = 0, at = 0;
  int visible = -1;
  while ((at = MillisecondsSince(start)) < duration) {
    int now = ::IsWindowVisible(window) ? 1 : 0;
    if (now != visible) EmitRecord({now ? "shown" : "hidden", Decimal(at)});
    visible = now;
    ++samples;
    ::Sleep(kEvery);
  }
  EmitRecord({"watched", Decimal(samples), Decimal(at)});
  return kExitOk;
}

// The tool record and its text buffer live in the tooltip's process, as
// TTM_ENUMTOOLS is not marshalled.
int CmdTooltips(HWND tooltip) {
  if (!::IsWindow(tooltip)) return Fail(kExitNotFound, kNoSuchWindow);
  DWORD pid = 0;
  ::GetWindowThreadProcessId(tooltip, &pid);
  fw::unique_process process(::OpenProcess(
      PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid));
  if (!process) return Fail(kExitFailure, "OpenProcess failed (error " + Decimal(::GetLastError()) + ")");
  // the record is read in the tooltip's process: it has that process's layout
  if (ProcessBitness(process.get()) != kOwnBitness) return RunPeer("the tooltip's process has the other bitness");
  constexpr SIZE_T kTextChars = 1024;
  constexpr SIZE_T kSize = sizeof(TTTOOLINFOW) + kTextChars * sizeof(wchar_t);
  char* remote =
      static_cast<char*>(::VirtualAllocEx(process.get(), nullptr, kSize, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
  if (!remote) return Fail(kExitFailure, "VirtualAllocEx failed");
  LPWSTR remoteText = reinterpret_cast<LPWSTR>(remote + sizeof(TTTOOLINFOW));
  bool ok;
  LRESULT count = SendTo(tooltip, TTM_GETTOOLCOUNT, 0, 0, &ok);
  EmitRecord({"count", Decimal(ok ? count : -1)});
  for (LRESULT i = 0; ok && i < count; ++i) {
    TTTOOLINFOW tool = {};
    tool.cbSize = sizeof tool;
    tool.lpszText = remoteText;
    std::vector<wchar_t> text(kTextChars, 0);
    ::WriteProcessMemory(process.get(), remote, &tool, sizeof tool, nullptr);
    ::WriteProcessMemory(process.get(), remoteText, text.data(), kTextChars * sizeof(wchar_t), nullptr);
    if (!SendTo(tooltip, TTM_ENUMTOOLSW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(remote), &ok) || !ok) {
      continue;
    }
    SIZE_T got = 0;
    ::ReadProcessMemory(process.get(), remote, &tool, sizeof tool, &got);
    ::ReadProcessMemory(process.get(), remoteText, text.data(), (kTextChars - 1) * sizeof(wchar_t), &got);
    std::string shown;
    if (tool.lpszText == remoteText) {
      shown = AnsiFromWide(text.data(), static_cast<int>(::wcsnlen(text.data(), kTextChars - 1)), 4096);
    }
    const RECT& r = tool.rect;
    EmitRecord({"tool", Decimal(i), HexHandle(tool.hwnd), HexNumber(static_cast<unsigned long long>(tool.uId)),
                HexNumber(tool.uFlags), Decimal(r.left), Decimal(r.top), Decimal(r.right), Decimal(r.bottom),
                Escape(shown)});
  }
  ::VirtualFreeEx(process.get(), remote, 0, MEM_RELEASE);
  return kExitOk;
}

}  // namespace vxtool

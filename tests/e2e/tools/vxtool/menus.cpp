#include "menus.h"

#include <tlhelp32.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "bitness.h"
#include "framework/handles.h"
#include "output.h"

namespace {

// What the remote thread reads, and how.
constexpr int kSystemMenu = 0;
constexpr int kPopupMenu = 1;
// Not a menu: whether the window has a big and a small icon, which a
// message from another process cannot ask under Wine.
constexpr int kWindowIcons = 2;

// The block handed to vx_remote_sysmenu in the target process: the
// functions it may call, already relocated to their addresses there, and
// the records it writes back.
struct RemoteMenu {
  HWND hwnd;
  HMENU(WINAPI* getSystemMenu)(HWND, BOOL);
  int(WINAPI* getMenuItemCount)(HMENU);
  BOOL(WINAPI* getMenuItemInfo)(HMENU, UINT, BOOL, LPMENUITEMINFOW);
  int(WINAPIV* format)(LPSTR, LPCSTR, ...);
  LRESULT(WINAPI* sendMessage)(HWND, UINT, WPARAM, LPARAM);
  BOOL(WINAPI* getMenuItemRect)(HWND, HMENU, UINT, LPRECT);
  int mode;
  LONG used;
  LONG truncated;
  char out[60000];
};

// Without the loop patterns the compiler would turn the copy into a memcpy
// call, which the remote thread cannot make.
[[gnu::optimize("no-tree-loop-distribute-patterns")]] void RemotePut(RemoteMenu* r, const char* s, bool escape) {
  for (; *s; ++s) {
    char two[3] = {*s, 0, 0};
    if (escape) {
      if (*s == '\\') {
        two[1] = '\\';
      } else if (*s == '\t') {
        two[0] = '\\';
        two[1] = 't';
      } else if (*s == '\n') {
        two[0] = '\\';
        two[1] = 'n';
      } else if (*s == '\r') {
        two[0] = '\\';
        two[1] = 'r';
      }
    }
    for (const char* c = two; *c; ++c) {
      if (r->used >= static_cast<LONG>(sizeof r->out) - 1) {
        r->truncated = 1;
        return;
      }
      r->out[r->used++] = *c;
    }
  }
}

// UTF-16 text as UTF-8, escaped like every text field; by hand, since the
// remote thread can call nothing it is not handed. A lone surrogate reads as
// U+FFFD.
[[gnu::optimize("no-tree-loop-distribute-patterns")]] void RemotePutWide(RemoteMenu* r, const wchar_t* s) {
  for (; *s; ++s) {
    unsigned long code = static_cast<unsigned short>(*s);
    if (code >= 0xD800 && code <= 0xDBFF && s[1] >= 0xDC00 && s[1] <= 0xDFFF) {
      code = 0x10000 + ((code - 0xD800) << 10) + (static_cast<unsigned short>(s[1]) - 0xDC00);
      ++s;
    } else if (code >= 0xD800 && code <= 0xDFFF) {
      code = 0xFFFD;
    }
    char bytes[5] = {0, 0, 0, 0, 0};
    if (code < 0x80) {
      bytes[0] = static_cast<char>(code);
    } else if (code < 0x800) {
      bytes[0] = static_cast<char>(0xC0 | (code >> 6));
      bytes[1] = static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
      bytes[0] = static_cast<char>(0xE0 | (code >> 12));
      bytes[1] = static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      bytes[2] = static_cast<char>(0x80 | (code & 0x3F));
    } else {
      bytes[0] = static_cast<char>(0xF0 | (code >> 18));
      bytes[1] = static_cast<char>(0x80 | ((code >> 12) & 0x3F));
      bytes[2] = static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      bytes[3] = static_cast<char>(0x80 | (code & 0x3F));
    }
    RemotePut(r, bytes, true);
  }
}

}  // namespace

// Runs in the target process: this executable is mapped there with
// LoadLibrary and the function started on a remote thread. Wine does not
// bind the imports of an .exe loaded that way, so it calls nothing but the
// pointers it is handed. With kPopupMenu it reads the menu of a popup menu
// window (MN_GETHMENU), and every item's screen rectangle too.
extern "C" __attribute__((dllexport, optimize("no-tree-loop-distribute-patterns"))) DWORD WINAPI
vx_remote_sysmenu(void* arg) {
  RemoteMenu* r = static_cast<RemoteMenu*>(arg);
  r->used = 0;
  if (r->mode == kWindowIcons) {
    LRESULT big = r->sendMessage(r->hwnd, WM_GETICON, ICON_BIG, 0);
    LRESULT small = r->sendMessage(r->hwnd, WM_GETICON, ICON_SMALL, 0);
    char line[64];
    r->format(line, "icons\t%d\t%d\t%d\n", big != 0, small != 0, big == small);
    RemotePut(r, line, false);
    return 0;
  }
  HMENU m = r->mode == kPopupMenu ? reinterpret_cast<HMENU>(r->sendMessage(r->hwnd, MN_GETHMENU, 0, 0))
                                  : r->getSystemMenu(r->hwnd, FALSE);
  if (!m) return 2;
  int n = r->getMenuItemCount(m);
  if (n < 0) return 3;
  char line[160];
  r->format(line, "count\t%d\n", n);
  RemotePut(r, line, false);
  for (int i = 0; i < n; ++i) {
    wchar_t text[1024];
    text[0] = 0;
    // Field by field: an initializer could become a memset call.
    MENUITEMINFOW mi;
    mi.cbSize = sizeof mi;
    mi.fMask = MIIM_ID | MIIM_FTYPE | MIIM_STATE | MIIM_SUBMENU | MIIM_STRING;
    mi.fType = mi.fState = mi.wID = 0;
    mi.hSubMenu = nullptr;
    mi.hbmpChecked = mi.hbmpUnchecked = mi.hbmpItem = nullptr;
    mi.dwItemData = 0;
    mi.dwTypeData = text;
    mi.cch = sizeof text / sizeof text[0];
    if (!r->getMenuItemInfo(m, i, TRUE, &mi)) return 4;
    const char* kind = (mi.fType & MFT_SEPARATOR) ? "separator" : mi.hSubMenu ? "popup" : "item";
    if (mi.fType & MFT_SEPARATOR) text[0] = 0;
    r->format(line, "item\t%d\t%u\t%s\t0x%x\t", i, mi.wID, kind, mi.fState);
    RemotePut(r, line, false);
    RemotePutWide(r, text);
    if (r->mode == kPopupMenu) {
      RECT rc;
      rc.left = rc.top = rc.right = rc.bottom = 0;
      r->getMenuItemRect(r->hwnd, m, i, &rc);
      r->format(line, "\t%d\t%d\t%d\t%d", rc.left, rc.top, rc.right, rc.bottom);
      RemotePut(r, line, false);
    }
    RemotePut(r, "\n", false);
  }
  return 0;
}

namespace vxtool {

namespace {

int DumpMenu(HMENU menu) {
  int n = ::GetMenuItemCount(menu);
  if (n < 0) {
    return Fail(kExitUnsupported,
                "menu items not readable from this process (error " + Decimal(::GetLastError()) + ")");
  }
  EmitRecord({"count", Decimal(n)});
  for (int i = 0; i < n; ++i) {
    char text[kTextMax] = "";
    MENUITEMINFOA mi = {};
    mi.cbSize = sizeof mi;
    mi.fMask = MIIM_ID | MIIM_FTYPE | MIIM_STATE | MIIM_SUBMENU | MIIM_STRING;
    mi.dwTypeData = text;
    mi.cch = sizeof text;
    if (!::GetMenuItemInfoA(menu, i, TRUE, &mi)) {
      return Fail(kExitUnsupported,
                  "menu item " + Decimal(i) + " not readable (error " + Decimal(::GetLastError()) + ")");
    }
    bool separator = mi.fType & MFT_SEPARATOR;
    const char* kind = separator ? "separator" : mi.hSubMenu ? "popup" : "item";
    EmitRecord({"item", Decimal(i), Decimal(mi.wID), kind, HexNumber(mi.fState),
                Escape(std::string(text, separator ? 0 : std::strlen(text)))});
  }
  return kExitOk;
}

// The module loaded in process `pid` under this name, or this full path.
HMODULE RemoteModule(DWORD pid, const char* nameOrPath) {
  // A snapshot fails as a file does, with INVALID_HANDLE_VALUE.
  fw::unique_hfile snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, pid));
  if (!snapshot) return nullptr;
  MODULEENTRY32 entry = {};
  entry.dwSize = sizeof entry;
  HMODULE found = nullptr;
  bool byPath = std::strchr(nameOrPath, '\\') != nullptr;
  for (BOOL ok = ::Module32First(snapshot.get(), &entry); ok && !found; ok = ::Module32Next(snapshot.get(), &entry)) {
    if (!::lstrcmpiA(byPath ? entry.szExePath : entry.szModule, nameOrPath)) found = entry.hModule;
  }
  return found;
}

// A system DLL keeps its functions at the same offsets from its base in
// every process.
void* RemoteProc(HMODULE local, HMODULE remote, const char* name) {
  char* address = reinterpret_cast<char*>(::GetProcAddress(local, name));
  return reinterpret_cast<char*>(remote) + (address - reinterpret_cast<char*>(local));
}

bool RunRemote(HANDLE process, void* function, void* arg, DWORD* code) {
  fw::unique_thread thread(
      ::CreateRemoteThread(process, nullptr, 0, reinterpret_cast<LPTHREAD_START_ROUTINE>(function), arg, 0, nullptr));
  if (!thread) return false;
  bool done = ::WaitForSingleObject(thread.get(), 10000) == WAIT_OBJECT_0;
  if (done) ::GetExitCodeThread(thread.get(), code);
  return done;
}

// Loads this executable into the window's process, reads the menu there on
// a remote thread and prints what it wrote; unloads it again unless it was
// there before.
int CmdMenuInject(HWND window, int mode) {
  if (!::IsWindow(window)) return Fail(kExitNotFound, "no such window");
  DWORD pid = 0;
  ::GetWindowThreadProcessId(window, &pid);
  fw::unique_process process(::OpenProcess(
      PROCESS_CREATE_THREAD | PROCESS_QUERY_INFORMATION | PROCESS_VM_OPERATION | PROCESS_VM_WRITE | PROCESS_VM_READ,
      FALSE, pid));
  if (!process) return Fail(kExitFailure, "OpenProcess failed (error " + Decimal(::GetLastError()) + ")");
  // the reader runs inside the target: it must be built for the target's bitness
  if (ProcessBitness(process.get()) != kOwnBitness) return RunPeer("the window's process has the other bitness");

  char self[MAX_PATH];
  ::GetModuleFileNameA(nullptr, self, sizeof self);
  HMODULE kernel = ::GetModuleHandleA("kernel32.dll"), user = ::GetModuleHandleA("user32.dll");
  HMODULE remoteKernel = RemoteModule(pid, "kernel32.dll"), remoteUser = RemoteModule(pid, "user32.dll");
  const size_t size = sizeof(RemoteMenu) + MAX_PATH;
  char* memory =
      static_cast<char*>(::VirtualAllocEx(process.get(), nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
  char* remotePath = memory ? memory + sizeof(RemoteMenu) : nullptr;
  int rc = kExitFailure;
  std::string error;
  DWORD code = 0;
  if (!remoteKernel || !remoteUser || !memory) {
    error = "cannot prepare the target process";
  } else if (!::WriteProcessMemory(process.get(), remotePath, self, std::strlen(self) + 1, nullptr)) {
    error = "WriteProcessMemory failed";
  } else {
    HMODULE before = RemoteModule(pid, self);
    HMODULE loaded = nullptr;
    if (!RunRemote(process.get(), RemoteProc(kernel, remoteKernel, "LoadLibraryA"), remotePath, &code) ||
        !(loaded = RemoteModule(pid, self))) {
      error = "could not load vxtool into the target";
    } else {
      bool ours = before == nullptr;
      auto userProc = [&](const char* name) { return RemoteProc(user, remoteUser, name); };
      RemoteMenu block = {};
      block.hwnd = window;
      block.getSystemMenu = reinterpret_cast<decltype(block.getSystemMenu)>(userProc("GetSystemMenu"));
      block.getMenuItemCount = reinterpret_cast<decltype(block.getMenuItemCount)>(userProc("GetMenuItemCount"));
      block.getMenuItemInfo = reinterpret_cast<decltype(block.getMenuItemInfo)>(userProc("GetMenuItemInfoW"));
      block.format = reinterpret_cast<decltype(block.format)>(userProc("wsprintfA"));
      block.sendMessage = reinterpret_cast<decltype(block.sendMessage)>(userProc("SendMessageA"));
      block.getMenuItemRect = reinterpret_cast<decltype(block.getMenuItemRect)>(userProc("GetMenuItemRect"));
      block.mode = mode;
      ::WriteProcessMemory(process.get(), memory, &block, sizeof block, nullptr);
      char* ownBase = reinterpret_cast<char*>(::GetModuleHandleA(nullptr));
      char* function = reinterpret_cast<char*>(loaded) + (reinterpret_cast<char*>(&vx_remote_sysmenu) - ownBase);
      if (!RunRemote(process.get(), function, memory, &code)) {
        error = "remote thread did not finish";
      } else if (code != 0) {
        rc = kExitUnsupported;
        error = code != 2            ? "reading the menu failed (" + Decimal(code) + ")"
                : mode == kPopupMenu ? "the window has no menu"
                                     : "no system menu in the target either";
      } else {
        SIZE_T got = 0;
        ::ReadProcessMemory(process.get(), memory, &block, sizeof block, &got);
        std::fwrite(block.out, 1, block.used, stdout);
        rc = block.truncated ? kExitFailure : kExitOk;
        if (block.truncated) error = "output truncated";
      }
      if (ours) RunRemote(process.get(), RemoteProc(kernel, remoteKernel, "FreeLibrary"), loaded, &code);
    }
  }
  if (memory) ::VirtualFreeEx(process.get(), memory, 0, MEM_RELEASE);
  return rc ? Fail(rc, error) : kExitOk;
}

}  // namespace

int CmdSysMenu(HWND window, bool inject) {
  if (inject) return CmdMenuInject(window, kSystemMenu);
  if (!::IsWindow(window)) return Fail(kExitNotFound, "no such window");
  HMENU menu = ::GetSystemMenu(window, FALSE);
  if (!menu) return Fail(kExitUnsupported, "GetSystemMenu returned no menu (error " + Decimal(::GetLastError()) + ")");
  return DumpMenu(menu);
}

int CmdMenu(HWND window) {
  if (!::IsWindow(window)) return Fail(kExitNotFound, "no such window");
  HMENU menu = ::GetMenu(window);
  if (!menu) return Fail(kExitNotFound, "window has no menu bar");
  return DumpMenu(menu);
}

int CmdPopupMenu(HWND popup) { return CmdMenuInject(popup, kPopupMenu); }

int CmdWindowIcons(HWND window) { return CmdMenuInject(window, kWindowIcons); }

}  // namespace vxtool

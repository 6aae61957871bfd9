// vxtool: a small Win32 helper for the end-to-end tests.
//
// Probe commands look at windows of other processes and print one record per
// line, fields separated by tabs. Text fields are raw ANSI bytes with
// backslash, tab, CR and LF escaped as \\ \t \r \n. Handles print as 0x hex.
//
// Exit codes: 0 ok, 1 failure, 2 usage, 3 nothing found, 4 not supported here.
//
// "owner" mode opens ordinary top-level windows and reports their state to a
// status file, taking orders from a commands file (see owner_main).

#include <windows.h>
#include <shellapi.h>
#include <commctrl.h>
#include <tlhelp32.h>
#include <winternl.h>
#include <fcntl.h>
#include <io.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

using std::string;
using std::vector;

namespace {

const int kTextMax = 4096;

string esc(const char *s, size_t n)
{
    string out;
    out.reserve(n);
    for (size_t i = 0; i < n; ++i) {
        char c = s[i];
        switch (c) {
        case '\\': out += "\\\\"; break;
        case '\t': out += "\\t"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        default: out += c;
        }
    }
    return out;
}

string esc(const string &s) { return esc(s.data(), s.size()); }

string hexs(unsigned long long v)
{
    char b[32];
    snprintf(b, sizeof b, "0x%llx", v);
    return b;
}

string hexh(HWND h) { return hexs((unsigned long long)(ULONG_PTR)h); }
string dec(long long v) { return std::to_string(v); }

void emit(const vector<string> &fields)
{
    string line;
    for (size_t i = 0; i < fields.size(); ++i) {
        if (i) line += '\t';
        line += fields[i];
    }
    line += '\n';
    fwrite(line.data(), 1, line.size(), stdout);
}

int fail(int code, const string &msg)
{
    fflush(stdout);
    fprintf(stderr, "vxtool: %s\n", msg.c_str());
    return code;
}

bool parse_num(const char *s, long long *out)
{
    if (!s || !*s) return false;
    bool neg = false;
    if (*s == '-') { neg = true; ++s; }
    char *end = nullptr;
    unsigned long long v = strtoull(s, &end, 0);
    if (*end) return false;
    *out = neg ? -(long long)v : (long long)v;
    return true;
}

bool parse_hwnd(const char *s, HWND *out)
{
    long long v;
    if (!parse_num(s, &v)) return false;
    *out = (HWND)(ULONG_PTR)v;
    return true;
}

// Splits the raw ANSI command line with the usual MS rules, so bytes above
// 0x7f reach us exactly as the ANSI code page has them.
vector<string> split_command_line(const char *p)
{
    vector<string> args;
    // program name: quoted or up to the first blank, no escapes
    string arg;
    if (*p == '"') {
        ++p;
        while (*p && *p != '"') arg += *p++;
        if (*p) ++p;
    } else {
        while (*p && *p != ' ' && *p != '\t') arg += *p++;
    }
    args.push_back(arg);
    for (;;) {
        while (*p == ' ' || *p == '\t') ++p;
        if (!*p) break;
        arg.clear();
        bool quoted = false;
        while (*p && (quoted || (*p != ' ' && *p != '\t'))) {
            if (*p == '\\') {
                size_t n = 0;
                while (*p == '\\') { ++n; ++p; }
                if (*p == '"') {
                    arg.append(n / 2, '\\');
                    if (n % 2) { arg += '"'; ++p; }
                } else {
                    arg.append(n, '\\');
                }
            } else if (*p == '"') {
                if (quoted && p[1] == '"') { arg += '"'; p += 2; }
                else { quoted = !quoted; ++p; }
            } else {
                arg += *p++;
            }
        }
        args.push_back(arg);
    }
    return args;
}

string window_text(HWND h)
{
    char buf[kTextMax];
    int n = GetWindowTextA(h, buf, sizeof buf);
    return string(buf, n > 0 ? n : 0);
}

// WM_GETTEXT reaches the control itself, unlike GetWindowText across processes.
string control_text(HWND h)
{
    char buf[kTextMax];
    DWORD_PTR res = 0;
    buf[0] = 0;
    if (!SendMessageTimeoutA(h, WM_GETTEXT, sizeof buf, (LPARAM)buf, SMTO_ABORTIFHUNG, 2000, &res))
        return window_text(h);
    size_t n = res < sizeof buf ? (size_t)res : sizeof buf - 1;
    return string(buf, n);
}

string class_name(HWND h)
{
    char buf[256];
    int n = GetClassNameA(h, buf, sizeof buf);
    return string(buf, n > 0 ? n : 0);
}

// win hwnd pid tid visible iconic zoomed enabled l t r b style exstyle owner parent class title
vector<string> window_fields(HWND h)
{
    DWORD pid = 0;
    DWORD tid = GetWindowThreadProcessId(h, &pid);
    RECT r = {};
    GetWindowRect(h, &r);
    return {"win", hexh(h), dec(pid), dec(tid),
            dec(IsWindowVisible(h) ? 1 : 0), dec(IsIconic(h) ? 1 : 0),
            dec(IsZoomed(h) ? 1 : 0), dec(IsWindowEnabled(h) ? 1 : 0),
            dec(r.left), dec(r.top), dec(r.right), dec(r.bottom),
            hexs((DWORD)GetWindowLongPtrA(h, GWL_STYLE)),
            hexs((DWORD)GetWindowLongPtrA(h, GWL_EXSTYLE)),
            hexh(GetWindow(h, GW_OWNER)), hexh(GetAncestor(h, GA_PARENT)),
            esc(class_name(h)), esc(window_text(h))};
}

vector<HWND> top_level_windows()
{
    vector<HWND> out;
    for (HWND h = GetTopWindow(nullptr); h; h = GetWindow(h, GW_HWNDNEXT))
        out.push_back(h);
    return out;
}

int cmd_list(const vector<string> &)
{
    for (HWND h : top_level_windows())
        emit(window_fields(h));
    return 0;
}

int cmd_find(const vector<string> &a)
{
    // find TITLE | find --class CLASS [TITLE]
    string cls, title;
    bool by_class = false, by_title = false;
    size_t i = 2;
    if (i < a.size() && a[i] == "--class" && i + 1 < a.size()) {
        cls = a[i + 1];
        by_class = true;
        i += 2;
    }
    if (i < a.size()) { title = a[i]; by_title = true; }
    if (!by_class && !by_title) return fail(2, "usage: find TITLE | find --class CLASS [TITLE]");
    int n = 0;
    for (HWND h : top_level_windows()) {
        if (by_class && class_name(h) != cls) continue;
        if (by_title && window_text(h) != title) continue;
        emit(window_fields(h));
        ++n;
    }
    return n ? 0 : 3;
}

int cmd_info(HWND h)
{
    if (!IsWindow(h)) return fail(3, "no such window");
    emit(window_fields(h));
    WINDOWPLACEMENT wp = {};
    wp.length = sizeof wp;
    GetWindowPlacement(h, &wp);
    RECT c = {};
    GetClientRect(h, &c);
    POINT o = {0, 0};
    ClientToScreen(h, &o);
    emit({"placement", dec(wp.showCmd), dec(wp.flags),
          dec(wp.rcNormalPosition.left), dec(wp.rcNormalPosition.top),
          dec(wp.rcNormalPosition.right), dec(wp.rcNormalPosition.bottom),
          dec(wp.ptMinPosition.x), dec(wp.ptMinPosition.y),
          dec(wp.ptMaxPosition.x), dec(wp.ptMaxPosition.y)});
    emit({"client", dec(c.right - c.left), dec(c.bottom - c.top), dec(o.x), dec(o.y)});
    return 0;
}

int cmd_rect(HWND h)
{
    RECT r;
    if (!IsWindow(h) || !GetWindowRect(h, &r)) return fail(3, "no such window");
    emit({"rect", dec(r.left), dec(r.top), dec(r.right), dec(r.bottom)});
    return 0;
}

int cmd_client(HWND h)
{
    RECT c;
    if (!IsWindow(h) || !GetClientRect(h, &c)) return fail(3, "no such window");
    POINT o = {0, 0};
    ClientToScreen(h, &o);
    emit({"client", dec(c.right - c.left), dec(c.bottom - c.top), dec(o.x), dec(o.y)});
    return 0;
}

void emit_child(HWND parent, HWND c)
{
    RECT r = {};
    GetWindowRect(c, &r);
    MapWindowPoints(nullptr, parent, (POINT *)&r, 2);
    emit({"child", hexh(c), dec((long long)GetDlgCtrlID(c)), esc(class_name(c)),
          dec(r.left), dec(r.top), dec(r.right), dec(r.bottom),
          hexs((DWORD)GetWindowLongPtrA(c, GWL_STYLE)),
          hexs((DWORD)GetWindowLongPtrA(c, GWL_EXSTYLE)),
          dec(IsWindowVisible(c) ? 1 : 0), dec(IsWindowEnabled(c) ? 1 : 0),
          hexh(parent), esc(control_text(c))});
}

void walk_children(HWND parent, bool all)
{
    for (HWND c = GetWindow(parent, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        emit_child(parent, c);
        if (all) walk_children(c, true);
    }
}

int cmd_children(const vector<string> &a, HWND h)
{
    if (!IsWindow(h)) return fail(3, "no such window");
    bool all = a.size() > 3 && a[3] == "--all";
    walk_children(h, all);
    return 0;
}

int dump_menu(HMENU m)
{
    int n = GetMenuItemCount(m);
    if (n < 0)
        return fail(4, "menu items not readable from this process (error " + dec(GetLastError()) + ")");
    emit({"count", dec(n)});
    for (int i = 0; i < n; ++i) {
        char text[kTextMax] = "";
        MENUITEMINFOA mi = {};
        mi.cbSize = sizeof mi;
        mi.fMask = MIIM_ID | MIIM_FTYPE | MIIM_STATE | MIIM_SUBMENU | MIIM_STRING;
        mi.dwTypeData = text;
        mi.cch = sizeof text;
        if (!GetMenuItemInfoA(m, i, TRUE, &mi))
            return fail(4, "menu item " + dec(i) + " not readable (error " + dec(GetLastError()) + ")");
        const char *kind = (mi.fType & MFT_SEPARATOR) ? "separator"
                         : mi.hSubMenu ? "popup" : "item";
        emit({"item", dec(i), dec(mi.wID), kind, hexs(mi.fState),
              esc(string(text, (mi.fType & MFT_SEPARATOR) ? 0 : strlen(text)))});
    }
    return 0;
}

int cmd_sysmenu(HWND h)
{
    if (!IsWindow(h)) return fail(3, "no such window");
    HMENU m = GetSystemMenu(h, FALSE);
    if (!m)
        return fail(4, "GetSystemMenu returned no menu (error " + dec(GetLastError()) + ")");
    return dump_menu(m);
}

// Wine keeps menus in the owning process, so "sysmenu --inject" reads the system menu
// from inside it: this executable is mapped into the target with LoadLibrary and
// vx_remote_sysmenu runs there on a remote thread. Wine does not bind the imports of an
// .exe loaded that way, so the function calls nothing but the pointers it is handed.
// The same code reads the menu of a popup menu window (class #32768) with mode 1:
// MN_GETHMENU on the window, then every item with its screen rectangle.
struct RemoteMenu {
    HWND hwnd;
    HMENU(WINAPI *get_system_menu)(HWND, BOOL);
    int(WINAPI *get_menu_item_count)(HMENU);
    BOOL(WINAPI *get_menu_item_info)(HMENU, UINT, BOOL, LPMENUITEMINFOA);
    int(WINAPIV *format)(LPSTR, LPCSTR, ...);
    LRESULT(WINAPI *send_message)(HWND, UINT, WPARAM, LPARAM);
    BOOL(WINAPI *get_menu_item_rect)(HWND, HMENU, UINT, LPRECT);
    int mode;
    LONG used;
    LONG truncated;
    char out[60000];
};

__attribute__((optimize("no-tree-loop-distribute-patterns")))
void remote_put(RemoteMenu *r, const char *s, bool escape)
{
    for (; *s; ++s) {
        char two[3] = {*s, 0, 0};
        if (escape) {
            if (*s == '\\') two[1] = '\\';
            else if (*s == '\t') { two[0] = '\\'; two[1] = 't'; }
            else if (*s == '\n') { two[0] = '\\'; two[1] = 'n'; }
            else if (*s == '\r') { two[0] = '\\'; two[1] = 'r'; }
        }
        for (const char *c = two; *c; ++c) {
            if (r->used >= (LONG)sizeof r->out - 1) { r->truncated = 1; return; }
            r->out[r->used++] = *c;
        }
    }
}

} // namespace

extern "C" __attribute__((dllexport, optimize("no-tree-loop-distribute-patterns")))
DWORD WINAPI vx_remote_sysmenu(void *arg)
{
    RemoteMenu *r = (RemoteMenu *)arg;
    r->used = 0;
    HMENU m = r->mode == 1 ? (HMENU)r->send_message(r->hwnd, MN_GETHMENU, 0, 0)
                           : r->get_system_menu(r->hwnd, FALSE);
    if (!m) return 2;
    int n = r->get_menu_item_count(m);
    if (n < 0) return 3;
    char line[160];
    r->format(line, "count\t%d\n", n);
    remote_put(r, line, false);
    for (int i = 0; i < n; ++i) {
        char text[1024];
        text[0] = 0;
        MENUITEMINFOA mi;
        mi.cbSize = sizeof mi;
        mi.fMask = MIIM_ID | MIIM_FTYPE | MIIM_STATE | MIIM_SUBMENU | MIIM_STRING;
        mi.fType = mi.fState = mi.wID = 0;
        mi.hSubMenu = nullptr;
        mi.hbmpChecked = mi.hbmpUnchecked = mi.hbmpItem = nullptr;
        mi.dwItemData = 0;
        mi.dwTypeData = text;
        mi.cch = sizeof text;
        if (!r->get_menu_item_info(m, i, TRUE, &mi)) return 4;
        const char *kind = (mi.fType & MFT_SEPARATOR) ? "separator" : mi.hSubMenu ? "popup" : "item";
        if (mi.fType & MFT_SEPARATOR) text[0] = 0;
        r->format(line, "item\t%d\t%u\t%s\t0x%x\t", i, mi.wID, kind, mi.fState);
        remote_put(r, line, false);
        remote_put(r, text, true);
        if (r->mode == 1) {
            RECT rc;
            rc.left = rc.top = rc.right = rc.bottom = 0;
            r->get_menu_item_rect(r->hwnd, m, i, &rc);
            r->format(line, "\t%d\t%d\t%d\t%d", rc.left, rc.top, rc.right, rc.bottom);
            remote_put(r, line, false);
        }
        remote_put(r, "\n", false);
    }
    return 0;
}

namespace {

HMODULE remote_module(DWORD pid, const char *name_or_path)
{
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, pid);
    if (snap == INVALID_HANDLE_VALUE) return nullptr;
    MODULEENTRY32 me = {};
    me.dwSize = sizeof me;
    HMODULE found = nullptr;
    bool path = strchr(name_or_path, '\\') != nullptr;
    for (BOOL ok = Module32First(snap, &me); ok && !found; ok = Module32Next(snap, &me))
        if (!lstrcmpiA(path ? me.szExePath : me.szModule, name_or_path)) found = me.hModule;
    CloseHandle(snap);
    return found;
}

bool run_remote(HANDLE p, void *fn, void *arg, DWORD *code)
{
    HANDLE t = CreateRemoteThread(p, nullptr, 0, (LPTHREAD_START_ROUTINE)fn, arg, 0, nullptr);
    if (!t) return false;
    bool done = WaitForSingleObject(t, 10000) == WAIT_OBJECT_0;
    if (done) GetExitCodeThread(t, code);
    CloseHandle(t);
    return done;
}

int cmd_menu_inject(HWND h, int mode)
{
    if (!IsWindow(h)) return fail(3, "no such window");
    DWORD pid = 0;
    GetWindowThreadProcessId(h, &pid);
    HANDLE p = OpenProcess(PROCESS_CREATE_THREAD | PROCESS_QUERY_INFORMATION | PROCESS_VM_OPERATION |
                               PROCESS_VM_WRITE | PROCESS_VM_READ, FALSE, pid);
    if (!p) return fail(1, "OpenProcess failed (error " + dec(GetLastError()) + ")");

    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, sizeof self);
    HMODULE k32 = GetModuleHandleA("kernel32.dll"), u32 = GetModuleHandleA("user32.dll");
    HMODULE rk32 = remote_module(pid, "kernel32.dll"), ru32 = remote_module(pid, "user32.dll");
    const size_t size = sizeof(RemoteMenu) + MAX_PATH;
    char *mem = (char *)VirtualAllocEx(p, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    int rc = 1;
    string err;
    HMODULE loaded = nullptr;
    bool ours = false;
    DWORD code = 0;
    if (!rk32 || !ru32 || !mem) {
        err = "cannot prepare the target process";
    } else if (!WriteProcessMemory(p, mem + sizeof(RemoteMenu), self, strlen(self) + 1, nullptr)) {
        err = "WriteProcessMemory failed";
    } else {
        HMODULE before = remote_module(pid, self);
        auto remote_fn = [&](const char *name) {
            return (void *)((char *)rk32 + ((char *)GetProcAddress(k32, name) - (char *)k32));
        };
        auto remote_user = [&](const char *name) {
            return (void *)((char *)ru32 + ((char *)GetProcAddress(u32, name) - (char *)u32));
        };
        if (!run_remote(p, remote_fn("LoadLibraryA"), mem + sizeof(RemoteMenu), &code) ||
            !(loaded = remote_module(pid, self))) {
            err = "could not load vxtool into the target";
        } else {
            ours = before == nullptr;
            RemoteMenu block = {};
            block.hwnd = h;
            block.get_system_menu = (decltype(block.get_system_menu))remote_user("GetSystemMenu");
            block.get_menu_item_count = (decltype(block.get_menu_item_count))remote_user("GetMenuItemCount");
            block.get_menu_item_info = (decltype(block.get_menu_item_info))remote_user("GetMenuItemInfoA");
            block.format = (decltype(block.format))remote_user("wsprintfA");
            block.send_message = (decltype(block.send_message))remote_user("SendMessageA");
            block.get_menu_item_rect = (decltype(block.get_menu_item_rect))remote_user("GetMenuItemRect");
            block.mode = mode;
            WriteProcessMemory(p, mem, &block, sizeof block, nullptr);
            char *fn = (char *)loaded + ((char *)&vx_remote_sysmenu - (char *)GetModuleHandleA(nullptr));
            if (!run_remote(p, fn, mem, &code)) {
                err = "remote thread did not finish";
            } else if (code != 0) {
                rc = 4;
                err = code != 2 ? "reading the menu failed (" + dec(code) + ")"
                      : mode == 1 ? "the window has no menu" : "no system menu in the target either";
            } else {
                SIZE_T got = 0;
                ReadProcessMemory(p, mem, &block, sizeof block, &got);
                fwrite(block.out, 1, block.used, stdout);
                rc = block.truncated ? 1 : 0;
                if (block.truncated) err = "output truncated";
            }
            if (ours) run_remote(p, remote_fn("FreeLibrary"), loaded, &code);
        }
    }
    if (mem) VirtualFreeEx(p, mem, 0, MEM_RELEASE);
    CloseHandle(p);
    return rc ? fail(rc, err) : 0;
}

int cmd_menu(HWND h)
{
    if (!IsWindow(h)) return fail(3, "no such window");
    HMENU m = GetMenu(h);
    if (!m) return fail(3, "window has no menu bar");
    return dump_menu(m);
}

int cmd_foreground()
{
    HWND fg = GetForegroundWindow();
    DWORD pid = 0;
    DWORD tid = fg ? GetWindowThreadProcessId(fg, &pid) : 0;
    GUITHREADINFO gi = {};
    gi.cbSize = sizeof gi;
    if (tid) GetGUIThreadInfo(tid, &gi);
    emit({"foreground", hexh(fg), dec(pid), hexh(gi.hwndActive), hexh(gi.hwndFocus),
          hexh(gi.hwndCapture), esc(fg ? window_text(fg) : string())});
    return 0;
}

int cmd_message(const vector<string> &a, bool send)
{
    HWND h;
    long long msg, wp, lp;
    if (a.size() < 6 || !parse_hwnd(a[2].c_str(), &h) || !parse_num(a[3].c_str(), &msg) ||
        !parse_num(a[4].c_str(), &wp) || !parse_num(a[5].c_str(), &lp))
        return fail(2, "usage: post|send HWND MSG WPARAM LPARAM");
    if (send) {
        DWORD_PTR res = 0;
        if (!SendMessageTimeoutA(h, (UINT)msg, (WPARAM)wp, (LPARAM)lp, SMTO_ABORTIFHUNG, 5000, &res))
            return fail(1, "SendMessage failed or timed out (error " + dec(GetLastError()) + ")");
        emit({"result", dec((long long)res)});
    } else {
        if (!PostMessageA(h, (UINT)msg, (WPARAM)wp, (LPARAM)lp))
            return fail(1, "PostMessage failed (error " + dec(GetLastError()) + ")");
        emit({"ok"});
    }
    return 0;
}

LRESULT send_to(HWND h, UINT msg, WPARAM wp, LPARAM lp, bool *ok)
{
    DWORD_PTR res = 0;
    *ok = SendMessageTimeoutA(h, msg, wp, lp, SMTO_ABORTIFHUNG, 3000, &res) != 0;
    return (LRESULT)res;
}

int cmd_listbox(HWND h)
{
    if (!IsWindow(h)) return fail(3, "no such window");
    bool ok;
    LRESULT n = send_to(h, LB_GETCOUNT, 0, 0, &ok);
    if (!ok || n < 0) return fail(1, "LB_GETCOUNT failed");
    LRESULT sel = send_to(h, LB_GETCURSEL, 0, 0, &ok);
    LRESULT top = send_to(h, LB_GETTOPINDEX, 0, 0, &ok);
    LRESULT caret = send_to(h, LB_GETCARETINDEX, 0, 0, &ok);
    emit({"listbox", dec(n), dec(sel), dec(top), dec(caret),
          hexs((DWORD)GetWindowLongPtrA(h, GWL_STYLE))});
    for (LRESULT i = 0; i < n; ++i) {
        LRESULT len = send_to(h, LB_GETTEXTLEN, i, 0, &ok);
        string text;
        if (ok && len >= 0 && len < kTextMax) {
            // the A message comes back truncated to one character across processes under
            // Wine 8, so ask in UTF-16 and convert to the ANSI code page ourselves
            vector<wchar_t> wbuf(kTextMax + 16, 0);
            DWORD_PTR got = 0;
            if (SendMessageTimeoutW(h, LB_GETTEXT, i, (LPARAM)wbuf.data(), SMTO_ABORTIFHUNG, 3000, &got) &&
                (LRESULT)got >= 0) {
                char abuf[kTextMax * 2];
                int n = WideCharToMultiByte(CP_ACP, 0, wbuf.data(), (int)wcsnlen(wbuf.data(), kTextMax),
                                            abuf, sizeof abuf, nullptr, nullptr);
                text.assign(abuf, n > 0 ? n : 0);
            }
        }
        LRESULT data = send_to(h, LB_GETITEMDATA, i, 0, &ok);
        LRESULT selected = send_to(h, LB_GETSEL, i, 0, &ok);
        emit({"item", dec(i), dec(len), dec(selected > 0 ? 1 : 0), hexs((unsigned long long)data),
              esc(text)});
    }
    return 0;
}

int cmd_showwindow(HWND h, long long how)
{
    if (!IsWindow(h)) return fail(3, "no such window");
    BOOL was = ShowWindow(h, (int)how);
    emit({"ok", dec(was ? 1 : 0)});
    return 0;
}

int cmd_setforeground(HWND h)
{
    if (!IsWindow(h)) return fail(3, "no such window");
    BOOL r = SetForegroundWindow(h);
    emit({"ok", dec(r ? 1 : 0)});
    return r ? 0 : 1;
}

int cmd_gettext(HWND h)
{
    if (!IsWindow(h)) return fail(3, "no such window");
    emit({"text", esc(control_text(h))});
    return 0;
}

int cmd_settext(HWND h, const string &text)
{
    if (!IsWindow(h)) return fail(3, "no such window");
    bool ok;
    LRESULT r = send_to(h, WM_SETTEXT, 0, (LPARAM)text.c_str(), &ok);
    if (!ok) return fail(1, "WM_SETTEXT failed");
    emit({"ok", dec(r)});
    return 0;
}

int cmd_cursor()
{
    POINT p;
    GetCursorPos(&p);
    HWND h = WindowFromPoint(p);
    emit({"cursor", dec(p.x), dec(p.y), hexh(h), hexh(h ? GetAncestor(h, GA_ROOT) : nullptr)});
    return 0;
}

int cmd_screen()
{
    RECT wa = {};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &wa, 0);
    emit({"screen", dec(GetSystemMetrics(SM_CXSCREEN)), dec(GetSystemMetrics(SM_CYSCREEN)),
          dec(wa.left), dec(wa.top), dec(wa.right), dec(wa.bottom), dec(GetACP()), dec(GetOEMCP()),
          dec(GetSystemMetrics(SM_CXSMICON)), dec(GetSystemMetrics(SM_CYSMICON))});
    return 0;
}

// Value of VXTAG in another process's environment, read from its PEB.
string process_tag(DWORD pid)
{
    HANDLE p = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid);
    if (!p) return "";
    string tag;
    PROCESS_BASIC_INFORMATION pbi = {};
    ULONG len = 0;
    if (NtQueryInformationProcess(p, ProcessBasicInformation, &pbi, sizeof pbi, &len) == 0 &&
        pbi.PebBaseAddress) {
        ULONG_PTR params = 0, env = 0;
        SIZE_T got = 0;
        // PEB.ProcessParameters, then RTL_USER_PROCESS_PARAMETERS.Environment (x64 layout)
        if (ReadProcessMemory(p, (char *)pbi.PebBaseAddress + 0x20, &params, sizeof params, &got) &&
            params &&
            ReadProcessMemory(p, (char *)params + 0x80, &env, sizeof env, &got) && env) {
            std::wstring block;
            const SIZE_T chunk = 4096;
            ULONG_PTR at = env;
            for (int pages = 0; pages < 32; ++pages) {
                SIZE_T n = chunk - (at % chunk);
                vector<wchar_t> buf(n / sizeof(wchar_t) + 1, 0);
                if (!ReadProcessMemory(p, (void *)at, buf.data(), n, &got) || !got) break;
                block.append(buf.data(), got / sizeof(wchar_t));
                at += got;
                if (block.find(std::wstring(L"\0\0", 2)) != std::wstring::npos) break;
            }
            const std::wstring key = L"VXTAG=";
            size_t pos = 0;
            while (pos < block.size()) {
                size_t end = block.find(L'\0', pos);
                if (end == std::wstring::npos || end == pos) break;
                std::wstring var = block.substr(pos, end - pos);
                if (var.compare(0, key.size(), key) == 0) {
                    std::wstring v = var.substr(key.size());
                    char out[512];
                    int n = WideCharToMultiByte(CP_ACP, 0, v.c_str(), (int)v.size(), out, sizeof out, nullptr, nullptr);
                    tag.assign(out, n > 0 ? n : 0);
                    break;
                }
                pos = end + 1;
            }
        }
    }
    CloseHandle(p);
    return tag;
}

int cmd_procs()
{
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snap == INVALID_HANDLE_VALUE) return fail(1, "CreateToolhelp32Snapshot failed");
    PROCESSENTRY32 pe = {};
    pe.dwSize = sizeof pe;
    for (BOOL ok = Process32First(snap, &pe); ok; ok = Process32Next(snap, &pe))
        emit({"proc", dec(pe.th32ProcessID), dec(pe.th32ParentProcessID), dec(pe.cntThreads),
              esc(pe.szExeFile), esc(process_tag(pe.th32ProcessID))});
    CloseHandle(snap);
    return 0;
}

int cmd_terminate(long long pid, long long code)
{
    HANDLE p = OpenProcess(PROCESS_TERMINATE, FALSE, (DWORD)pid);
    if (!p) return fail(3, "no such process");
    BOOL r = TerminateProcess(p, (UINT)code);
    CloseHandle(p);
    if (!r) return fail(1, "TerminateProcess failed");
    emit({"ok"});
    return 0;
}

// touch PATH: create (or truncate) a file, to see what this process may write
int cmd_touch(const string &path)
{
    HANDLE f = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) {
        DWORD e = GetLastError();
        emit({"error", dec(e)});
        return 1;
    }
    CloseHandle(f);
    emit({"ok"});
    return 0;
}

// urlsink FILE ARG...: appends one line per call, the arguments joined by tabs, to FILE;
// registered as a shell command it shows what the shell was asked to open
int cmd_urlsink(const vector<string> &a)
{
    if (a.size() < 3) return fail(2, "usage: urlsink FILE [ARG...]");
    string line;
    for (size_t i = 3; i < a.size(); ++i) {
        if (i > 3) line += '\t';
        line += esc(a[i]);
    }
    line += '\n';
    HANDLE f = CreateFileA(a[2].c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return fail(1, "cannot open " + a[2]);
    DWORD wrote = 0;
    WriteFile(f, line.data(), (DWORD)line.size(), &wrote, nullptr);
    CloseHandle(f);
    return 0;
}

// regmsg NAME: the number RegisterWindowMessage gives NAME
int cmd_regmsg(const string &name)
{
    UINT m = RegisterWindowMessageA(name.c_str());
    if (!m) return fail(1, "RegisterWindowMessage failed");
    emit({"msg", dec(m)});
    return 0;
}

// notifydelete HWND ID: removes a notification icon, whoever added it
int cmd_notifydelete(HWND h, long long id)
{
    NOTIFYICONDATAA nid = {};
    nid.cbSize = sizeof nid;
    nid.hWnd = h;
    nid.uID = (UINT)id;
    if (!Shell_NotifyIconA(NIM_DELETE, &nid)) return fail(1, "Shell_NotifyIcon(NIM_DELETE) failed");
    emit({"ok"});
    return 0;
}

// tooltips HWND: the tools of a tooltip control in another process. The tool record and
// its text buffer live in that process, as TTM_ENUMTOOLS is not marshalled.
int cmd_tooltips(HWND h)
{
    if (!IsWindow(h)) return fail(3, "no such window");
    DWORD pid = 0;
    GetWindowThreadProcessId(h, &pid);
    HANDLE p = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
    if (!p) return fail(1, "OpenProcess failed (error " + dec(GetLastError()) + ")");
    const SIZE_T textChars = 1024;
    const SIZE_T size = sizeof(TTTOOLINFOW) + textChars * sizeof(wchar_t);
    char *mem = (char *)VirtualAllocEx(p, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    if (!mem) { CloseHandle(p); return fail(1, "VirtualAllocEx failed"); }
    bool ok;
    LRESULT n = send_to(h, TTM_GETTOOLCOUNT, 0, 0, &ok);
    emit({"count", dec(ok ? n : -1)});
    for (LRESULT i = 0; ok && i < n; ++i) {
        TTTOOLINFOW ti = {};
        ti.cbSize = sizeof ti;
        ti.lpszText = (LPWSTR)(mem + sizeof ti);
        vector<wchar_t> text(textChars, 0);
        WriteProcessMemory(p, mem, &ti, sizeof ti, nullptr);
        WriteProcessMemory(p, mem + sizeof ti, text.data(), textChars * sizeof(wchar_t), nullptr);
        if (!send_to(h, TTM_ENUMTOOLSW, (WPARAM)i, (LPARAM)mem, &ok) || !ok) continue;
        SIZE_T got = 0;
        ReadProcessMemory(p, mem, &ti, sizeof ti, &got);
        ReadProcessMemory(p, mem + sizeof ti, text.data(), (textChars - 1) * sizeof(wchar_t), &got);
        string shown;
        if (ti.lpszText == (LPWSTR)(mem + sizeof ti)) {
            char abuf[4096];
            int k = WideCharToMultiByte(CP_ACP, 0, text.data(), (int)wcsnlen(text.data(), textChars - 1),
                                        abuf, sizeof abuf, nullptr, nullptr);
            shown.assign(abuf, k > 0 ? k : 0);
        }
        emit({"tool", dec(i), hexh(ti.hwnd), hexs((unsigned long long)ti.uId), hexs(ti.uFlags),
              dec(ti.rect.left), dec(ti.rect.top), dec(ti.rect.right), dec(ti.rect.bottom), esc(shown)});
    }
    VirtualFreeEx(p, mem, 0, MEM_RELEASE);
    CloseHandle(p);
    return 0;
}

// regsetfile KEY NAME TYPE PATH: like regset, the data read from a file (for data that
// does not fit a command line); SZ types get a terminating NUL
bool split_key(const string &path, HKEY *root, string *sub);

int cmd_regsetfile(const vector<string> &a)
{
    if (a.size() < 6) return fail(2, "usage: regsetfile KEY NAME TYPE PATH");
    HKEY root, k;
    string sub;
    if (!split_key(a[2], &root, &sub)) return fail(2, "unknown root key");
    const string &type = a[4];
    DWORD t;
    if (type == "REG_SZ") t = REG_SZ;
    else if (type == "REG_EXPAND_SZ") t = REG_EXPAND_SZ;
    else if (type == "REG_BINARY") t = REG_BINARY;
    else if (type == "REG_NONE") t = REG_NONE;
    else return fail(2, "unknown type " + type);
    HANDLE f = CreateFileA(a[5].c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return fail(1, "cannot open " + a[5]);
    vector<BYTE> data;
    BYTE buf[65536];
    DWORD got;
    while (ReadFile(f, buf, sizeof buf, &got, nullptr) && got) data.insert(data.end(), buf, buf + got);
    CloseHandle(f);
    if (t == REG_SZ || t == REG_EXPAND_SZ) data.push_back(0);
    LONG r = RegCreateKeyExA(root, sub.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &k, nullptr);
    if (r != ERROR_SUCCESS) return fail(1, "RegCreateKey failed (" + dec(r) + ")");
    r = RegSetValueExA(k, a[3].c_str(), 0, t, data.empty() ? nullptr : data.data(), (DWORD)data.size());
    RegCloseKey(k);
    if (r != ERROR_SUCCESS) return fail(1, "RegSetValueEx failed (" + dec(r) + ")");
    emit({"ok", dec((long long)data.size())});
    return 0;
}

// ---------------------------------------------------------------------------
// registry, byte-exact (reg.exe prints through the OEM code page)

bool split_key(const string &path, HKEY *root, string *sub)
{
    size_t bs = path.find('\\');
    string head = path.substr(0, bs);
    *sub = bs == string::npos ? string() : path.substr(bs + 1);
    for (auto &c : head) c = (char)toupper((unsigned char)c);
    if (head == "HKCU" || head == "HKEY_CURRENT_USER") *root = HKEY_CURRENT_USER;
    else if (head == "HKLM" || head == "HKEY_LOCAL_MACHINE") *root = HKEY_LOCAL_MACHINE;
    else if (head == "HKCR" || head == "HKEY_CLASSES_ROOT") *root = HKEY_CLASSES_ROOT;
    else if (head == "HKU" || head == "HKEY_USERS") *root = HKEY_USERS;
    else return false;
    return true;
}

const char *reg_type_name(DWORD t)
{
    switch (t) {
    case REG_NONE: return "REG_NONE";
    case REG_SZ: return "REG_SZ";
    case REG_EXPAND_SZ: return "REG_EXPAND_SZ";
    case REG_BINARY: return "REG_BINARY";
    case REG_DWORD: return "REG_DWORD";
    case REG_DWORD_BIG_ENDIAN: return "REG_DWORD_BIG_ENDIAN";
    case REG_MULTI_SZ: return "REG_MULTI_SZ";
    case REG_QWORD: return "REG_QWORD";
    default: return "REG_UNKNOWN";
    }
}

string hex_bytes(const BYTE *b, DWORD n)
{
    string out;
    char two[3];
    for (DWORD i = 0; i < n; ++i) {
        snprintf(two, sizeof two, "%02x", b[i]);
        out += two;
    }
    return out;
}

// regquery KEY: "key", then "value NAME TYPE SIZE DATA" and "subkey NAME" lines.
// Strings print as text (MULTI_SZ parts joined by \0 escapes), the rest as hex bytes
// except DWORD/QWORD which print as decimal.
int cmd_regquery(const string &path)
{
    HKEY root, k;
    string sub;
    if (!split_key(path, &root, &sub)) return fail(2, "unknown root key in " + path);
    LONG r = RegOpenKeyExA(root, sub.c_str(), 0, KEY_READ, &k);
    if (r != ERROR_SUCCESS) return fail(3, "key not found (" + dec(r) + ")");
    emit({"key", esc(path)});
    for (DWORD i = 0;; ++i) {
        char name[16384];
        DWORD nlen = sizeof name, type = 0, dlen = 0;
        r = RegEnumValueA(k, i, name, &nlen, nullptr, &type, nullptr, &dlen);
        if (r == ERROR_NO_MORE_ITEMS) break;
        if (r != ERROR_SUCCESS && r != ERROR_MORE_DATA) { RegCloseKey(k); return fail(1, "RegEnumValue failed"); }
        vector<BYTE> data(dlen + 2, 0);
        nlen = sizeof name;
        DWORD cap = dlen;
        r = RegEnumValueA(k, i, name, &nlen, nullptr, &type, data.data(), &cap);
        if (r != ERROR_SUCCESS) { RegCloseKey(k); return fail(1, "RegEnumValue failed"); }
        string shown;
        if (type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ) {
            size_t n = cap;
            while (n && data[n - 1] == 0) --n;
            for (size_t j = 0; j < n; ++j) {
                char c = (char)data[j];
                if (c == 0) shown += "\\0";
                else shown += esc(&c, 1);
            }
        } else if (type == REG_DWORD && cap == 4) {
            shown = dec(*(DWORD *)data.data());
        } else if (type == REG_QWORD && cap == 8) {
            shown = std::to_string(*(unsigned long long *)data.data());
        } else {
            shown = hex_bytes(data.data(), cap);
        }
        emit({"value", esc(string(name, nlen)), reg_type_name(type), dec(cap), shown});
    }
    for (DWORD i = 0;; ++i) {
        char name[1024];
        DWORD nlen = sizeof name;
        r = RegEnumKeyExA(k, i, name, &nlen, nullptr, nullptr, nullptr, nullptr);
        if (r != ERROR_SUCCESS) break;
        emit({"subkey", esc(string(name, nlen))});
    }
    RegCloseKey(k);
    return 0;
}

bool parse_hex_bytes(const string &s, vector<BYTE> *out)
{
    if (s.size() % 2) return false;
    for (size_t i = 0; i < s.size(); i += 2) {
        char two[3] = {s[i], s[i + 1], 0};
        char *end;
        long v = strtol(two, &end, 16);
        if (*end) return false;
        out->push_back((BYTE)v);
    }
    return true;
}

// regset KEY NAME TYPE [DATA...]: SZ/EXPAND_SZ text, MULTI_SZ one argument per string,
// DWORD/QWORD a number, BINARY/NONE hex digits. Creates the key if needed.
int cmd_regset(const vector<string> &a)
{
    if (a.size() < 5) return fail(2, "usage: regset KEY NAME TYPE [DATA...]");
    HKEY root, k;
    string sub;
    if (!split_key(a[2], &root, &sub)) return fail(2, "unknown root key");
    const string &name = a[3], &type = a[4];
    string d1 = a.size() > 5 ? a[5] : string();
    vector<BYTE> data;
    DWORD t;
    long long num = 0;
    if (type == "REG_SZ" || type == "REG_EXPAND_SZ") {
        t = type == "REG_SZ" ? REG_SZ : REG_EXPAND_SZ;
        data.assign(d1.begin(), d1.end());
        data.push_back(0);
    } else if (type == "REG_MULTI_SZ") {
        t = REG_MULTI_SZ;
        for (size_t i = 5; i < a.size(); ++i) {
            data.insert(data.end(), a[i].begin(), a[i].end());
            data.push_back(0);
        }
        data.push_back(0);
    } else if (type == "REG_DWORD" || type == "REG_QWORD") {
        if (!parse_num(d1.c_str(), &num)) return fail(2, "bad number");
        t = type == "REG_DWORD" ? REG_DWORD : REG_QWORD;
        size_t n = t == REG_DWORD ? 4 : 8;
        data.assign((BYTE *)&num, (BYTE *)&num + n);
    } else if (type == "REG_BINARY" || type == "REG_NONE") {
        t = type == "REG_BINARY" ? REG_BINARY : REG_NONE;
        if (!parse_hex_bytes(d1, &data)) return fail(2, "bad hex data");
    } else {
        return fail(2, "unknown type " + type);
    }
    LONG r = RegCreateKeyExA(root, sub.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &k, nullptr);
    if (r != ERROR_SUCCESS) return fail(1, "RegCreateKey failed (" + dec(r) + ")");
    r = RegSetValueExA(k, name.c_str(), 0, t, data.empty() ? nullptr : data.data(), (DWORD)data.size());
    RegCloseKey(k);
    if (r != ERROR_SUCCESS) return fail(1, "RegSetValueEx failed (" + dec(r) + ")");
    emit({"ok"});
    return 0;
}

// regdelete KEY [VALUE]: the whole tree, or one value. Missing is not an error.
int cmd_regdelete(const vector<string> &a)
{
    HKEY root;
    string sub;
    if (a.size() < 3 || !split_key(a[2], &root, &sub) || sub.empty())
        return fail(2, "usage: regdelete KEY [VALUE]");
    LONG r;
    if (a.size() > 3) {
        HKEY k;
        r = RegOpenKeyExA(root, sub.c_str(), 0, KEY_SET_VALUE, &k);
        if (r == ERROR_SUCCESS) {
            r = RegDeleteValueA(k, a[3].c_str());
            RegCloseKey(k);
        }
    } else {
        HKEY k;
        r = RegOpenKeyExA(root, sub.c_str(), 0, KEY_READ, &k);
        if (r == ERROR_SUCCESS) {
            RegCloseKey(k);
            // RegDeleteTree takes the key itself too when given a subkey name
            r = RegDeleteTreeA(root, sub.c_str());
            LONG again = RegDeleteKeyA(root, sub.c_str());
            if (r == ERROR_SUCCESS && again != ERROR_SUCCESS && again != ERROR_FILE_NOT_FOUND) r = again;
        }
    }
    if (r != ERROR_SUCCESS && r != ERROR_FILE_NOT_FOUND)
        return fail(1, "delete failed (" + dec(r) + ")");
    emit({"ok", r == ERROR_SUCCESS ? "deleted" : "absent"});
    return 0;
}

// ---------------------------------------------------------------------------
// owner mode

struct Owned {
    int index;
    HWND hwnd;
    HWND edit;
    HWND list;
    bool tray;
    vector<UINT> tray_events;   // mouse messages from the notification icon, newest last
    int hotkeys;                 // WM_HOTKEY received
    int last_hotkey;
};

struct Owner {
    string status_path;
    string commands_path;
    vector<Owned> windows;
    int next_index = 1;
    size_t done = 0;        // command lines executed so far
    long long seq = 0;
    bool quitting = false;
    string last_error;
} g_owner;

const char kOwnerClass[] = "VxOwnerWindow";
const int kEditId = 100;
const int kListId = 101;
const UINT kTrayMessage = WM_APP + 1;

Owned *owned(int index)
{
    for (auto &w : g_owner.windows)
        if (w.index == index && IsWindow(w.hwnd)) return &w;
    return nullptr;
}

Owned *owned_by_hwnd(HWND h)
{
    for (auto &w : g_owner.windows)
        if (w.hwnd == h) return &w;
    return nullptr;
}

bool tray_icon(Owned *w, DWORD op, const string &tip)
{
    NOTIFYICONDATAA nid = {};
    nid.cbSize = sizeof nid;
    nid.hWnd = w->hwnd;
    nid.uID = (UINT)w->index;
    nid.uFlags = NIF_ICON | NIF_MESSAGE | NIF_TIP;
    nid.uCallbackMessage = kTrayMessage;
    nid.hIcon = LoadIcon(nullptr, IDI_APPLICATION);
    lstrcpynA(nid.szTip, tip.c_str(), sizeof nid.szTip);
    return Shell_NotifyIconA(op, &nid) != FALSE;
}

LRESULT CALLBACK owner_proc(HWND h, UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_SIZE: {
        int cx = LOWORD(lp) > 8 ? LOWORD(lp) - 8 : 1;
        int cy = HIWORD(lp) > 40 ? HIWORD(lp) - 36 : 1;
        if (HWND edit = GetDlgItem(h, kEditId)) MoveWindow(edit, 4, 4, cx, 24, TRUE);
        if (HWND list = GetDlgItem(h, kListId)) MoveWindow(list, 4, 32, cx, cy, TRUE);
        break;
    }
    case WM_MEASUREITEM:
        ((MEASUREITEMSTRUCT *)lp)->itemHeight = 16;
        return TRUE;
    case WM_DRAWITEM: {
        DRAWITEMSTRUCT *d = (DRAWITEMSTRUCT *)lp;
        if (d->itemID == (UINT)-1) return TRUE;
        char text[kTextMax] = "";
        if (SendMessageA(d->hwndItem, LB_GETTEXTLEN, d->itemID, 0) < kTextMax)
            SendMessageA(d->hwndItem, LB_GETTEXT, d->itemID, (LPARAM)text);
        bool sel = d->itemState & ODS_SELECTED;
        FillRect(d->hDC, &d->rcItem, GetSysColorBrush(sel ? COLOR_HIGHLIGHT : COLOR_WINDOW));
        SetBkMode(d->hDC, TRANSPARENT);
        SetTextColor(d->hDC, GetSysColor(sel ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
        TextOutA(d->hDC, d->rcItem.left + 2, d->rcItem.top, text, (int)strlen(text));
        return TRUE;
    }
    case WM_SETFOCUS: {
        HWND edit = GetDlgItem(h, kEditId);
        if (edit) SetFocus(edit);
        return 0;
    }
    case kTrayMessage:
        if (Owned *w = owned_by_hwnd(h)) {
            w->tray_events.push_back((UINT)LOWORD(lp));
            if (w->tray_events.size() > 16) w->tray_events.erase(w->tray_events.begin());
        }
        return 0;
    case WM_HOTKEY:
        if (Owned *w = owned_by_hwnd(h)) {
            ++w->hotkeys;
            w->last_hotkey = (int)wp;
        }
        return 0;
    case WM_DESTROY:
        for (auto it = g_owner.windows.begin(); it != g_owner.windows.end(); ++it)
            if (it->hwnd == h) {
                if (it->tray) tray_icon(&*it, NIM_DELETE, "");
                g_owner.windows.erase(it);
                break;
            }
        return 0;
    }
    return DefWindowProcA(h, msg, wp, lp);
}

void open_window(const string &title)
{
    int index = g_owner.next_index++;
    RECT r = {0, 0, 200, 120};
    AdjustWindowRectEx(&r, WS_OVERLAPPEDWINDOW, FALSE, 0);
    int slot = (index - 1) % 16;
    int x = 40 + 24 * slot + 8 * ((index - 1) / 16 % 8);
    int y = 30 + 24 * slot;
    HWND h = CreateWindowExA(0, kOwnerClass, title.c_str(), WS_OVERLAPPEDWINDOW, x, y,
                             r.right - r.left, r.bottom - r.top, nullptr, nullptr,
                             GetModuleHandleA(nullptr), nullptr);
    if (!h) {
        g_owner.last_error = "CreateWindow failed";
        --g_owner.next_index;
        return;
    }
    HWND edit = CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", "", WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL,
                                4, 4, 192, 24, h, (HMENU)(INT_PTR)kEditId,
                                GetModuleHandleA(nullptr), nullptr);
    g_owner.windows.push_back({index, h, edit, nullptr, false, {}, 0, 0});
    ShowWindow(h, SW_SHOWNORMAL);
    UpdateWindow(h);
}

void write_status()
{
    string out;
    ++g_owner.seq;
    HWND fg = GetForegroundWindow();
    out += "owner\t" + dec(GetCurrentProcessId()) + "\t" + dec(g_owner.seq) + "\t" +
           dec((long long)g_owner.done) + "\t" + (g_owner.quitting ? "quit" : "run") + "\t" +
           esc(g_owner.last_error) + "\n";
    for (auto &w : g_owner.windows) {
        HWND h = w.hwnd;
        RECT r = {};
        GetWindowRect(h, &r);
        WINDOWPLACEMENT wp = {};
        wp.length = sizeof wp;
        GetWindowPlacement(h, &wp);
        char edit[kTextMax];
        int n = w.edit ? GetWindowTextA(w.edit, edit, sizeof edit) : 0;
        string events;
        for (UINT m : w.tray_events) {
            if (!events.empty()) events += ',';
            events += hexs(m);
        }
        vector<string> f = {"win", dec(w.index), hexh(h), dec(IsWindowVisible(h) ? 1 : 0),
                            dec(IsIconic(h) ? 1 : 0), dec(IsZoomed(h) ? 1 : 0),
                            dec(r.left), dec(r.top), dec(r.right), dec(r.bottom),
                            dec(wp.rcNormalPosition.left), dec(wp.rcNormalPosition.top),
                            dec(wp.rcNormalPosition.right), dec(wp.rcNormalPosition.bottom),
                            dec(wp.showCmd), dec(h == fg ? 1 : 0), dec(w.tray ? 1 : 0),
                            events.empty() ? "-" : events, dec(w.hotkeys), dec(w.last_hotkey),
                            esc(window_text(h)), esc(string(edit, n > 0 ? n : 0))};
        for (size_t i = 0; i < f.size(); ++i) {
            if (i) out += '\t';
            out += f[i];
        }
        out += '\n';
    }
    out += "end\n";

    string tmp = g_owner.status_path + ".tmp";
    HANDLE f = CreateFileA(tmp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return;
    DWORD wrote = 0;
    WriteFile(f, out.data(), (DWORD)out.size(), &wrote, nullptr);
    CloseHandle(f);
    MoveFileExA(tmp.c_str(), g_owner.status_path.c_str(), MOVEFILE_REPLACE_EXISTING);
}

int index_arg(const string &rest, string *tail)
{
    size_t sp = rest.find(' ');
    string num = rest.substr(0, sp);
    if (tail) *tail = sp == string::npos ? string() : rest.substr(sp + 1);
    long long v;
    return parse_num(num.c_str(), &v) ? (int)v : -1;
}

void run_command(const string &line)
{
    size_t sp = line.find(' ');
    string verb = line.substr(0, sp);
    string rest = sp == string::npos ? string() : line.substr(sp + 1);
    g_owner.last_error.clear();
    if (verb.empty()) return;
    if (verb == "open") { open_window(rest); return; }
    if (verb == "quit") { g_owner.quitting = true; return; }

    string tail;
    int index = index_arg(rest, &tail);
    Owned *w = owned(index);
    if (!w) {
        g_owner.last_error = "no window " + rest.substr(0, rest.find(' ')) + " for " + verb;
        return;
    }
    HWND h = w->hwnd;
    if (verb == "close") DestroyWindow(h);
    else if (verb == "retitle") SetWindowTextA(h, tail.c_str());
    else if (verb == "show") ShowWindow(h, SW_SHOW);
    else if (verb == "hide") ShowWindow(h, SW_HIDE);
    else if (verb == "minimize") ShowWindow(h, SW_MINIMIZE);
    else if (verb == "maximize") ShowWindow(h, SW_MAXIMIZE);
    else if (verb == "restore") ShowWindow(h, SW_RESTORE);
    else if (verb == "showcmd") {
        long long how;
        if (parse_num(tail.c_str(), &how)) ShowWindow(h, (int)how);
        else g_owner.last_error = "bad showcmd";
    } else if (verb == "activate") {
        if (IsIconic(h)) ShowWindow(h, SW_RESTORE);
        SetForegroundWindow(h);
        SetActiveWindow(h);
    } else if (verb == "move") {
        long long x, y, cx, cy;
        char a[32], b[32], c[32], d[32];
        if (sscanf(tail.c_str(), "%31s %31s %31s %31s", a, b, c, d) == 4 && parse_num(a, &x) &&
            parse_num(b, &y) && parse_num(c, &cx) && parse_num(d, &cy))
            MoveWindow(h, (int)x, (int)y, (int)cx, (int)cy, TRUE);
        else
            g_owner.last_error = "bad move";
    } else if (verb == "type") {
        SetWindowTextA(w->edit, tail.c_str());
    } else if (verb == "listbox") {
        // listbox I [EXTRA-STYLE]: a list box under the edit, e.g. 0x50 for owner-drawn with strings
        long long extra = 0;
        if (!tail.empty() && !parse_num(tail.c_str(), &extra)) {
            g_owner.last_error = "bad listbox style";
        } else {
            if (w->list) DestroyWindow(w->list);
            RECT c;
            GetClientRect(h, &c);
            w->list = CreateWindowExA(WS_EX_CLIENTEDGE, "LISTBOX", "",
                                      WS_CHILD | WS_VISIBLE | WS_VSCROLL | LBS_NOTIFY |
                                          LBS_NOINTEGRALHEIGHT | (DWORD)extra,
                                      4, 32, c.right - 8, c.bottom - 36, h,
                                      (HMENU)(INT_PTR)kListId, GetModuleHandleA(nullptr), nullptr);
        }
    } else if (verb == "additem" || verb == "select") {
        if (!w->list) g_owner.last_error = "no listbox in window";
        else if (verb == "additem") SendMessageA(w->list, LB_ADDSTRING, 0, (LPARAM)tail.c_str());
        else {
            long long n;
            if (parse_num(tail.c_str(), &n)) SendMessageA(w->list, LB_SETCURSEL, (WPARAM)n, 0);
            else g_owner.last_error = "bad select";
        }
    } else if (verb == "trayicon") {
        if (w->tray) tray_icon(w, NIM_DELETE, "");
        w->tray = tray_icon(w, NIM_ADD, tail);
        if (!w->tray) g_owner.last_error = "Shell_NotifyIcon failed";
    } else if (verb == "untray") {
        if (w->tray) tray_icon(w, NIM_DELETE, "");
        w->tray = false;
    } else if (verb == "hotkey" || verb == "unhotkey") {
        // hotkey I ID MODS VK / unhotkey I ID
        long long id = 0, mods = 0, vk = 0;
        char a[32] = "", b[32] = "", c[32] = "";
        int got = sscanf(tail.c_str(), "%31s %31s %31s", a, b, c);
        bool ok = got >= 1 && parse_num(a, &id);
        if (verb == "hotkey") {
            ok = ok && got == 3 && parse_num(b, &mods) && parse_num(c, &vk) &&
                 RegisterHotKey(h, (int)id, (UINT)mods, (UINT)vk);
        } else {
            ok = ok && UnregisterHotKey(h, (int)id);
        }
        if (!ok) g_owner.last_error = verb + " failed (error " + dec(GetLastError()) + ")";
    } else {
        g_owner.last_error = "unknown command " + verb;
    }
}

void poll_commands()
{
    HANDLE f = CreateFileA(g_owner.commands_path.c_str(), GENERIC_READ,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return;
    string data;
    char buf[8192];
    DWORD got;
    while (ReadFile(f, buf, sizeof buf, &got, nullptr) && got) data.append(buf, got);
    CloseHandle(f);

    // only whole lines count; a line still being written waits for the next poll
    size_t line_no = 0, pos = 0;
    bool ran = false;
    while (!g_owner.quitting) {
        size_t nl = data.find('\n', pos);
        if (nl == string::npos) break;
        string line = data.substr(pos, nl - pos);
        pos = nl + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line_no++ < g_owner.done) continue;
        run_command(line);
        ++g_owner.done;
        ran = true;
    }
    if (ran) write_status();
}

int owner_main(const vector<string> &a)
{
    vector<string> titles;
    long long count = 0;
    string format = "Window %d";
    for (size_t i = 2; i < a.size(); ++i) {
        const string &k = a[i];
        bool has = i + 1 < a.size();
        if (k == "--status" && has) g_owner.status_path = a[++i];
        else if (k == "--commands" && has) g_owner.commands_path = a[++i];
        else if (k == "--title" && has) titles.push_back(a[++i]);
        else if (k == "--count" && has && parse_num(a[i + 1].c_str(), &count)) ++i;
        else if (k == "--title-format" && has) format = a[++i];
        else return fail(2, "owner: bad argument " + k);
    }
    if (g_owner.status_path.empty())
        return fail(2, "usage: owner --status FILE [--commands FILE] [--title T]... "
                       "[--count N --title-format FMT]");

    WNDCLASSA wc = {};
    wc.lpfnWndProc = owner_proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hIcon = LoadIcon(nullptr, IDI_APPLICATION);
    wc.hbrBackground = (HBRUSH)(COLOR_WINDOW + 1);
    wc.lpszClassName = kOwnerClass;
    if (!RegisterClassA(&wc)) return fail(1, "RegisterClass failed");

    for (auto &t : titles) open_window(t);
    for (long long i = 1; i <= count; ++i) {
        string t = format;
        size_t at = t.find("%d");
        if (at != string::npos) t.replace(at, 2, dec(i));
        open_window(t);
    }
    write_status();

    SetTimer(nullptr, 0, 50, nullptr);
    int ticks = 0;
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (msg.message == WM_TIMER && msg.hwnd == nullptr) {
            if (!g_owner.commands_path.empty()) poll_commands();
            if (g_owner.quitting) break;
            if (++ticks % 2 == 0) write_status();
            continue;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    while (!g_owner.windows.empty()) {
        HWND h = g_owner.windows.back().hwnd;
        DestroyWindow(h);
        if (!g_owner.windows.empty() && g_owner.windows.back().hwnd == h)
            g_owner.windows.pop_back();
    }
    write_status();
    return 0;
}

int usage()
{
    fprintf(stderr,
            "usage: vxtool COMMAND ...\n"
            "  list | find TITLE | find --class CLASS [TITLE] | info HWND | rect HWND\n"
            "  client HWND | children HWND [--all] | sysmenu HWND [--inject] | menu HWND | foreground\n"
            "  post|send HWND MSG WPARAM LPARAM | listbox HWND | showwindow HWND N\n"
            "  setforeground HWND | gettext HWND | settext HWND TEXT | cursor | screen\n"
            "  procs | terminate PID [CODE] | touch PATH | urlsink FILE [ARG...] | regmsg NAME\n"
            "  popupmenu HWND | tooltips HWND | notifydelete HWND ID\n"
            "  regquery KEY | regset KEY NAME TYPE [DATA...] | regsetfile KEY NAME TYPE PATH\n"
            "  regdelete KEY [VALUE]\n"
            "  owner --status FILE [--commands FILE] [--title T]... [--count N --title-format F]\n");
    return 2;
}

} // namespace

int main()
{
    _setmode(_fileno(stdout), _O_BINARY);
    vector<string> a = split_command_line(GetCommandLineA());
    if (a.size() < 2) return usage();
    const string &c = a[1];
    HWND h = nullptr;
    bool has_h = a.size() > 2 && parse_hwnd(a[2].c_str(), &h);
    long long n = 0;
    int rc;

    if (c == "list") rc = cmd_list(a);
    else if (c == "find") rc = cmd_find(a);
    else if (c == "foreground") rc = cmd_foreground();
    else if (c == "post" || c == "send") rc = cmd_message(a, c == "send");
    else if (c == "cursor") rc = cmd_cursor();
    else if (c == "screen") rc = cmd_screen();
    else if (c == "procs") rc = cmd_procs();
    else if (c == "owner") rc = owner_main(a);
    else if (c == "regquery" && a.size() > 2) rc = cmd_regquery(a[2]);
    else if (c == "regset") rc = cmd_regset(a);
    else if (c == "touch" && a.size() > 2) rc = cmd_touch(a[2]);
    else if (c == "urlsink") rc = cmd_urlsink(a);
    else if (c == "regmsg" && a.size() > 2) rc = cmd_regmsg(a[2]);
    else if (c == "regsetfile") rc = cmd_regsetfile(a);
    else if (c == "regdelete") rc = cmd_regdelete(a);
    else if (c == "terminate") {
        long long code = 1;
        if (a.size() < 3 || !parse_num(a[2].c_str(), &n) ||
            (a.size() > 3 && !parse_num(a[3].c_str(), &code)))
            return usage();
        rc = cmd_terminate(n, code);
    } else if (!has_h) {
        return usage();
    } else if (c == "info") rc = cmd_info(h);
    else if (c == "rect") rc = cmd_rect(h);
    else if (c == "client") rc = cmd_client(h);
    else if (c == "children") rc = cmd_children(a, h);
    else if (c == "sysmenu") rc = a.size() > 3 && a[3] == "--inject" ? cmd_menu_inject(h, 0) : cmd_sysmenu(h);
    else if (c == "popupmenu") rc = cmd_menu_inject(h, 1);
    else if (c == "menu") rc = cmd_menu(h);
    else if (c == "listbox") rc = cmd_listbox(h);
    else if (c == "tooltips") rc = cmd_tooltips(h);
    else if (c == "notifydelete" && a.size() > 3 && parse_num(a[3].c_str(), &n)) rc = cmd_notifydelete(h, n);
    else if (c == "setforeground") rc = cmd_setforeground(h);
    else if (c == "gettext") rc = cmd_gettext(h);
    else if (c == "settext" && a.size() > 3) rc = cmd_settext(h, a[3]);
    else if (c == "showwindow" && a.size() > 3 && parse_num(a[3].c_str(), &n))
        rc = cmd_showwindow(h, n);
    else return usage();
    fflush(stdout);
    return rc;
}

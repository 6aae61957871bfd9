// vxtool: the end-to-end tests' own Win32 helper. Its probe commands look at
// windows of other processes and print records (see output.h); owner mode
// opens windows for the tests to act on (see owner.h). This file reads the
// command line and hands it to the command it names.
#include <windows.h>
#include <fcntl.h>
#include <io.h>

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "command_line.h"
#include "menus.h"
#include "output.h"
#include "owner.h"
#include "processes.h"
#include "registry.h"
#include "shell.h"
#include "window_probes.h"

namespace vxtool {

namespace {

int Usage() {
  std::fprintf(stderr,
               "usage: vxtool COMMAND ...\n"
               "  list | find TITLE | find --class CLASS [TITLE] | info HWND | rect HWND\n"
               "  client HWND | children HWND [--all] | sysmenu HWND [--inject] | menu HWND | foreground\n"
               "  post|notify HWND MSG WPARAM LPARAM [MSG WPARAM LPARAM]... | send HWND MSG WPARAM LPARAM\n"
               "  listbox HWND | listwatch HWND MS [EVERY]\n"
               "  showwatch CLASS TITLE MS\n"
               "  showwindow HWND N | setpos HWND SWP-FLAGS [AFTER] | setstyle HWND STYLE | setforeground HWND | gettext HWND | settext HWND TEXT|--utf8 HEX|--utf16 HEX | cursor | screen\n"
               "  procs | terminate PID [CODE] | touch PATH | urlsink FILE [ARG...] | regmsg NAME\n"
               "  popupmenu HWND | windowicons HWND | tooltips HWND | notifydelete HWND ID\n"
               "  messagebox FLAGS CAPTION TEXT | startupfolder | shortcut PATH\n"
               "  regquery KEY | regtext KEY NAME | regset KEY NAME TYPE [DATA...] | regsetfile KEY NAME TYPE PATH\n"
               "  regdelete KEY [VALUE]\n"
               "  regaccess KEY SDDL\n"
               "  setprop HWND NAME VALUE | drawitem HWND TYPE CTLID ITEM ITEMHWND\n"
               "  owner --status FILE [--commands FILE] [--title T]... [--count N --title-format F]\n");
  return kExitUsage;
}

using Args = std::vector<std::string>;

// The handlers below adapt each command's arguments to its function; a
// missing or malformed argument is a usage error. `a` holds the program
// name, the command and its arguments.

template <int (*Command)()>
int NoArguments(const Args&) {
  return Command();
}

template <int (*Command)(const std::string&)>
int OneArgument(const Args& a) {
  return a.size() > 2 ? Command(a[2]) : Usage();
}

bool WindowArgument(const Args& a, HWND* window) { return a.size() > 2 && ParseHwnd(a[2].c_str(), window); }

template <int (*Command)(HWND)>
int OnWindow(const Args& a) {
  HWND window;
  return WindowArgument(a, &window) ? Command(window) : Usage();
}

template <int (*Command)(HWND, long long)>
int OnWindowWithNumber(const Args& a) {
  HWND window;
  long long number;
  return WindowArgument(a, &window) && a.size() > 3 && ParseNumber(a[3].c_str(), &number) ? Command(window, number)
                                                                                          : Usage();
}

// setpos HWND FLAGS [AFTER]: AFTER is the window to go below, HWND_TOP without it
int SetPos(const Args& a) {
  HWND window, after = nullptr;
  long long flags;
  if (!WindowArgument(a, &window) || a.size() < 4 || !ParseNumber(a[3].c_str(), &flags) ||
      (a.size() > 4 && !ParseHwnd(a[4].c_str(), &after))) {
    return Usage();
  }
  return CmdSetPos(window, flags, after);
}

int Post(const Args& a) { return CmdMessage(a, Delivery::kPost); }

int Send(const Args& a) { return CmdMessage(a, Delivery::kSend); }

int Notify(const Args& a) { return CmdMessage(a, Delivery::kNotify); }

int Terminate(const Args& a) {
  long long pid = 0, code = 1;
  if (a.size() < 3 || !ParseNumber(a[2].c_str(), &pid) || (a.size() > 3 && !ParseNumber(a[3].c_str(), &code))) {
    return Usage();
  }
  return CmdTerminate(pid, code);
}

int Children(const Args& a) {
  HWND window;
  return WindowArgument(a, &window) ? CmdChildren(a, window) : Usage();
}

int SysMenu(const Args& a) {
  HWND window;
  return WindowArgument(a, &window) ? CmdSysMenu(window, a.size() > 3 && a[3] == "--inject") : Usage();
}

int SetText(const Args& a) {
  HWND window;
  if (!WindowArgument(a, &window) || a.size() < 4) return Usage();
  if (a[3] != "--utf8" && a[3] != "--utf16") return CmdSetText(window, a[3], false);
  std::string bytes;
  if (a.size() < 5 || !BytesFromHex(a[4], &bytes)) return Usage();
  if (a[3] == "--utf8") return CmdSetText(window, bytes, true);
  // little-endian units, as Python's "utf-16-le" with "surrogatepass" writes them
  if (bytes.size() % 2 != 0) return Usage();
  std::wstring units;
  for (size_t i = 0; i < bytes.size(); i += 2) {
    units.push_back(static_cast<wchar_t>(static_cast<unsigned char>(bytes[i]) |
                                         static_cast<unsigned char>(bytes[i + 1]) << 8));
  }
  return CmdSetWideText(window, units);
}

int SetProp(const Args& a) {
  HWND window;
  long long value;
  return WindowArgument(a, &window) && a.size() > 4 && ParseNumber(a[4].c_str(), &value)
             ? CmdSetProp(window, a[3], value)
             : Usage();
}

int DrawItem(const Args& a) {
  HWND window, item;
  std::vector<long long> fields(3);
  if (!WindowArgument(a, &window) || a.size() < 7 || !ParseHwnd(a[6].c_str(), &item)) return Usage();
  for (size_t i = 0; i < fields.size(); ++i) {
    if (!ParseNumber(a[3 + i].c_str(), &fields[i])) return Usage();
  }
  return CmdDrawItem(window, fields, item);
}

int ListWatch(const Args& a) {
  HWND window;
  long long duration, every = 10;
  if (!WindowArgument(a, &window) || a.size() < 4 || !ParseNumber(a[3].c_str(), &duration) ||
      (a.size() > 4 && (!ParseNumber(a[4].c_str(), &every) || every < 0))) {
    return Usage();
  }
  return CmdListWatch(window, duration, every);
}

int ShowWatch(const Args& a) {
  long long duration;
  return a.size() > 4 && ParseNumber(a[4].c_str(), &duration) ? CmdShowWatch(a[2], a[3], duration) : Usage();
}

struct Command {
  std::string_view name;
  int (*run)(const Args& a);
};

constexpr Command kCommands[] = {
    {"list", NoArguments<CmdList>},
    {"find", CmdFind},
    {"foreground", NoArguments<CmdForeground>},
    {"post", Post},
    {"send", Send},
    {"notify", Notify},
    {"cursor", NoArguments<CmdCursor>},
    {"screen", NoArguments<CmdScreen>},
    {"procs", NoArguments<CmdProcs>},
    {"owner", CmdOwner},
    {"regquery", OneArgument<CmdRegQuery>},
    {"regtext", CmdRegText},
    {"regset", CmdRegSet},
    {"regsetfile", CmdRegSetFile},
    {"regdelete", CmdRegDelete},
    {"regaccess", CmdRegAccess},
    {"touch", OneArgument<CmdTouch>},
    {"urlsink", CmdUrlSink},
    {"messagebox", CmdMessageBox},
    {"startupfolder", NoArguments<CmdStartupFolder>},
    {"shortcut", OneArgument<CmdShortcut>},
    {"regmsg", OneArgument<CmdRegMsg>},
    {"terminate", Terminate},
    {"info", OnWindow<CmdInfo>},
    {"rect", OnWindow<CmdRect>},
    {"client", OnWindow<CmdClient>},
    {"children", Children},
    {"sysmenu", SysMenu},
    {"popupmenu", OnWindow<CmdPopupMenu>},
    {"windowicons", OnWindow<CmdWindowIcons>},
    {"menu", OnWindow<CmdMenu>},
    {"listbox", OnWindow<CmdListBox>},
    {"listwatch", ListWatch},
    {"showwatch", ShowWatch},
    {"tooltips", OnWindow<CmdTooltips>},
    {"notifydelete", OnWindowWithNumber<CmdNotifyDelete>},
    {"setforeground", OnWindow<CmdSetForeground>},
    {"gettext", OnWindow<CmdGetText>},
    {"settext", SetText},
    {"setprop", SetProp},
    {"drawitem", DrawItem},
    {"showwindow", OnWindowWithNumber<CmdShowWindow>},
    {"setpos", SetPos},
    {"setstyle", OnWindowWithNumber<CmdSetStyle>},
};

int Run(const Args& a) {
  if (a.size() < 2) return Usage();
  auto command =
      std::find_if(std::begin(kCommands), std::end(kCommands), [&](const Command& c) { return c.name == a[1]; });
  if (command == std::end(kCommands)) return Usage();
  int rc = command->run(a);
  std::fflush(stdout);
  return rc;
}

}  // namespace

}  // namespace vxtool

int main() {
  // Records carry their own line ends; no CR may slip in.
  _setmode(_fileno(stdout), _O_BINARY);
  return vxtool::Run(vxtool::SplitCommandLine(::GetCommandLineA()));
}

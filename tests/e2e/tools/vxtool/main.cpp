// vxtool: the end-to-end tests' own Win32 helper. Its probe commands look at
// windows of other processes and print records (see output.h); owner mode
// opens windows for the tests to act on (see owner.h). This file reads the
// command line and hands it to the command it names.
#include <windows.h>
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <string>
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
               "  post|send HWND MSG WPARAM LPARAM | listbox HWND | showwindow HWND N\n"
               "  setforeground HWND | gettext HWND | settext HWND TEXT | cursor | screen\n"
               "  procs | terminate PID [CODE] | touch PATH | urlsink FILE [ARG...] | regmsg NAME\n"
               "  popupmenu HWND | windowicons HWND | tooltips HWND | notifydelete HWND ID\n"
               "  messagebox FLAGS CAPTION TEXT\n"
               "  regquery KEY | regset KEY NAME TYPE [DATA...] | regsetfile KEY NAME TYPE PATH\n"
               "  regdelete KEY [VALUE]\n"
               "  owner --status FILE [--commands FILE] [--title T]... [--count N --title-format F]\n");
  return kExitUsage;
}

// `a` holds the program name, the command and its arguments.
int Run(const std::vector<std::string>& a) {
  if (a.size() < 2) return Usage();
  const std::string& c = a[1];
  HWND h = nullptr;
  bool hasWindow = a.size() > 2 && ParseHwnd(a[2].c_str(), &h);
  long long n = 0;
  int rc;

  // The commands that take no window first; then every other one needs one.
  if (c == "list") {
    rc = CmdList();
  } else if (c == "find") {
    rc = CmdFind(a);
  } else if (c == "foreground") {
    rc = CmdForeground();
  } else if (c == "post" || c == "send") {
    rc = CmdMessage(a, c == "send");
  } else if (c == "cursor") {
    rc = CmdCursor();
  } else if (c == "screen") {
    rc = CmdScreen();
  } else if (c == "procs") {
    rc = CmdProcs();
  } else if (c == "owner") {
    rc = CmdOwner(a);
  } else if (c == "regquery" && a.size() > 2) {
    rc = CmdRegQuery(a[2]);
  } else if (c == "regset") {
    rc = CmdRegSet(a);
  } else if (c == "touch" && a.size() > 2) {
    rc = CmdTouch(a[2]);
  } else if (c == "urlsink") {
    rc = CmdUrlSink(a);
  } else if (c == "messagebox") {
    rc = CmdMessageBox(a);
  } else if (c == "regmsg" && a.size() > 2) {
    rc = CmdRegMsg(a[2]);
  } else if (c == "regsetfile") {
    rc = CmdRegSetFile(a);
  } else if (c == "regdelete") {
    rc = CmdRegDelete(a);
  } else if (c == "terminate") {
    long long code = 1;
    if (a.size() < 3 || !ParseNumber(a[2].c_str(), &n) || (a.size() > 3 && !ParseNumber(a[3].c_str(), &code))) {
      return Usage();
    }
    rc = CmdTerminate(n, code);
  } else if (!hasWindow) {
    return Usage();
  } else if (c == "info") {
    rc = CmdInfo(h);
  } else if (c == "rect") {
    rc = CmdRect(h);
  } else if (c == "client") {
    rc = CmdClient(h);
  } else if (c == "children") {
    rc = CmdChildren(a, h);
  } else if (c == "sysmenu") {
    rc = CmdSysMenu(h, a.size() > 3 && a[3] == "--inject");
  } else if (c == "popupmenu") {
    rc = CmdPopupMenu(h);
  } else if (c == "windowicons") {
    rc = CmdWindowIcons(h);
  } else if (c == "menu") {
    rc = CmdMenu(h);
  } else if (c == "listbox") {
    rc = CmdListBox(h);
  } else if (c == "tooltips") {
    rc = CmdTooltips(h);
  } else if (c == "notifydelete" && a.size() > 3 && ParseNumber(a[3].c_str(), &n)) {
    rc = CmdNotifyDelete(h, n);
  } else if (c == "setforeground") {
    rc = CmdSetForeground(h);
  } else if (c == "gettext") {
    rc = CmdGetText(h);
  } else if (c == "settext" && a.size() > 3) {
    rc = CmdSetText(h, a[3]);
  } else if (c == "showwindow" && a.size() > 3 && ParseNumber(a[3].c_str(), &n)) {
    rc = CmdShowWindow(h, n);
  } else {
    return Usage();
  }
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

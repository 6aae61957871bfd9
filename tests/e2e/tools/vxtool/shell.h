// The commands that stand in for, or act on, the shell: a sink for the
// documents it is asked to open, removing a notification icon, a message
// box to hold other programs' boxes against, and the Startup folder's
// shortcuts.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace vxtool {

// urlsink FILE ARG...: appends one line per call, the arguments joined by
// tabs, to FILE; registered as a shell command it shows what the shell was
// asked to open.
int CmdUrlSink(const std::vector<std::string>& args);
// notifydelete HWND ID: removes a notification icon, whoever added it.
int CmdNotifyDelete(HWND window, long long id);
// messagebox FLAGS CAPTION TEXT: shows a message box and prints the button
// that ended it.
int CmdMessageBox(const std::vector<std::string>& args);
// startupfolder: prints the user's Startup folder (UTF-8).
int CmdStartupFolder();
// shortcut PATH: prints the target and the working directory of a shell
// link (UTF-8), as the Shell's link object reads them.
int CmdShortcut(const std::string& path);

}  // namespace vxtool

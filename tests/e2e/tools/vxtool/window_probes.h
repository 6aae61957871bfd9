// The commands that look at windows of other processes, or act on them from
// outside: their records, texts, list boxes and tooltips, messages sent to
// them, and the screen and cursor they sit under.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace vxtool {

// list: every top-level window, in Z-order.
int CmdList();
// find TITLE | find --class CLASS [TITLE]
int CmdFind(const std::vector<std::string>& args);
// info HWND: the window record, its placement and its client area.
int CmdInfo(HWND window);
int CmdRect(HWND window);
int CmdClient(HWND window);
// children HWND [--all]: direct children, or the whole tree.
int CmdChildren(const std::vector<std::string>& args, HWND window);
int CmdForeground();
int CmdCursor();
int CmdScreen();

int CmdGetText(HWND window);
// With `utf8` the text is UTF-8 and goes as UTF-16, so any script arrives.
int CmdSetText(HWND window, const std::string& text, bool utf8);
// The text as UTF-16 units, any of them, halves of a pair alone included.
int CmdSetWideText(HWND window, const std::wstring& text);
int CmdShowWindow(HWND window, long long how);
int CmdSetForeground(HWND window);
// setpos HWND FLAGS: SetWindowPos with these SWP_ flags (no move, size or
// Z-order of its own: give SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER for none).
int CmdSetPos(HWND window, long long flags, HWND after);
// setstyle HWND STYLE: the window's style, set from outside; prints the one before.
int CmdSetStyle(HWND window, long long style);
// post|send HWND MSG WPARAM LPARAM
enum class Delivery { kPost, kSend, kNotify };
int CmdMessage(const std::vector<std::string>& args, Delivery delivery);
// setprop HWND NAME VALUE: a window property, on a window of any process.
int CmdSetProp(HWND window, const std::string& name, long long value);
// drawitem HWND TYPE CTLID ITEM ITEMHWND: a forged owner-draw request, sent
// as a parent receives it; "result R", or a failure when no answer came.
int CmdDrawItem(HWND window, const std::vector<long long>& fields, HWND item);
// regmsg NAME: the number RegisterWindowMessage gives NAME.
int CmdRegMsg(const std::string& name);

int CmdListBox(HWND listBox);
// listwatch HWND MS [EVERY]: the list box's texts, looked at every EVERY ms
// (10 by default) for MS ms from this one process, so that how fast
// processes start does not set how often it is looked at. "seen T TEXT"
// for each text the first time it is there, T in ms from the start; then
// "watched SAMPLES T".
int CmdListWatch(HWND listBox, long long duration, long long every);
// showwatch CLASS TITLE MS: "ready" at once, then waits for a window of that
// class and title to exist and watches whether it is visible, every few ms,
// for MS ms from when it was found: "shown T" and "hidden T" at each change,
// T in ms from then; "watched SAMPLES T" at the end, or a failure when no
// such window came within MS ms.
int CmdShowWatch(const std::string& className, const std::string& title, long long duration);
// tooltips HWND: the tools of a tooltip control of any process.
int CmdTooltips(HWND tooltip);

}  // namespace vxtool

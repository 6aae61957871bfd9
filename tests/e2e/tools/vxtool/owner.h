// Owner mode: ordinary top-level windows for the tests to act on. The
// process reports the state of its windows to a status file and takes
// orders, one a line, from a commands file that only ever grows.
//
// Windows are numbered from 1 in order of creation; numbers are never
// reused. Commands: open T, close I, retitle I T, retitle-every I MS FORMAT
// (the window renames itself on a timer), show/hide/minimize/maximize/
// restore/activate I, showcmd I N, move I X Y W H, type I TEXT, listbox I
// [STYLE], additem I TEXT, select I N, trayicon I [TIP], untray I,
// hotkey I ID MODS VK, unhotkey I ID, quit; and openthread T, a window on a
// thread of its own, which stall I makes stop answering (alive, but taking
// no messages) until wake I.
#pragma once

#include <string>
#include <vector>

namespace vxtool {

// owner --status FILE [--commands FILE] [--title T]... [--count N --title-format FMT]
int CmdOwner(const std::vector<std::string>& args);

}  // namespace vxtool

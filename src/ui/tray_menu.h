// What the tray menu holds, and which window each of its window items names.
#pragma once

#include <string>
#include <vector>

#include "core/hidden_window_table.h"

namespace velumix {

struct TrayMenuItem {
  enum class Kind { Window, Command, Separator };
  Kind kind;
  unsigned command;  // 0 for a separator
  std::string text;
  bool checked;  // a window item whose window is shown
};

class TrayMenuModel {
 public:
  // The items for the table as it stands, in menu order; remembers which
  // window each window item names.
  std::vector<TrayMenuItem> Build(const HiddenWindowTable& table);

  // The table index a window command (150 + slot) must act on now: the
  // entry of the window its menu item named, wherever a refresh has moved
  // it; -1 when that window is no longer tracked or the slot named none.
  // Before any menu was built the slot is taken as it stands.
  int ResolveWindowCommand(const HiddenWindowTable& table, unsigned command) const;

 private:
  bool m_built = false;
  int m_windowCount = 0;
  WindowId m_named[kTableSlots] = {};
};

}  // namespace velumix

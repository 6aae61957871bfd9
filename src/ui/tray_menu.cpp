#include "ui/tray_menu.h"

namespace velumix {

namespace {

// Commands of the main dialog that the menu offers.
constexpr unsigned kCommandExit = 2;
constexpr unsigned kCommandConfigure = 10;
constexpr unsigned kCommandLock = 104;
constexpr unsigned kCommandHideAll = 105;
constexpr unsigned kCommandShowAll = 106;

}  // namespace

std::vector<TrayMenuItem> TrayMenuModel::Build(const HiddenWindowTable& table) {
  std::vector<TrayMenuItem> items;
  items.reserve(static_cast<size_t>(table.count()) + 8);
  m_windowCount = table.count();
  for (int i = 0; i < table.count(); ++i) {
    m_named[i] = table[i].hwnd;
    items.push_back({TrayMenuItem::Kind::Window, kWindowCommandFirst + static_cast<unsigned>(i), table[i].title,
                     table[i].hidden == 0});
  }
  m_built = true;

  auto separator = [&] { items.push_back({TrayMenuItem::Kind::Separator, 0, {}, false}); };
  auto command = [&](unsigned id, const char* text) {
    items.push_back({TrayMenuItem::Kind::Command, id, text, false});
  };
  separator();
  command(kCommandShowAll, "Show all");
  command(kCommandHideAll, "Hide all");
  command(kCommandLock, "Lock with password");
  separator();
  command(kCommandConfigure, "Configure Velumix");
  command(kCommandExit, "Exit");
  return items;
}

int TrayMenuModel::ResolveWindowCommand(const HiddenWindowTable& table, unsigned command) const {
  if (command < kWindowCommandFirst || command > kWindowCommandLast) return -1;
  int slot = static_cast<int>(command - kWindowCommandFirst);
  if (!m_built) return table.IsInUse(slot) ? slot : -1;
  if (slot >= m_windowCount) return -1;
  return table.Find(m_named[slot]);
}

}  // namespace velumix

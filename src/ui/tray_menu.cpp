#include "ui/tray_menu.h"

#include "resource.h"

namespace velumix {

namespace {

// The menu's Exit is the dialog's Cancel command (IDCANCEL).
constexpr unsigned kCommandExit = 2;

// A menu reads "&" as the mark of the next character's key and a tab as the
// start of a second column; a title is shown as it is, a tab as a space.
std::string MenuText(const char* title) {
  std::string text;
  for (const char* c = title; *c != '\0'; ++c) {
    switch (*c) {
      case '&': text += "&&"; break;
      case '\t': text += ' '; break;
      default: text += *c; break;
    }
  }
  return text;
}

}  // namespace

std::vector<TrayMenuItem> TrayMenuModel::Build(const HiddenWindowTable& table) {
  std::vector<TrayMenuItem> items;
  items.reserve(static_cast<size_t>(table.count()) + 8);
  m_windowCount = table.count();
  for (int i = 0; i < table.count(); ++i) {
    m_named[i] = table[i].hwnd;
    items.push_back({TrayMenuItem::Kind::Window, ID_TRAY_WINDOW_FIRST + static_cast<unsigned>(i), MenuText(table[i].title),
                     table[i].hidden == 0});
  }
  m_built = true;

  auto separator = [&] { items.push_back({TrayMenuItem::Kind::Separator, 0, {}, false}); };
  auto command = [&](unsigned id, const char* text) {
    items.push_back({TrayMenuItem::Kind::Command, id, text, false});
  };
  separator();
  command(ID_TRAY_SHOWALL, "Show all");
  command(ID_TRAY_HIDEALL, "Hide all");
  command(ID_TRAY_LOCK, "Lock with password");
  separator();
  command(IDC_CONFIGURE, "Configure Velumix");
  command(kCommandExit, "Exit");
  return items;
}

int TrayMenuModel::ResolveWindowCommand(const HiddenWindowTable& table, unsigned command) const {
  if (command < ID_TRAY_WINDOW_FIRST || command > ID_TRAY_WINDOW_LAST) return -1;
  int slot = static_cast<int>(command - ID_TRAY_WINDOW_FIRST);
  if (!m_built) return table.IsInUse(slot) ? slot : -1;
  if (slot >= m_windowCount) return -1;
  return table.Find(m_named[slot]);
}

}  // namespace velumix

#include "ui/tray_menu.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fakes/fake_window_system.h"

namespace velumix {
namespace {

using ::testing::ElementsAre;

// One line per item: "---" for a separator, else the command, the text and
// "checked" when checked, windows marked by "window".
std::vector<std::string> Describe(const std::vector<TrayMenuItem>& items) {
  std::vector<std::string> lines;
  for (const TrayMenuItem& item : items) {
    std::string line = item.kind == TrayMenuItem::Kind::Window ? "window " : "";
    line += std::to_string(item.command) + " " + item.text + (item.checked ? " checked" : "");
    lines.push_back(item.kind == TrayMenuItem::Kind::Separator && line == "0 " ? "---" : line);
  }
  return lines;
}

class TrayMenu : public ::testing::Test {
 protected:
  void Track(std::initializer_list<const char*> titles) {
    for (const char* title : titles) m_ids.push_back(m_desktop.Add(title));
    m_table.FillTable(m_desktop);
  }

  FakeWindowSystem m_desktop;
  std::vector<WindowId> m_ids;
  HiddenWindowTable m_table;
  TrayMenuModel m_menu;
};

TEST_F(TrayMenu, WithoutWindowsHoldsTheCommandsOnly) {
  EXPECT_THAT(Describe(m_menu.Build(m_table)), ElementsAre("---", "106 Show all", "105 Hide all",
                                                           "104 Lock with password", "---", "10 Configure Velumix",
                                                           "2 Exit"));
}

TEST_F(TrayMenu, ListsTheWindowsInTableOrderCheckedWhenShown) {
  Track({"Editor", "Program Manager", "Mail"});
  m_table[2].hidden = 1;
  EXPECT_THAT(Describe(m_menu.Build(m_table)),
              ElementsAre("window 150 Editor checked", "window 151 Desktop Icons checked", "window 152 Mail", "---",
                          "106 Show all", "105 Hide all", "104 Lock with password", "---", "10 Configure Velumix",
                          "2 Exit"));
}

// A menu takes "&" as the mark of the next character's key and a tab as the
// start of a second column: a title shows as itself only with its "&"
// doubled and its tabs as spaces.
TEST_F(TrayMenu, WindowItemsShowTheTitlesAsTheyAre) {
  Track({"R&D", "Q&&A", "Name\tSize", "&", "\xE6\x97\xA5\xE6\x9C\xAC & \xF0\x9F\x8E\xB5"});
  std::vector<std::string> texts;
  for (const TrayMenuItem& item : m_menu.Build(m_table)) {
    if (item.kind == TrayMenuItem::Kind::Window) texts.push_back(item.text);
  }
  EXPECT_THAT(texts, ElementsAre("R&&D", "Q&&&&A", "Name Size", "&&", "\xE6\x97\xA5\xE6\x9C\xAC && \xF0\x9F\x8E\xB5"));
}

TEST_F(TrayMenu, BeforeAnyMenuCommandsTakeTheSlotAsItStands) {
  Track({"A", "B", "C"});
  EXPECT_EQ(m_menu.ResolveWindowCommand(m_table, 150), 0);
  EXPECT_EQ(m_menu.ResolveWindowCommand(m_table, 152), 2);
  EXPECT_EQ(m_menu.ResolveWindowCommand(m_table, 153), -1);
  EXPECT_EQ(m_menu.ResolveWindowCommand(m_table, 250), -1);
}

TEST_F(TrayMenu, CommandsFollowTheirWindowAfterARefresh) {
  Track({"A", "B", "C"});
  m_menu.Build(m_table);
  m_desktop.Destroy(m_ids[0]);
  m_desktop.Add("D");
  ASSERT_TRUE(m_table.RefreshTable(m_desktop, false));
  EXPECT_EQ(m_menu.ResolveWindowCommand(m_table, 150), -1);  // not B, which now holds slot 0
  EXPECT_EQ(m_menu.ResolveWindowCommand(m_table, 151), 0);
  EXPECT_EQ(m_menu.ResolveWindowCommand(m_table, 152), 1);
  EXPECT_EQ(m_menu.ResolveWindowCommand(m_table, 153), -1);  // D was not in that menu
}

TEST_F(TrayMenu, CommandsBeyondTheLastMenuNameNoWindow) {
  Track({"A", "B", "C"});
  m_menu.Build(m_table);
  m_desktop.Destroy(m_ids[0]);
  ASSERT_TRUE(m_table.RefreshTable(m_desktop, false));
  m_menu.Build(m_table);
  EXPECT_EQ(m_menu.ResolveWindowCommand(m_table, 151), 1);
  EXPECT_EQ(m_menu.ResolveWindowCommand(m_table, 152), -1);  // C is tracked, but that item is gone
}

TEST_F(TrayMenu, CommandsOutsideTheWindowRangeNameNoWindow) {
  Track({"A"});
  for (unsigned command : {149u, 251u, 0u, 106u}) EXPECT_EQ(m_menu.ResolveWindowCommand(m_table, command), -1);
  m_menu.Build(m_table);
  for (unsigned command : {149u, 251u, 250u}) EXPECT_EQ(m_menu.ResolveWindowCommand(m_table, command), -1);
}

TEST_F(TrayMenu, WithAFullTableTheHundredthItemActsOnTheHundredthWindow) {
  for (int i = 0; i < kMaxTrackedWindows + 20; ++i) m_ids.push_back(m_desktop.Add(std::to_string(i) + " open"));
  m_table.FillTable(m_desktop);
  ASSERT_EQ(m_table.count(), kMaxTrackedWindows);
  std::vector<TrayMenuItem> items = m_menu.Build(m_table);
  ASSERT_EQ(items[kMaxTrackedWindows - 1].command, 249u);
  EXPECT_EQ(items[kMaxTrackedWindows - 1].text, "99 open");
  EXPECT_EQ(m_menu.ResolveWindowCommand(m_table, 249), kMaxTrackedWindows - 1);
  EXPECT_EQ(m_table[m_menu.ResolveWindowCommand(m_table, 249)].hwnd, m_ids[kMaxTrackedWindows - 1]);
  EXPECT_EQ(m_menu.ResolveWindowCommand(m_table, 250), -1);  // the spare slot names nothing
}

}  // namespace
}  // namespace velumix

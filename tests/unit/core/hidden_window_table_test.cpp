#include "core/hidden_window_table.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fakes/fake_window_system.h"

namespace velumix {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

std::vector<std::string> Titles(const HiddenWindowTable& table) {
  std::vector<std::string> titles;
  for (int i = 0; i < table.count(); ++i) titles.emplace_back(table[i].title);
  return titles;
}

std::vector<WindowId> Ids(const HiddenWindowTable& table) {
  std::vector<WindowId> ids;
  for (int i = 0; i < table.count(); ++i) ids.push_back(table[i].hwnd);
  return ids;
}

TEST(HiddenWindowTableFill, TakesTheHundredTopmostVisibleTitledWindowsInZOrder) {
  FakeWindowSystem desktop;
  std::vector<WindowId> titled;
  for (int i = 0; i < 120; ++i) {
    if (i % 10 == 5) {
      desktop.Add("Invisible", false);
      desktop.Add("");
    }
    titled.push_back(desktop.Add("Window " + std::to_string(i)));
  }
  HiddenWindowTable table;
  table.FillTable(desktop);
  titled.resize(kMaxTrackedWindows);
  EXPECT_THAT(Ids(table), ElementsAreArray(titled));
  EXPECT_FALSE(table.AnyHidden());
}

TEST(HiddenWindowTableFill, AdmitsByTitle) {
  FakeWindowSystem desktop;
  const std::string longTitle(150, 'L');
  for (const char* title : {"Program Manager", "program manager", "Velumix", "Velumix 2", "", longTitle.c_str()})
    desktop.Add(title);
  HiddenWindowTable table;
  table.FillTable(desktop);
  EXPECT_THAT(Titles(table), ElementsAre("Desktop Icons", "program manager", "Velumix 2", longTitle.substr(0, 99)));
  EXPECT_TRUE(IsDesktopEntry(table[0]));
  EXPECT_FALSE(IsDesktopEntry(table[1]));
}

// A title is kept to 99 characters, whatever their width in UTF-8.
TEST(HiddenWindowTableFill, KeepsNinetyNineCharactersOfAnyWidth) {
  FakeWindowSystem desktop;
  std::vector<std::string> kept;
  for (const char* character : {"a", "\xD0\x96", "\xE6\x97\xA5", "\xF0\x9F\x8E\xB5"}) {
    std::string title;
    for (int i = 0; i < 99; ++i) title += character;
    kept.push_back(title);
    desktop.Add(title + "\xE2\x80\x94 and more");
  }
  HiddenWindowTable table;
  table.FillTable(desktop);
  EXPECT_THAT(Titles(table), ElementsAreArray(kept));
}

class RefreshTable : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* title : {"One", "Two", "Three", "Four", "Five"}) m_ids.push_back(m_desktop.Add(title));
    m_table.FillTable(m_desktop);
  }
  bool Refresh() { return m_table.RefreshTable(m_desktop, false); }

  FakeWindowSystem m_desktop;
  std::vector<WindowId> m_ids;
  HiddenWindowTable m_table;
};

TEST_F(RefreshTable, UnchangedDesktopReportsOnlyTheCallersFlag) {
  EXPECT_FALSE(Refresh());
  EXPECT_TRUE(m_table.RefreshTable(m_desktop, true));
  EXPECT_THAT(Ids(m_table), ElementsAreArray(m_ids));
}

TEST_F(RefreshTable, ClosedWindowLeavesTheOthersInOrder) {
  m_desktop.Destroy(m_ids[2]);
  EXPECT_TRUE(Refresh());
  EXPECT_THAT(Titles(m_table), ElementsAre("One", "Two", "Four", "Five"));
  EXPECT_EQ(m_table[2].hwnd, m_ids[3]);
}

TEST_F(RefreshTable, NewTitlesAreTakenInEvenWhenEmpty) {
  m_desktop.at(m_ids[1]).title = "Two (edited)";
  EXPECT_TRUE(Refresh());
  EXPECT_EQ(std::string(m_table[1].title), "Two (edited)");
  m_desktop.at(m_ids[1]).title = "";
  EXPECT_TRUE(Refresh());
  EXPECT_THAT(Titles(m_table), ElementsAre("One", "", "Three", "Four", "Five"));
  EXPECT_FALSE(Refresh());
}

TEST_F(RefreshTable, DesktopEntryKeepsItsOwnTitle) {
  m_desktop.Add("Program Manager");
  EXPECT_TRUE(Refresh());
  EXPECT_FALSE(Refresh());
  EXPECT_EQ(std::string(m_table[5].title), "Desktop Icons");
}

TEST_F(RefreshTable, NewWindowsGoBehindOlderEntriesInZOrder) {
  WindowId top = m_desktop.Add("New on top", true, true);
  WindowId below = m_desktop.Add("New below");
  m_desktop.Add("Velumix");
  m_desktop.Add("");
  EXPECT_TRUE(Refresh());
  EXPECT_THAT(Ids(m_table), ElementsAre(m_ids[0], m_ids[1], m_ids[2], m_ids[3], m_ids[4], top, below));
}

TEST_F(RefreshTable, HiddenWindowIsTrackedOnce) {
  m_table[1].hidden = 1;
  m_desktop.at(m_ids[1]).visible = false;
  EXPECT_FALSE(Refresh());
  m_desktop.at(m_ids[1]).visible = true;
  EXPECT_FALSE(Refresh());
  EXPECT_THAT(Ids(m_table), ElementsAreArray(m_ids));
}

TEST_F(RefreshTable, DestroyedHiddenWindowIsNoLongerCounted) {
  m_table[3].hidden = 1;
  m_desktop.at(m_ids[3]).visible = false;
  m_desktop.Destroy(m_ids[3]);
  EXPECT_TRUE(m_table.AnyHidden());
  EXPECT_TRUE(Refresh());
  EXPECT_EQ(m_table.Find(m_ids[3]), -1);
  EXPECT_FALSE(m_table.AnyHidden());
}

TEST_F(RefreshTable, AsksOnlyAboutTheVisibilityOfWindowsItDoesNotTrack) {
  m_desktop.Add("Invisible", false);
  m_desktop.Add("Untracked but visible", true, true);
  m_desktop.Destroy(m_ids[4]);
  m_desktop.m_counts = {};
  EXPECT_TRUE(Refresh());
  // every tracked window still checked and its title read once
  EXPECT_EQ(m_desktop.m_counts.exists, 5);
  EXPECT_EQ(m_desktop.m_counts.getTitle, 4 + 1);
  // the walk met four tracked windows, one new one and one invisible one
  EXPECT_EQ(m_desktop.m_counts.isVisible, 2);
  EXPECT_THAT(Titles(m_table), ElementsAre("One", "Two", "Three", "Four", "Untracked but visible"));
}

TEST(RefreshFullTable, TakesNoMoreUntilSomeAreDropped) {
  FakeWindowSystem desktop;
  std::vector<WindowId> ids;
  for (int i = 0; i < kMaxTrackedWindows; ++i) ids.push_back(desktop.Add(std::to_string(i) + " W"));
  HiddenWindowTable table;
  table.FillTable(desktop);
  WindowId extra1 = desktop.Add("Extra 1"), extra2 = desktop.Add("Extra 2");
  EXPECT_FALSE(table.RefreshTable(desktop, false));
  EXPECT_EQ(table.Find(extra1), -1);
  desktop.Destroy(ids[0]);
  EXPECT_TRUE(table.RefreshTable(desktop, false));
  EXPECT_EQ(table.count(), kMaxTrackedWindows);
  EXPECT_EQ(table.Find(extra1), kMaxTrackedWindows - 1);
  EXPECT_EQ(table.Find(extra2), -1);
}

TEST_F(RefreshTable, EntriesMovingUpTakeTheirOwnFlagAndGivenUpSlotsKeepNone) {
  // One, Three and Five hidden; One and Three go: Two's row must not show One's bulb.
  for (int i : {0, 2, 4}) m_table[i].hidden = 1;
  m_desktop.Destroy(m_ids[0]);
  m_desktop.Destroy(m_ids[2]);
  ASSERT_TRUE(Refresh());
  EXPECT_THAT(Titles(m_table), ElementsAre("Two", "Four", "Five"));
  EXPECT_EQ(m_table[0].hidden, 0);
  EXPECT_EQ(m_table[1].hidden, 0);
  EXPECT_EQ(m_table[2].hidden, 1);
  EXPECT_EQ(m_table[3].hidden + m_table[4].hidden, 0);
  // a window taken into a given-up slot starts shown
  m_desktop.Add("Six");
  ASSERT_TRUE(Refresh());
  EXPECT_EQ(m_table[3].hidden, 0);
}

}  // namespace
}  // namespace velumix

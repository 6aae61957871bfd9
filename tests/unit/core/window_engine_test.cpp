#include "core/window_engine.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "fakes/fake_event_log.h"
#include "fakes/fake_window_list.h"
#include "fakes/fake_window_system.h"

namespace velumix {
namespace {

using ::testing::ElementsAre;

class WindowEngineTest : public ::testing::Test {
 protected:
  // Adds the windows and fills the table from the whole desktop.
  std::vector<WindowId> Track(std::initializer_list<const char*> titles) {
    std::vector<WindowId> ids;
    for (const char* title : titles) ids.push_back(m_desktop.Add(title));
    m_engine.FillTable();
    return ids;
  }
  bool Visible(WindowId id) { return m_desktop.at(id).visible; }
  std::int32_t Flag(WindowId id) { return m_engine.table()[m_engine.table().Find(id)].hidden; }

  FakeWindowSystem m_desktop;
  WindowEngine m_engine{m_desktop};
};

using HideAll = WindowEngineTest;

TEST_F(HideAll, HidesEveryVisibleEntryButTheDesktopOnce) {
  auto ids = Track({"Program Manager", "A", "B"});
  m_engine.HideAll();
  EXPECT_TRUE(Visible(ids[0]));
  EXPECT_EQ(Flag(ids[0]), 0);
  for (WindowId id : {ids[1], ids[2]}) {
    EXPECT_FALSE(Visible(id));
    EXPECT_EQ(Flag(id), 1);
  }
  EXPECT_EQ(m_engine.m_listChanged, 1);
  m_engine.HideAll();
  EXPECT_EQ(m_desktop.m_counts.show, 2);
  EXPECT_EQ(Flag(ids[1]), 1);
}

TEST_F(HideAll, WindowThatHidItselfKeepsItsFlag) {
  auto ids = Track({"A"});
  m_desktop.at(ids[0]).visible = false;
  m_engine.HideAll();
  EXPECT_EQ(Flag(ids[0]), 0);
  EXPECT_EQ(m_desktop.m_counts.show, 0);
}

TEST_F(HideAll, LeavesTheWindowsOfKeptProgramsShownWhileTheUserCanStillHideThem) {
  auto ids = Track({"Work", "Boss", "Chat"});
  m_desktop.at(ids[0]).program = u"Editor.exe";
  m_desktop.at(ids[2]).program = u"editor.EXE";
  m_engine.HideAll();
  EXPECT_EQ(m_desktop.m_counts.program, 0);  // no list, no question asked
  m_engine.ShowAll();
  KeepShownList keep;
  keep.Toggle(u"EDITOR.exe");
  m_engine.SetKeepShown(&keep);
  m_engine.HideAll();
  EXPECT_TRUE(Visible(ids[0]));
  EXPECT_FALSE(Visible(ids[1]));
  EXPECT_TRUE(Visible(ids[2]));
  // The user asked for that window: a toggle and the current window hide it.
  EXPECT_EQ(m_engine.ToggleEntry(m_engine.table().Find(ids[0])), ToggleResult::Hidden);
  m_desktop.m_foreground = ids[2];
  m_engine.HideCurrent();
  EXPECT_FALSE(Visible(ids[2]));
}

using ShowAll = WindowEngineTest;

TEST_F(ShowAll, ShowsEveryInvisibleTrackedWindowAndClearsTheFlags) {
  auto ids = Track({"Program Manager", "Hidden by us", "Hid itself"});
  m_engine.HideAll();
  m_engine.ToggleEntry(0);
  m_desktop.at(ids[2]).visible = false;
  m_engine.m_listChanged = 0;
  m_engine.ShowAll();
  for (WindowId id : ids) {
    EXPECT_TRUE(Visible(id));
    EXPECT_EQ(Flag(id), 0);
  }
  EXPECT_EQ(m_engine.m_listChanged, 1);
}

TEST_F(ShowAll, DestroyedWindowOnlyLosesItsFlag) {
  auto ids = Track({"Gone", "Kept"});
  m_engine.HideAll();
  m_desktop.Destroy(ids[0]);
  m_engine.ShowAll();
  EXPECT_EQ(Flag(ids[0]), 0);
  EXPECT_FALSE(m_desktop.at(ids[0]).exists);
  EXPECT_TRUE(Visible(ids[1]));
  EXPECT_EQ(m_engine.table().count(), 2);
}

using HideCurrent = WindowEngineTest;

TEST_F(HideCurrent, HidesEveryTrackedWindowWhoseStoredTitleIsTheForegroundTitle) {
  auto ids = Track({"Doc", "Other", "Doc", "Doc", "Draft"});
  m_desktop.at(ids[3]).title = "Doc (edited)";
  m_desktop.at(ids[4]).title = "Doc";
  m_desktop.m_foreground = ids[0];
  m_engine.HideCurrent();
  EXPECT_FALSE(Visible(ids[0]));
  EXPECT_FALSE(Visible(ids[2]));
  EXPECT_FALSE(Visible(ids[3]));
  EXPECT_TRUE(Visible(ids[1]));
  EXPECT_TRUE(Visible(ids[4]));
  EXPECT_EQ(Flag(ids[2]), 1);
  EXPECT_EQ(Flag(ids[1]), 0);
  EXPECT_EQ(m_engine.m_listChanged, 1);
}

TEST_F(HideCurrent, TitlesMatchWholeAndInTheirCase) {
  auto ids = Track({"Report", "report", "REPORT", "Report ", "Report.txt"});
  m_desktop.m_foreground = ids[0];
  m_engine.HideCurrent();
  EXPECT_FALSE(Visible(ids[0]));
  for (std::size_t i = 1; i < ids.size(); ++i) EXPECT_TRUE(Visible(ids[i])) << m_desktop.at(ids[i]).title;
}

// Texts that an 8-bit code page would show alike, as question marks or
// look-alike letters, are still different titles.
TEST_F(HideCurrent, TitlesMatchOnTheirUnicodeText) {
  auto ids = Track({"\xE6\x97\xA5\xE6\x9C\xAC",                  // 日本
                    "\xE4\xB8\xAD\xE5\x9B\xBD",                  // 中国
                    "\xD0\x92\xD0\xB8\xD0\xB4\xD0\xB5\xD0\xBE",  // Видео
                    "??", "Song \xF0\x9F\x8E\xB5", "Song \xF0\x9F\x8E\xB6"});
  auto shown = [&] {
    std::vector<bool> visible;
    for (WindowId id : ids) visible.push_back(Visible(id));
    return visible;
  };
  m_desktop.m_foreground = ids[0];
  m_engine.HideCurrent();
  EXPECT_EQ(shown(), (std::vector<bool>{false, true, true, true, true, true}));
  m_desktop.m_foreground = ids[4];
  m_engine.HideCurrent();
  EXPECT_EQ(shown(), (std::vector<bool>{false, true, true, true, false, true}));
}

TEST_F(HideCurrent, UntrackedForegroundHidesItsTrackedTwin) {
  auto ids = Track({"Doc"});
  WindowId untracked = m_desktop.Add("Doc");
  m_desktop.m_foreground = untracked;
  m_engine.HideCurrent();
  EXPECT_FALSE(Visible(ids[0]));
  EXPECT_TRUE(Visible(untracked));
}

TEST_F(HideCurrent, DesktopOrNoForegroundHidesNothing) {
  auto ids = Track({"Program Manager", "A"});
  m_desktop.m_foreground = ids[0];
  m_engine.HideCurrent();
  m_desktop.m_foreground = kNoWindow;
  m_engine.HideCurrent();
  EXPECT_EQ(m_desktop.m_counts.show, 0);
  EXPECT_EQ(m_engine.m_listChanged, 0);
}

// Only a click on its row hides the desktop: a window of another program
// titled like that row never takes the desktop along.
TEST_F(HideCurrent, AWindowTitledLikeTheDesktopRowNeverHidesTheDesktop) {
  auto ids = Track({"Program Manager", "Desktop Icons", "A"});
  m_desktop.m_foreground = ids[1];
  m_engine.HideCurrent();
  EXPECT_TRUE(Visible(ids[0]));
  EXPECT_EQ(Flag(ids[0]), 0);
}

TEST_F(HideCurrent, AnEmptyForegroundTitleHidesNothingNotEvenTitlelessEntries) {
  auto ids = Track({"Loses its title", "Keeps it"});
  m_desktop.at(ids[0]).title = "";
  m_engine.RefreshTable();
  WindowId taskbar = m_desktop.Add("");
  m_desktop.m_foreground = taskbar;
  m_engine.HideCurrent();
  EXPECT_TRUE(Visible(ids[0]));
  EXPECT_EQ(m_desktop.m_counts.show, 0);
  EXPECT_EQ(m_engine.m_listChanged, 0);
}

// The program's dialogs and message boxes are tracked like any window, and
// must stay usable whatever the user asks for.
class OwnWindows : public WindowEngineTest {
 protected:
  void SetUp() override {
    m_ids = Track({"Velumix Configuration", "Other"});
    m_desktop.at(m_ids[0]).process = FakeWindowSystem::kOwnProcess;
    m_desktop.m_foreground = m_ids[0];
  }
  std::vector<WindowId> m_ids;
};

TEST_F(OwnWindows, AreNeverHidden) {
  m_engine.HideAll();
  m_engine.HideCurrent();
  EXPECT_EQ(m_engine.ToggleEntry(0), ToggleResult::None);
  EXPECT_TRUE(Visible(m_ids[0]));
  EXPECT_EQ(Flag(m_ids[0]), 0);
  EXPECT_FALSE(Visible(m_ids[1]));
  EXPECT_EQ(m_desktop.m_counts.show, 1);
}

// A program that stopped answering gets its requests when it wakes; the
// flag says what was asked last, and the window ends that way.
class StalledThread : public WindowEngineTest {
 protected:
  void SetUp() override {
    m_ids = Track({"Stalled", "Lively"});
    m_desktop.at(m_ids[0]).stalled = true;
  }
  std::vector<WindowId> m_ids;
};

TEST_F(StalledThread, HideAllThenShowAllEndsShown) {
  m_engine.HideAll();
  EXPECT_EQ(Flag(m_ids[0]), 1);
  EXPECT_TRUE(Visible(m_ids[0]));  // not yet got to it
  m_engine.ShowAll();
  EXPECT_EQ(Flag(m_ids[0]), 0);
  m_desktop.Wake(m_ids[0]);
  EXPECT_TRUE(Visible(m_ids[0]));
  EXPECT_TRUE(Visible(m_ids[1]));
}

TEST_F(StalledThread, EachOperationEndsAsTheTableSays) {
  m_engine.HideAll();
  m_desktop.Wake(m_ids[0]);
  EXPECT_FALSE(Visible(m_ids[0]));
  m_desktop.at(m_ids[0]).stalled = true;
  EXPECT_EQ(m_engine.ToggleEntry(0), ToggleResult::Shown);
  EXPECT_EQ(m_engine.ToggleEntry(0), ToggleResult::Hidden);
  EXPECT_EQ(m_engine.ToggleEntry(0), ToggleResult::Shown);
  m_desktop.Wake(m_ids[0]);
  EXPECT_EQ(Flag(m_ids[0]), 0);
  EXPECT_TRUE(Visible(m_ids[0]));
}

TEST_F(StalledThread, ARequestThatCannotBeMadeLeavesTheFlagAsItWas) {
  m_desktop.at(m_ids[0]).stalled = false;
  m_desktop.at(m_ids[0]).refusesRequests = true;
  m_engine.HideAll();
  EXPECT_EQ(Flag(m_ids[0]), 0);
  EXPECT_EQ(Flag(m_ids[1]), 1);
  EXPECT_EQ(m_engine.ToggleEntry(0), ToggleResult::None);
  EXPECT_EQ(Flag(m_ids[0]), 0);
  m_desktop.at(m_ids[0]).refusesRequests = false;
  m_engine.ToggleEntry(0);
  m_desktop.at(m_ids[0]).refusesRequests = true;
  EXPECT_EQ(m_engine.ToggleEntry(0), ToggleResult::None);
  m_engine.ShowAll();
  EXPECT_EQ(Flag(m_ids[0]), 1);
  EXPECT_TRUE(m_engine.AnyHidden());
}

TEST_F(ShowAll, ShowsWithoutActivatingAndAGivenToggleShowsAsAsked) {
  auto ids = Track({"A"});
  m_engine.HideAll();
  m_engine.ShowAll();
  m_engine.ToggleEntry(0);
  m_engine.ToggleEntry(0);
  m_engine.ToggleEntry(0);
  m_engine.ToggleEntry(0, ShowCommand::ShowWithoutActivating);
  EXPECT_THAT(m_desktop.m_commands, ElementsAre(ShowCommand::Hide, ShowCommand::ShowWithoutActivating,
                                                ShowCommand::Hide, ShowCommand::Show, ShowCommand::Hide,
                                                ShowCommand::ShowWithoutActivating));
  EXPECT_TRUE(Visible(ids[0]));
}


// The desktop A, Velumix's main window, B, C, D from the top, the user in A.
// Between the hide and the show, something changes the desktop; the show
// puts the windows back as they stood, but for what their programs did.
class StackingOrder;
struct StackCase {
  const char* name;
  void (*hide)(StackingOrder&);
  void (*meanwhile)(StackingOrder&);
  void (*show)(StackingOrder&);
  const char* order;  // the titles, top first, once the show is carried out
  const char* front;  // what ShowAll gave the front back to: "" for none, "?" when not asked
};
void PrintTo(const StackCase& c, std::ostream* os) { *os << c.name; }

class StackingOrder : public WindowEngineTest, public ::testing::WithParamInterface<StackCase>, public OtherHolders {
 public:
  void SetUp() override {
    m_main = m_desktop.Add("Velumix");
    m_desktop.at(m_main).process = FakeWindowSystem::kOwnProcess;
    m_ids = Track({"B", "C", "D"});
    m_ids.insert(m_ids.begin(), m_desktop.Add("A", true, true));
    m_engine.FillTable();
    m_engine.SetMainWindow(m_main);
    m_engine.SetOthers(this);
    m_desktop.m_foreground = m_ids[0];
  }
  std::vector<WindowId> HeldLocked() override { return m_held; }
  WindowId Id(char title) { return m_ids[static_cast<std::size_t>(title - 'A')]; }
  std::string Order() {
    std::string titles;
    for (WindowId w : m_desktop.Order()) {
      const std::string& title = m_desktop.at(w).title;
      titles += (titles.empty() ? "" : " ") + (title.empty() ? "-" : title);  // "-": an untitled window
    }
    return titles;
  }
  void ShowAll(bool giveBackFront) {
    WindowId front = m_engine.ShowAll(giveBackFront);
    m_front = front == kNoWindow ? "" : m_desktop.at(front).title;
  }

  WindowId m_main = kNoWindow;
  std::vector<WindowId> m_ids, m_held;
  std::string m_front = "?";
  using WindowEngineTest::m_desktop;
  using WindowEngineTest::m_engine;
};

void HotKeyHideAll(StackingOrder& t) { t.m_engine.HideAll(t.Id('A')); }
void HotKeyShowAll(StackingOrder& t) { t.ShowAll(true); }
void Nothing(StackingOrder&) {}

const StackCase kStackCases[] = {
    {"TheHidesShuffledTheHiddenWindows", HotKeyHideAll,
     [](StackingOrder& t) { t.m_desktop.Raise(t.Id('D')), t.m_desktop.Raise(t.Id('B')); }, HotKeyShowAll,
     "A Velumix B C D", "A"},
    {"AWindowClosedMeanwhileIsLeftOut", HotKeyHideAll, [](StackingOrder& t) { t.m_desktop.Destroy(t.Id('C')); },
     HotKeyShowAll, "A Velumix B D", "A"},
    {"AWindowItsProgramShowedAndRaisedStaysWhereItPutIt", HotKeyHideAll,
     [](StackingOrder& t) { t.m_desktop.at(t.Id('C')).visible = true, t.m_desktop.Raise(t.Id('C')); },
     HotKeyShowAll, "A C D Velumix B", "A"},
    {"AStalledWindowLandsLateAndAChecksPutsTheOthersBackBelowIt", HotKeyHideAll,
     [](StackingOrder& t) { t.m_desktop.Raise(t.Id('B')), t.m_desktop.at(t.Id('B')).stalled = true; },
     [](StackingOrder& t) {
       t.ShowAll(true);
       EXPECT_TRUE(t.m_engine.CheckStack());  // B not yet shown: the checks go on
       t.m_desktop.Wake(t.Id('B'));
       while (t.m_engine.CheckStack()) {
       }
     },
     "A Velumix B C D", "A"},
    {"AWindowAnotherCopyHoldsBehindItsLockIsNotMoved", HotKeyHideAll,
     [](StackingOrder& t) { t.m_held = {t.Id('B')}, t.m_desktop.Raise(t.Id('B')); }, HotKeyShowAll,
     "A B Velumix C D", "A"},
    {"ThroughTheMainWindowsButtonsTheWindowsStandBelowIt", [](StackingOrder& t) { t.m_engine.HideAll(); },
     [](StackingOrder& t) { t.m_desktop.Raise(t.Id('D')); }, [](StackingOrder& t) { t.ShowAll(false); },
     "Velumix A B C D", ""},
    {"AnUntrackedWindowInFrontNamesTheTopmostOfThoseHidden",
     [](StackingOrder& t) { t.m_engine.HideAll(t.m_desktop.Add("", true, true)); }, Nothing, HotKeyShowAll,
     "A - Velumix B C D", "A"},
    {"WindowsAnEarlierRunLeftStandInTheOrderOfItsRecord",
     [](StackingOrder& t) {
       for (char w : {'B', 'C'}) {
         t.m_desktop.at(t.Id(w)).visible = false;
         t.m_engine.table()[t.m_engine.table().Find(t.Id(w))].hidden = 1;
       }
       t.m_engine.TakeStack({t.Id('C'), t.Id('B')});
     },
     Nothing, [](StackingOrder& t) { t.ShowAll(false); }, "A Velumix C B D", ""},
    {"AHotKeyShowsButTheHideWasAskedInTheMainWindow", [](StackingOrder& t) { t.m_engine.HideAll(); }, Nothing,
     HotKeyShowAll, "Velumix A B C D", ""},
    {"ARowClickShowsItsWindowBelowTheMainWindow", [](StackingOrder& t) { t.m_engine.HideCurrent(); }, Nothing,
     [](StackingOrder& t) { t.m_engine.ToggleEntry(t.m_engine.table().Find(t.Id('A')), ShowCommand::ShowWithoutActivating); },
     "Velumix A B C D", "?"},
    {"AWindowHiddenEarlierKeepsItsPlaceAboveTheOneHiddenLater",
     [](StackingOrder& t) {
       t.m_engine.HideCurrent();
       t.m_desktop.Raise(t.Id('B'));
       t.m_desktop.m_foreground = t.Id('B');
       t.m_engine.HideCurrent();
     },
     Nothing, HotKeyShowAll, "A B Velumix C D", "B"},
};

TEST_P(StackingOrder, ShowsTheWindowsAsTheyStood) {
  const StackCase& c = GetParam();
  c.hide(*this);
  c.meanwhile(*this);
  c.show(*this);
  EXPECT_EQ(Order(), c.order);
  EXPECT_EQ(m_front, c.front);
  EXPECT_EQ(m_desktop.at(Id('B')).visible, m_held.empty());
}

INSTANTIATE_TEST_SUITE_P(Cases, StackingOrder, ::testing::ValuesIn(kStackCases),
                         [](const ::testing::TestParamInfo<StackCase>& info) { return std::string(info.param.name); });

using ToggleEntry = WindowEngineTest;

TEST_F(ToggleEntry, FlipsTheFlagWhateverTheVisibility) {
  auto ids = Track({"Program Manager", "A"});
  EXPECT_EQ(m_engine.ToggleEntry(1), ToggleResult::Hidden);
  EXPECT_FALSE(Visible(ids[1]));
  m_desktop.at(ids[1]).visible = true;  // came back by itself
  EXPECT_EQ(m_engine.ToggleEntry(1), ToggleResult::Shown);
  EXPECT_EQ(Flag(ids[1]), 0);
  m_desktop.at(ids[1]).visible = false;  // went away by itself
  EXPECT_EQ(m_engine.ToggleEntry(1), ToggleResult::Hidden);
  EXPECT_EQ(Flag(ids[1]), 1);
  EXPECT_EQ(m_engine.ToggleEntry(0), ToggleResult::Hidden);
  EXPECT_FALSE(Visible(ids[0]));
  EXPECT_EQ(m_desktop.m_counts.show, 4);
}

TEST_F(ToggleEntry, IndexNotInUseTouchesNothing) {
  Track({"A", "B"});
  for (int index : {-1, 2, 3, kMaxTrackedWindows}) EXPECT_EQ(m_engine.ToggleEntry(index), ToggleResult::None) << index;
  EXPECT_EQ(m_desktop.m_counts.show, 0);
}

class RefreshList : public WindowEngineTest {
 protected:
  void SetUp() override { Track({"One", "Two", "Three"}); }

  FakeWindowList m_list;
  StringEventLog m_log;
};

TEST_F(RefreshList, UnchangedTickLeavesTheListAlone) {
  EXPECT_FALSE(m_engine.RefreshList(m_list, &m_log));
  EXPECT_EQ(m_list.m_resets + m_list.m_adds + m_list.m_endedWith.size(), 0u);
}

TEST_F(RefreshList, ChangedFlagsRebuildTheWholeListOnce) {
  m_engine.HideAll();
  EXPECT_TRUE(m_engine.RefreshTable());
  EXPECT_EQ(m_engine.m_listChanged, 1);  // only the rebuild clears it
  EXPECT_TRUE(m_engine.RefreshList(m_list, &m_log));
  EXPECT_EQ(m_list.m_resets, 1);
  EXPECT_THAT(m_list.m_items, ElementsAre("One", "Two", "Three"));
  EXPECT_THAT(m_list.m_endedWith, ElementsAre(m_list.m_items));  // ended once, after the last item
  EXPECT_EQ(m_engine.m_listChanged, 0);
  EXPECT_FALSE(m_engine.RefreshList(m_list, &m_log));
  EXPECT_EQ(m_list.m_resets, 1);
  EXPECT_EQ(m_log.m_written, "");
}

TEST_F(RefreshList, ARefreshAheadOfTheListMakesTheNextTickRebuildIt) {
  // The tray menu refreshes the table on its own; a row clicked afterwards
  // must still name its entry.
  m_desktop.Destroy(m_engine.table()[0].hwnd);
  m_engine.RefreshTableAheadOfList();
  EXPECT_EQ(m_engine.table().count(), 2);
  EXPECT_TRUE(m_engine.RefreshList(m_list, &m_log));
  EXPECT_THAT(m_list.m_items, ElementsAre("Two", "Three"));
  // With nothing moved, the next tick stays quiet.
  m_engine.RefreshTableAheadOfList();
  EXPECT_FALSE(m_engine.RefreshList(m_list, &m_log));
  EXPECT_EQ(m_list.m_resets, 1);
}

TEST_F(RefreshList, EachFailedItemIsLoggedOnTheSameLine) {
  m_list.m_failingAdds = {0, 2};
  m_desktop.Add("Four");
  EXPECT_TRUE(m_engine.RefreshList(m_list, &m_log));
  EXPECT_THAT(m_list.m_items, ElementsAre("Two", "Four"));
  ASSERT_EQ(m_log.m_written.size(), kStampLength + 68);
  EXPECT_EQ(m_log.m_written.substr(kStampLength), "Error in inserting a list box itemError in inserting a list box item");
}

TEST_F(RefreshList, FillListLogsTheGivenText) {
  m_list.m_failingAdds = {1, 4};
  m_engine.FillList(m_list, &m_log, kListInsertFailedAtStart);
  m_engine.FillList(m_list, nullptr, kListInsertFailedAtStart);
  EXPECT_EQ(m_list.m_resets, 2);
  EXPECT_EQ(m_list.m_endedWith.size(), 2u);  // a failed item ends the refill all the same
  EXPECT_EQ(m_log.m_written.substr(kStampLength), "Error in serting a list box item");
}

}  // namespace
}  // namespace velumix

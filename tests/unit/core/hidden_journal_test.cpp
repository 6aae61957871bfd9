#include "core/hidden_journal.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "core/window_engine.h"
#include "fakes/fake_window_system.h"

namespace velumix {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

Journal Sample() {
  Journal j;
  j.owner = {4321, 0x01DB'2A3B'4C5D'6E7Full};
  j.locked = true;
  j.entries.push_back({0x10004, 200, 0x01DB'2A3B'0000'0001ull, "Report - Editor", "EditorFrame"});
  // the widest handle value of the build, 32-bit or 64-bit
  j.entries.push_back(
      {static_cast<WindowId>(UINTPTR_MAX - 0xFFFF), 201, ~0ull, std::string(99, 'x'), std::string(63, 'c')});
  j.entries.push_back({0x20008, 200, 0, "", ""});
  return j;
}

std::optional<Journal> Decode(const std::vector<std::uint8_t>& bytes) { return DecodeJournal(bytes.data(), bytes.size()); }

TEST(JournalEncoding, RoundTripsEveryField) {
  Journal j = Sample();
  EXPECT_EQ(Decode(EncodeJournal(j)), j);
  Journal empty;
  empty.owner = {1, 2};
  EXPECT_EQ(Decode(EncodeJournal(empty)), empty);
}

TEST(JournalEncoding, TheLargestJournalFitsTheLimit) {
  Journal j;
  j.owner = {1, 2};
  for (int i = 0; i < kMaxTrackedWindows; ++i) {
    std::string title;
    for (int k = 0; k < 99; ++k) title += "\xF0\x9F\x8E\xB5";  // 99 characters of 4 bytes
    j.entries.push_back({static_cast<WindowId>(4 + i), 9, ~0ull, title, std::string(63, 'k')});
  }
  std::vector<std::uint8_t> bytes = EncodeJournal(j);
  EXPECT_EQ(bytes.size(), kMaxJournalSize);
  EXPECT_EQ(Decode(bytes), j);
}

TEST(JournalEncoding, EverySingleByteChangeOrCutIsRefused) {
  const std::vector<std::uint8_t> good = EncodeJournal(Sample());
  for (std::size_t i = 0; i < good.size(); ++i) {
    std::vector<std::uint8_t> bad = good;
    bad[i] ^= 0x5A;
    EXPECT_FALSE(Decode(bad)) << "changed byte " << i;
    EXPECT_FALSE(DecodeJournal(good.data(), i)) << "cut to " << i;
  }
  std::vector<std::uint8_t> longer = good;
  longer.push_back(0);
  EXPECT_FALSE(Decode(longer));
  EXPECT_FALSE(DecodeJournal(nullptr, 0));
}

TEST(JournalEncoding, TheSealIsCrc32AsZlibComputesIt) {
  const std::string check = "123456789";
  EXPECT_EQ(JournalChecksum(reinterpret_cast<const std::uint8_t*>(check.data()), check.size()), 0xCBF43926u);
  EXPECT_EQ(JournalChecksum(nullptr, 0), 0u);
}

// Seals altered bytes with a fresh checksum, so that what is refused is the
// content, not the seal.
std::vector<std::uint8_t> Reseal(std::vector<std::uint8_t> bytes) {
  bytes.resize(bytes.size() - 4);
  std::uint32_t c = JournalChecksum(bytes.data(), bytes.size());
  for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<std::uint8_t>(c >> (8 * i)));
  return bytes;
}

std::vector<std::uint8_t> ResealedWith(std::size_t at, std::uint8_t value) {
  std::vector<std::uint8_t> bytes = EncodeJournal(Sample());
  bytes[at] = value;
  return Reseal(bytes);
}

std::vector<std::uint8_t> EncodedWith(void (*change)(Journal&)) {
  Journal j = Sample();
  change(j);
  return EncodeJournal(j);
}

// What a newer version, or another program, might leave.
TEST(JournalEncoding, WellSealedButForeignContentIsRefused) {
  ASSERT_EQ(Reseal(EncodeJournal(Sample())), EncodeJournal(Sample()));
  const struct {
    const char* what;
    std::vector<std::uint8_t> bytes;
  } cases[] = {
      {"an unknown flag", ResealedWith(16, 0x80)},
      {"more entries than the table holds", ResealedWith(17, kMaxTrackedWindows + 1)},
      {"a later format", ResealedWith(3, '4')},
      {"a NUL inside a title", EncodedWith([](Journal& j) { j.entries[0].title = std::string("a\0b", 3); })},
      {"no window", EncodedWith([](Journal& j) { j.entries[0].window = kNoWindow; })},
  };
  for (const auto& c : cases) EXPECT_FALSE(Decode(c.bytes)) << c.what;
}

// The first entry's window written as `stored`, as a copy of either build
// would write it.
std::optional<Journal> DecodedWithWindow(std::uint64_t stored) {
  std::vector<std::uint8_t> bytes = EncodeJournal(Sample());
  constexpr std::size_t kFirstWindow = 18;  // magic, owner, its start, flags, count
  for (int i = 0; i < 8; ++i) bytes[kFirstWindow + i] = static_cast<std::uint8_t>(stored >> (8 * i));
  return Decode(Reseal(bytes));
}

// A window handle has 32 significant bits on every Windows: a 32-bit copy
// journals it zero-extended, a 64-bit copy sign-extended. Either build takes
// back what the other left.
TEST(JournalEncoding, HandlesOfEitherBuildAreReadAsThisBuildsOwn) {
  constexpr bool k64 = sizeof(WindowId) == 8;
  const struct {
    const char* what;
    std::uint64_t stored;
    std::uint64_t read;  // 0: refused
  } cases[] = {
      {"a low handle, from either build", 0x0001'0024, 0x0001'0024},
      {"bit 31 set, from a 32-bit copy", 0x8001'0024, k64 ? 0xFFFF'FFFF'8001'0024 : 0x8001'0024},
      {"bit 31 set, from a 64-bit copy", 0xFFFF'FFFF'8001'0024, k64 ? 0xFFFF'FFFF'8001'0024 : 0x8001'0024},
      {"bits above 32 that extend nothing", 0x0000'0001'0001'0024, 0},
      {"bit 31 clear under a sign", 0xFFFF'FFFF'0001'0024, 0},
  };
  for (const auto& c : cases) {
    std::optional<Journal> journal = DecodedWithWindow(c.stored);
    ASSERT_EQ(journal.has_value(), c.read != 0) << c.what;
    if (journal) {
      EXPECT_EQ(journal->entries[0].window, static_cast<WindowId>(c.read)) << c.what;
    }
  }
}

// Records as earlier versions of the program wrote them, kept as they were:
// a copy of such a version may still hold windows hidden when this one
// starts. Their titles were written in the ANSI code page.
TEST(JournalEncoding, RecordsOfEarlierVersionsAreStillRead) {
  const struct {
    const char* file;
    std::uint64_t firstStarted;
    const char* firstTitle;
  } records[] = {
      {"journal_v1.bin", 0, "Secret plan \xC3\xA9t\xC3\xA9"},
      {"journal_v2.bin", 0x01DB6A1B00000001ull, "Secret plan \xC3\xA9t\xC3\xA9 \xE2\x82\xAC" "5"},
  };
  for (const auto& r : records) {
    std::ifstream file(std::string(VELUMIX_FIXTURES "/") + r.file, std::ios::binary);
    std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    ASSERT_FALSE(bytes.empty()) << r.file;
    Journal expected{{4242, 0x01DB6A1B2C3D4E5Full}, true, {}};
    expected.entries.push_back({0x30062, 1337, r.firstStarted, r.firstTitle, "Notepad"});
    expected.entries.push_back({0x10428, 1400, 0, "R&D\treport", "VxOwnerWindow"});
    EXPECT_EQ(Decode(bytes), expected) << r.file;
  }
}

class FakeStore : public JournalStore {
 public:
  std::vector<Stored> ReadAll() override {
    if (m_onRead) m_onRead();
    std::vector<Stored> all;
    for (const auto& [name, bytes] : m_values) all.push_back({name, bytes, !m_unreadable.count(name)});
    return all;
  }
  std::optional<std::vector<std::uint8_t>> Read(const std::string& name) override {
    auto found = m_values.find(name);
    if (found == m_values.end() || m_unreadable.count(name)) return std::nullopt;
    return found->second;
  }
  bool Write(const std::string& name, const std::vector<std::uint8_t>& bytes) override {
    ++m_writes;
    if (m_failWrites) return false;
    m_values[name] = bytes;
    return true;
  }
  void Remove(const std::string& name) override { m_values.erase(name); }

  std::map<std::string, std::vector<std::uint8_t>> m_values;
  std::set<std::string> m_unreadable;
  std::function<void()> m_onRead;  // runs before each read
  bool m_failWrites = false;
  int m_writes = 0;
};

class FakeProcesses : public Processes {
 public:
  InstanceId Self() override { return m_self; }
  // A number in m_denied may not be looked at; one named in m_running (as
  // "pid.started") runs, started then.
  ProcessLook Look(ProcessId process) override {
    if (m_denied.count(process)) return {ProcessLook::Seen::Denied};
    for (const std::string& name : m_running) {
      if (name.rfind(std::to_string(process) + ".", 0) == 0) {
        return {ProcessLook::Seen::Found, std::stoull(name.substr(name.find('.') + 1)), true};
      }
    }
    return {};
  }

  InstanceId m_self{FakeWindowSystem::kOwnProcess, 777};
  std::set<std::string> m_running;
  std::set<ProcessId> m_denied;
};

class JournalKeeperTest : public ::testing::Test {
 protected:
  // A journal left by another instance, naming these windows.
  void Leave(InstanceId owner, const std::vector<WindowId>& windows, bool locked = false) {
    Journal j{owner, locked, {}};
    for (WindowId w : windows) {
      j.entries.push_back({w, m_desktop.at(w).process, 0, m_desktop.at(w).title, m_desktop.at(w).className});
    }
    m_store.m_values[JournalName(owner)] = EncodeJournal(j);
  }
  // This run's journal; none is kept while nothing is hidden.
  Journal Ours() {
    auto it = m_store.m_values.find(JournalName(m_processes.m_self));
    return it == m_store.m_values.end() ? Journal{} : *Decode(it->second);
  }
  std::vector<WindowId> OursNames() {
    std::vector<WindowId> windows;
    for (const JournalEntry& e : Ours().entries) windows.push_back(e.window);
    return windows;
  }

  FakeWindowSystem m_desktop;
  FakeStore m_store;
  FakeProcesses m_processes;
  JournalKeeper m_keeper{m_store, m_processes, m_desktop};
  HiddenWindowTable m_table;
  const InstanceId m_dead{55, 1000};
};

TEST_F(JournalKeeperTest, TakesBackOnlyWindowsThatStillExistMatchAndAreHidden) {
  WindowId kept = m_desktop.Add("Kept hidden", false);
  WindowId closed = m_desktop.Add("Closed meanwhile", false);
  WindowId reused = m_desktop.Add("Reused handle", false);
  WindowId otherClass = m_desktop.Add("Other class", false);
  WindowId shownAgain = m_desktop.Add("Shown by its program", false);
  WindowId retitled = m_desktop.Add("Old title", false);
  Leave(m_dead, {kept, closed, reused, otherClass, shownAgain, retitled});
  m_desktop.Destroy(closed);
  m_desktop.at(reused).process = 999;  // the handle now names another program's window
  m_desktop.at(otherClass).className = "SomethingElse";
  m_desktop.at(shownAgain).visible = true;
  m_desktop.at(retitled).title = "New title";

  std::vector<AbandonedJournal> found = m_keeper.FindAbandoned();
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].name, JournalName(m_dead));
  TakenBack taken = m_keeper.TakeBack(m_table, found, false);
  EXPECT_EQ(taken.windows, 2);
  EXPECT_FALSE(taken.fromLocked);
  ASSERT_EQ(m_table.count(), 2);
  EXPECT_EQ(m_table[0].hwnd, kept);
  EXPECT_STREQ(m_table[1].title, "New title");
  EXPECT_EQ(m_table.HiddenCount(), 2);
  // taking back asks nothing of the hidden windows; the one shown since is asked to stay shown
  EXPECT_THAT(m_desktop.m_commands, ElementsAre(ShowCommand::ShowWithoutActivating));
  EXPECT_THAT(OursNames(), ElementsAre(kept, retitled));
  EXPECT_EQ(m_store.m_values.size(), 1u);  // the dead instance's journal is gone
}

// A run killed during Hide all leaves hides that the windows' programs have
// not got to yet: visible at the next start, each would hide after it, named
// by no journal and admitted by no refresh.
TEST_F(JournalKeeperTest, AHideStillPendingAtTheStartEndsShownNotStranded) {
  WindowId pending = m_desktop.Add("Hide not yet done");
  WindowId reused = m_desktop.Add("Reused handle");
  Leave(m_dead, {pending, reused});
  m_desktop.at(pending).stalled = true;
  m_desktop.at(pending).pending = {ShowCommand::Hide};
  m_desktop.at(reused).process = 999;
  m_desktop.at(reused).stalled = true;
  m_keeper.TakeBack(m_table, m_keeper.FindAbandoned(), false);
  EXPECT_TRUE(m_desktop.at(reused).pending.empty());  // another program's window is asked nothing
  m_desktop.Wake(pending);
  EXPECT_TRUE(m_desktop.at(pending).visible);
  EXPECT_EQ(m_desktop.m_counts.show, 1);
  EXPECT_TRUE(m_store.m_values.empty());
}

TEST_F(JournalKeeperTest, ALiveInstancesJournalIsLeftAloneUntilItEnds) {
  WindowId theirs = m_desktop.Add("Theirs", false);
  InstanceId live{66, 2000};
  Leave(live, {theirs});
  m_processes.m_running.insert(JournalName(live));
  // the same process number, started at another time, is another instance
  Leave({66, 1999}, {});
  std::vector<AbandonedJournal> found = m_keeper.FindAbandoned();
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].name, JournalName({66, 1999}));
  m_keeper.TakeBack(m_table, found, false);
  EXPECT_EQ(m_store.m_values.count(JournalName(live)), 1u);
  EXPECT_EQ(m_store.m_values.count(JournalName({66, 1999})), 0u);
  EXPECT_EQ(m_table.count(), 0);
  // it ends without giving its window back: a later look takes it
  m_processes.m_running.clear();
  EXPECT_EQ(m_keeper.TakeBack(m_table, m_keeper.FindAbandoned(), false).windows, 1);
  EXPECT_THAT(OursNames(), ElementsAre(theirs));
  EXPECT_EQ(m_store.m_values.count(JournalName(live)), 0u);
}

// Every copy may look at every other; a number that may not be looked at
// has gone to someone else's process, and a journal under it is taken back.
TEST_F(JournalKeeperTest, AProcessNumberThatMayNotBeLookedAtIsNoCopyOfOurs) {
  WindowId theirs = m_desktop.Add("Left by a copy whose number went to a service", false);
  Leave({70, 5}, {theirs});
  m_processes.m_denied.insert(70);
  EXPECT_EQ(m_keeper.TakeBack(m_table, m_keeper.FindAbandoned(), false).windows, 1);
  EXPECT_EQ(m_store.m_values.count(JournalName({70, 5})), 0u);
  EXPECT_FALSE(StillRuns({70, 5}, {ProcessLook::Seen::Found, 5, false}));  // exited, not yet reaped
  EXPECT_FALSE(StillRuns({70, 5}, {ProcessLook::Seen::Found, 6, true}));   // its number, another start
}

// After a restart of the machine a window of a new process may have the
// handle, the process number and the class a journal names.
TEST_F(JournalKeeperTest, AWindowOfALaterProcessWithTheSameNumberIsNotTakenBack) {
  WindowId reused = m_desktop.Add("Some other program's hidden window", false);
  WindowId kept = m_desktop.Add("Still its own", false);
  ProcessId process = m_desktop.at(reused).process;
  m_desktop.at(kept).process = process;
  m_processes.m_running.insert(std::to_string(process) + ".300");
  Journal left{m_dead, false, {}};
  for (auto [window, started] : {std::pair{reused, 200ull}, std::pair{kept, 300ull}}) {
    left.entries.push_back({window, process, started, m_desktop.at(window).title, m_desktop.at(window).className});
  }
  m_store.m_values[JournalName(m_dead)] = EncodeJournal(left);
  EXPECT_EQ(m_keeper.TakeBack(m_table, m_keeper.FindAbandoned(), false).windows, 1);
  EXPECT_EQ(m_table.Find(reused), -1);
  EXPECT_EQ(m_table.Find(kept), 0);
  // this run's journal gives the start it found
  ASSERT_EQ(Ours().entries.size(), 1u);
  EXPECT_EQ(Ours().entries[0].processStarted, 300u);
}

TEST_F(JournalKeeperTest, UnreadableJournalsAreRemovedAndNeverTrusted) {
  WindowId w = m_desktop.Add("Named by a bad journal", false);
  Leave(m_dead, {w});
  m_store.m_values["55.1000"].back() ^= 1;                            // corrupt
  m_store.m_values["56.1"] = {'V', 'X', 'J', '1', 0, 0};              // truncated
  m_store.m_values["57.1"] = {};                                      // oversized, not read
  m_store.m_unreadable.insert("57.1");
  m_store.m_values["not an instance"] = EncodeJournal({{58, 1}, false, {}});  // foreign name
  m_store.m_values["58.1"] = EncodeJournal({{59, 1}, false, {}});     // another instance's record
  EXPECT_THAT(m_keeper.FindAbandoned(), IsEmpty());
  EXPECT_TRUE(m_store.m_values.empty());
  EXPECT_EQ(m_table.count(), 0);
}

// A value read while its copy rewrote it reads as unreadable (its size
// changed between the listing and the read): only a value whose name proves
// its copy gone may be removed.
TEST_F(JournalKeeperTest, ABadValueOfACopyThatRunsIsLeftAlone) {
  m_processes.m_running = {"60.1", "61.1"};
  m_store.m_values["60.1"] = {};
  m_store.m_unreadable.insert("60.1");
  m_store.m_values["61.1"] = {'V', 'X', 'J', '1', 0, 0};
  EXPECT_THAT(m_keeper.FindAbandoned(), IsEmpty());
  EXPECT_EQ(m_store.m_values.size(), 2u);
}

// Another program, or a copy that took it for a bad one, may remove this
// run's journal: the next look writes it again.
TEST_F(JournalKeeperTest, ItsOwnJournalRemovedFromOutsideIsWrittenAgain) {
  WindowId a = m_desktop.Add("Held hidden", false);
  m_table.AdoptHidden(a, "Held hidden");
  ASSERT_TRUE(m_keeper.Record(m_table));
  m_store.m_values.clear();
  EXPECT_THAT(m_keeper.FindAbandoned(), IsEmpty());
  EXPECT_TRUE(m_keeper.Record(m_table));
  EXPECT_THAT(OursNames(), ElementsAre(a));
}

TEST_F(JournalKeeperTest, WhatARunLeftLockedComesBackOnlyWhenAsked) {
  WindowId w = m_desktop.Add("Locked away", false);
  WindowId v = m_desktop.Add("Left open", false);
  Leave({70, 1}, {}, true);
  Leave({71, 1}, {w}, true);
  Leave({72, 1}, {v}, false);
  std::vector<AbandonedJournal> found = m_keeper.FindAbandoned();
  ASSERT_EQ(found.size(), 3u);
  EXPECT_FALSE(found[0].LockedAway());  // locked, but nothing in it
  EXPECT_TRUE(found[1].LockedAway());
  TakenBack taken = m_keeper.TakeBack(m_table, found, false);
  EXPECT_EQ(taken.windows, 1);
  EXPECT_FALSE(taken.fromLocked);
  EXPECT_EQ(m_table.Find(w), -1);
  EXPECT_THAT(m_store.m_values.count(JournalName({71, 1})), 1u);
  taken = m_keeper.TakeBack(m_table, m_keeper.FindAbandoned(), true);
  EXPECT_TRUE(taken.fromLocked);
  EXPECT_GE(m_table.Find(w), 0);
}

// Two journals can name one window: a take-back that found the table full,
// or two copies that took the same journal. Whichever comes first, a window
// a locked journal names comes back behind the password.
TEST_F(JournalKeeperTest, AWindowNamedByALockedAndAnUnlockedJournalComesBackLocked) {
  for (bool lockedFirst : {false, true}) {
    SCOPED_TRACE(lockedFirst ? "locked journal first" : "unlocked journal first");
    m_store.m_values.clear();
    m_table = HiddenWindowTable();
    WindowId w = m_desktop.Add("Named twice", false);
    Leave({lockedFirst ? 80u : 81u, 1}, {w}, true);
    Leave({lockedFirst ? 81u : 80u, 1}, {w}, false);
    std::vector<AbandonedJournal> found = m_keeper.FindAbandoned();
    ASSERT_EQ(found.size(), 2u);
    ASSERT_EQ(found[0].journal.locked, lockedFirst);
    TakenBack taken = m_keeper.TakeBack(m_table, found, true);
    EXPECT_EQ(taken.windows, 1);
    EXPECT_TRUE(taken.fromLocked);
  }
}

TEST_F(JournalKeeperTest, ShownWindowsGiveWayToHiddenOnesAndAJournalThatDoesNotFitStays) {
  for (int i = 0; i < 10; ++i) m_desktop.Add(std::to_string(i) + " shown");
  m_table.FillTable(m_desktop);
  std::vector<WindowId> windows;
  for (int i = 0; i < kMaxTrackedWindows; ++i) windows.push_back(m_desktop.Add(std::to_string(i) + " hidden", false));
  // one of them is tracked already, as shown: it is flagged, not taken twice
  m_table.AdoptHidden(windows[3], "tracked");
  m_table[10].hidden = 0;
  Leave(m_dead, windows);
  EXPECT_EQ(m_keeper.TakeBack(m_table, m_keeper.FindAbandoned(), false).windows, kMaxTrackedWindows);
  EXPECT_EQ(m_table.HiddenCount(), kMaxTrackedWindows);
  EXPECT_EQ(m_table.Find(windows[3]), 0);  // the shown ones gave way, the rest moved up in order
  EXPECT_EQ(m_store.m_values.count(JournalName(m_dead)), 0u);
  // every entry hidden: no room, and the journal stays for a later try
  const InstanceId other{56, 1000};
  WindowId extra = m_desktop.Add("one more", false);
  Leave(other, {extra});
  EXPECT_EQ(m_keeper.TakeBack(m_table, m_keeper.FindAbandoned(), false).windows, 0);
  EXPECT_EQ(m_store.m_values.count(JournalName(other)), 1u);
  m_desktop.Destroy(windows[0]);
  m_table.RefreshTable(m_desktop, false);
  EXPECT_EQ(m_keeper.TakeBack(m_table, m_keeper.FindAbandoned(), false).windows, 1);
  EXPECT_EQ(m_store.m_values.count(JournalName(other)), 0u);
}

TEST_F(JournalKeeperTest, KeepsAJournalOnlyWhileWindowsAreHiddenAndRetriesAFailedWrite) {
  WindowId a = m_desktop.Add("A");
  m_table.FillTable(m_desktop);
  m_keeper.TakeBack(m_table, m_keeper.FindAbandoned(), false);
  EXPECT_EQ(m_store.m_writes, 0);
  EXPECT_TRUE(m_store.m_values.empty());
  m_table[0].hidden = 1;
  m_store.m_failWrites = true;
  EXPECT_FALSE(m_keeper.Record(m_table));
  m_store.m_failWrites = false;
  EXPECT_TRUE(m_keeper.Record(m_table));
  EXPECT_TRUE(m_keeper.Record(m_table));
  EXPECT_EQ(m_store.m_writes, 2);
  EXPECT_THAT(OursNames(), ElementsAre(a));
  m_keeper.SetLocked(true, m_table);
  EXPECT_TRUE(Ours().locked);
  // a hidden window that has gone is left out, and with it the journal
  m_desktop.Destroy(a);
  m_keeper.Record(m_table);
  EXPECT_TRUE(m_store.m_values.empty());
  m_desktop.at(a).exists = true;
  m_keeper.Record(m_table);
  m_keeper.Clear();
  EXPECT_TRUE(m_store.m_values.empty());
}

TEST_F(JournalKeeperTest, TheOldJournalsStayWhileThisRunsCannotBeWritten) {
  WindowId w = m_desktop.Add("Adopted", false);
  Leave(m_dead, {w});
  m_store.m_failWrites = true;
  m_keeper.TakeBack(m_table, m_keeper.FindAbandoned(), false);
  EXPECT_EQ(m_table.Find(w), 0);
  EXPECT_EQ(m_store.m_values.count(JournalName(m_dead)), 1u);
}

TEST_F(JournalKeeperTest, HeldLockedAreTheCheckedWindowsOfOtherCopiesLockedJournals) {
  WindowId kept = m_desktop.Add("Kept hidden", false);
  WindowId reused = m_desktop.Add("Reused handle", false);
  WindowId otherClass = m_desktop.Add("Other class", false);
  WindowId leftLocked = m_desktop.Add("Left locked", false);
  WindowId open = m_desktop.Add("Held unlocked", false);
  WindowId ours = m_desktop.Add("Ours", false);
  WindowId misnamed = m_desktop.Add("Under another's name", false);
  const InstanceId live{90, 1};
  m_processes.m_running = {JournalName(live), JournalName({92, 1})};
  Leave(live, {kept, reused, otherClass}, true);
  m_desktop.at(reused).process = 999;
  m_desktop.at(otherClass).className = "SomethingElse";
  Leave({91, 1}, {leftLocked}, true);  // ended, and not yet taken back
  Leave({92, 1}, {open}, false);
  Leave(m_processes.m_self, {ours}, true);
  Leave({93, 1}, {misnamed}, true);
  m_store.m_values["94.1"] = m_store.m_values["93.1"];
  m_store.m_values.erase("93.1");
  const std::size_t stored = m_store.m_values.size();
  std::vector<WindowId> want = {kept, leftLocked};
  std::sort(want.begin(), want.end());
  EXPECT_EQ(m_keeper.HeldLocked(), want);
  EXPECT_EQ(m_store.m_values.size(), stored);  // looking removes nothing
  // read when asked: the copy unlocks, and its windows are no longer held
  Leave(live, {kept}, false);
  EXPECT_THAT(m_keeper.HeldLocked(), ElementsAre(leftLocked));
}

TEST_F(JournalKeeperTest, ALockedJournalReadWhileItsCopyRewritesItIsReadAgain) {
  WindowId w = m_desktop.Add("Held", false);
  Leave({95, 1}, {w}, true);
  m_processes.m_running = {"95.1"};
  m_store.m_unreadable = {"95.1"};
  int reads = 0;
  m_store.m_onRead = [&] {
    if (++reads == 2) m_store.m_unreadable.clear();
  };
  EXPECT_THAT(m_keeper.HeldLocked(), ElementsAre(w));
  // one that stays unreadable is read a bounded number of times
  m_store.m_unreadable = {"95.1"};
  reads = 0;
  m_store.m_onRead = [&] { ++reads; };
  EXPECT_THAT(m_keeper.HeldLocked(), IsEmpty());
  EXPECT_EQ(reads, 4);  // three while it reads as rewritten, and one that agrees
}

// A walk by index skips a value when one before it is removed meanwhile:
// here the walks that a third copy's removal shifts. Until two walks agree
// nothing is certain, and every journal any walk saw counts as locked.
TEST_F(JournalKeeperTest, AJournalThatOneWalkMissesIsStillHeld) {
  WindowId locked = m_desktop.Add("Locked away", false);
  WindowId open = m_desktop.Add("Held unlocked", false);
  Leave({95, 1}, {locked}, true);
  Leave({96, 1}, {open}, false);
  m_processes.m_running = {"95.1", "96.1"};
  const std::map<std::string, std::vector<std::uint8_t>> whole = m_store.m_values;
  const struct {
    const char* what;
    std::set<int> shifted;  // the walks, counted from 1, that miss the locked journal
    std::vector<WindowId> held;
  } cases[] = {
      {"the first walk", {1}, {locked}},
      {"all but the second, which alone sees it", {1, 3, 4, 5}, {locked}},
      {"every other walk: no two agree", {1, 3, 5}, {locked, open}},
  };
  for (const auto& c : cases) {
    int walk = 0;
    m_store.m_onRead = [&] {
      m_store.m_values = whole;
      if (c.shifted.count(++walk)) m_store.m_values.erase("95.1");
    };
    std::vector<WindowId> want = c.held;
    std::sort(want.begin(), want.end());
    EXPECT_EQ(m_keeper.HeldLocked(), want) << c.what;
  }
}

// Through the engine: another copy locks a window this run holds hidden too.
// No operation of this run shows it while that lock holds, and each asks
// afresh.
TEST_F(JournalKeeperTest, NoOperationShowsWhatAnotherCopyHoldsLocked) {
  WindowEngine engine(m_desktop);
  engine.SetRecord(&m_keeper);
  engine.SetOthers(&m_keeper);
  WindowId secret = m_desktop.Add("Secret");
  WindowId plain = m_desktop.Add("Plain");
  engine.FillTable();
  engine.ToggleEntry(0);
  const InstanceId other{96, 1};
  m_processes.m_running = {JournalName(other)};
  Leave(other, {secret}, true);
  m_desktop.m_onShow = [&](WindowId window, ShowCommand) { EXPECT_NE(window, secret); };

  m_desktop.at(plain).visible = false;
  engine.ShowAll();
  EXPECT_TRUE(m_desktop.at(plain).visible);
  EXPECT_EQ(engine.ToggleEntry(0), ToggleResult::None);
  EXPECT_EQ(engine.ToggleEntry(1), ToggleResult::Hidden);
  EXPECT_THAT(engine.HiddenToGiveBack(), ElementsAre(plain));
  EXPECT_FALSE(m_desktop.at(secret).visible);
  EXPECT_EQ(engine.table()[0].hidden, 1);
  EXPECT_THAT(OursNames(), ElementsAre(secret, plain));  // still named, so never stranded

  // the other copy unlocks: the next decision sees it
  Leave(other, {secret}, false);
  m_desktop.m_onShow = nullptr;
  EXPECT_THAT(engine.HiddenToGiveBack(), ElementsAre(secret, plain));
  EXPECT_EQ(engine.ToggleEntry(0), ToggleResult::Shown);
}

// Windows listed as they stood, top first, whatever the table's order; the
// next run takes them back in the order of the list.
TEST_F(JournalKeeperTest, ARecordListsTheWindowsAsTheyStoodAndIsTakenBackInThatOrder) {
  WindowId low = m_desktop.Add("Low", false);
  WindowId high = m_desktop.Add("High", false);
  m_table.AdoptHidden(low, "Low");
  m_table.AdoptHidden(high, "High");
  m_keeper.NoteStack({high, low});
  ASSERT_TRUE(m_keeper.Record(m_table));
  EXPECT_THAT(OursNames(), ElementsAre(high, low));

  m_store.m_values.clear();
  HiddenWindowTable next;
  Leave(m_dead, {high, low});
  EXPECT_THAT(m_keeper.TakeBack(next, m_keeper.FindAbandoned(), false).stack, ElementsAre(high, low));
}

// Through the engine: every window is in the journal before it is asked to
// hide, so a kill between the two strands none.
TEST_F(JournalKeeperTest, EveryHideIsRecordedBeforeItIsAskedFor) {
  WindowEngine engine(m_desktop);
  engine.SetRecord(&m_keeper);
  std::vector<WindowId> ids;
  for (const char* title : {"One", "Two", "Three"}) ids.push_back(m_desktop.Add(title));
  engine.FillTable();
  int checked = 0;
  m_desktop.m_onShow = [&](WindowId window, ShowCommand command) {
    std::vector<WindowId> recorded = OursNames();
    bool named = std::find(recorded.begin(), recorded.end(), window) != recorded.end();
    EXPECT_EQ(named, command == ShowCommand::Hide || m_desktop.at(window).visible == false);
    ++checked;
  };
  engine.HideAll();
  EXPECT_THAT(OursNames(), ElementsAre(ids[0], ids[1], ids[2]));
  engine.ToggleEntry(1);
  EXPECT_THAT(OursNames(), ElementsAre(ids[0], ids[2]));
  engine.ToggleEntry(1);
  m_desktop.m_foreground = ids[1];
  engine.ShowAll();
  EXPECT_THAT(OursNames(), IsEmpty());
  m_desktop.m_onShow = nullptr;
  m_desktop.at(ids[2]).refusesRequests = true;
  engine.HideAll();
  EXPECT_THAT(OursNames(), ElementsAre(ids[0], ids[1]));  // the refused one is taken out again
  EXPECT_EQ(checked, 3 + 2 + 3);
}

// A window no journal can name would be stranded by a kill: it is not hidden.
TEST_F(JournalKeeperTest, AHideTheJournalCannotRecordIsNotMade) {
  WindowEngine engine(m_desktop);
  engine.SetRecord(&m_keeper);
  WindowId kept = m_desktop.Add("Kept");
  WindowId other = m_desktop.Add("Other");
  engine.FillTable();
  engine.ToggleEntry(engine.table().Find(kept));
  m_store.m_failWrites = true;
  int asked = 0;
  m_desktop.m_onShow = [&](WindowId, ShowCommand) { ++asked; };
  m_desktop.m_foreground = other;
  EXPECT_FALSE(engine.HideAll());
  EXPECT_FALSE(engine.HideCurrent());
  EXPECT_EQ(engine.ToggleEntry(engine.table().Find(other)), ToggleResult::Refused);
  EXPECT_EQ(asked, 0);
  EXPECT_TRUE(m_desktop.at(other).visible);
  EXPECT_EQ(engine.table()[engine.table().Find(other)].hidden, 0);
  EXPECT_NE(engine.table()[engine.table().Find(kept)].hidden, 0);  // what was recorded stays hidden
  EXPECT_THAT(OursNames(), ElementsAre(kept));
  m_store.m_failWrites = false;
  EXPECT_TRUE(engine.HideAll());
  EXPECT_FALSE(m_desktop.at(other).visible);
}

// Nor can one whose record is written but cannot be read back: the next
// start would find nothing to give back. The lock is not engaged either.
TEST_F(JournalKeeperTest, ARecordThatCannotBeReadBackIsNone) {
  WindowEngine engine(m_desktop);
  engine.SetRecord(&m_keeper);
  WindowId other = m_desktop.Add("Other");
  engine.FillTable();
  m_store.m_unreadable = {JournalName(m_processes.m_self)};
  m_desktop.m_foreground = other;
  EXPECT_FALSE(engine.HideAll());
  EXPECT_FALSE(engine.HideCurrent());
  EXPECT_EQ(engine.ToggleEntry(engine.table().Find(other)), ToggleResult::Refused);
  EXPECT_TRUE(m_desktop.at(other).visible);
  m_store.m_unreadable.clear();
  EXPECT_TRUE(engine.HideAll());
  m_store.m_unreadable = {JournalName(m_processes.m_self)};
  EXPECT_FALSE(m_keeper.SetLocked(true, engine.table()));
}

}  // namespace
}  // namespace velumix

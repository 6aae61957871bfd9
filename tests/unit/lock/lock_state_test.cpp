#include "lock/lock_state.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace velumix {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::StartsWith;

const std::string kMistake = "ShowMessage Mistake in entering a password. Try again!|Oops...";
const std::string kAskLocked =
    "Ask The program is locked! By Exiting, currently hidden windows will remain hidden. Proceed?|Exit Velumix?";
const std::string kAskUnlocked = "Ask By Exiting, currently hidden windows will be unhidden. Proceed?|Exit Velumix?";

struct Entry {
  DialogResult result;
  std::string password, confirm = {};
};

// Either password dialog, answering from a script; past its end it cancels.
template <typename Prompt>
class ScriptedPrompt : public Prompt {
 public:
  DialogResult Run() {
    m_promptOpenSeen.push_back(g_passwordPromptOpen);
    if (m_whileOpen) m_whileOpen();
    if (m_script.empty()) return DialogResult::Cancel;
    m_current = m_script.front();
    m_script.pop_front();
    return m_current.result;
  }
  const std::string& password() const { return m_current.password; }
  const std::string& confirm() const { return m_current.confirm; }

  std::deque<Entry> m_script;
  std::vector<std::int32_t> m_promptOpenSeen;
  std::function<void()> m_whileOpen;  // what happens elsewhere while it is up

 private:
  Entry m_current;
};

class FakeLockHost : public LockHost {
 public:
  explicit FakeLockHost(SettingsRecord& record) : m_record(record) {}

  bool HideToTray() override { return Note("HideToTray"), m_trayWorks; }
  bool RecordLock(bool locked) override {
    if (m_recordWorks) m_recordedLocked = locked;
    return m_recordWorks;
  }
  void ShowMessage(const char* text, const char* caption) override {
    Note(std::string("ShowMessage ") + text + "|" + caption);
    // What arrives while the message box runs its own message loop.
    if (m_whileOpen) std::exchange(m_whileOpen, nullptr)();
  }
  Answer Ask(const char* text, const char* caption) override {
    Note(std::string("Ask ") + text + "|" + caption);
    if (m_whileOpen) std::exchange(m_whileOpen, nullptr)();
    return m_answer;
  }
  void StorePassword() override {
    Note("StorePassword");
    if (m_storeWorks) m_storedPassword = m_record.m_password;
  }
  // Settings that take writes hold what is in force; refusing, they hold another.
  bool PasswordStored() override { return m_storeWorks; }
  // As the settings hold it now: the record follows what another copy wrote.
  const std::string& PasswordInForce() override {
    if (m_writtenElsewhere) m_record.m_password = *std::exchange(m_writtenElsewhere, std::nullopt);
    return m_record.m_password;
  }
  void BringToFront() override { Note("BringToFront"); }
  bool AnyHidden() override { return m_anyHidden; }
  void ShowAll() override { Note("ShowAll"); }
  void EndProgram() override { Note("EndProgram"); }
  bool DialogOpen() override { return m_dialogOpen; }
  void BringDialogForward() override { Note("BringDialogForward"); }

  bool m_trayWorks = true, m_anyHidden = false, m_dialogOpen = false;
  bool m_recordWorks = true, m_recordedLocked = false, m_storeWorks = true;
  std::function<void()> m_whileOpen;
  Answer m_answer = Answer::Yes;
  std::string m_storedPassword = "<never stored>";
  std::optional<std::string> m_writtenElsewhere;  // by another copy, since the record was read
  std::vector<std::string> m_calls;

 private:
  void Note(std::string call) { m_calls.push_back(std::move(call)); }
  SettingsRecord& m_record;
};

class LockStateTest : public ::testing::Test {
 protected:
  void SetUp() override { g_passwordPromptOpen = 0; }
  void Lock(std::initializer_list<Entry> script) {
    m_setPassword.m_script.assign(script);
    m_state.OnLock(m_record, m_host, m_setPassword);
  }
  bool Unlock(std::initializer_list<Entry> script) {
    m_unlock.m_script.assign(script);
    return m_state.UnlockWithPassword(m_host, m_unlock);
  }

  SettingsRecord m_record;
  FakeLockHost m_host{m_record};
  ScriptedPrompt<SetPasswordPrompt> m_setPassword;
  ScriptedPrompt<UnlockPrompt> m_unlock;
  LockState m_state;
};

using OnLock = LockStateTest;

TEST_F(OnLock, StoredPasswordLocksWithoutAnyDialog) {
  m_record.m_password = "secret";
  Lock({});
  EXPECT_TRUE(m_state.locked());
  EXPECT_THAT(m_setPassword.m_promptOpenSeen, IsEmpty());
  EXPECT_THAT(m_host.m_calls, ElementsAre("HideToTray"));
}

TEST_F(OnLock, APasswordAnotherCopySetSinceTheStartLocksWithoutAnyDialog) {
  m_host.m_writtenElsewhere = "set elsewhere";
  Lock({});
  EXPECT_TRUE(m_state.locked());
  EXPECT_THAT(m_setPassword.m_promptOpenSeen, IsEmpty());
  EXPECT_TRUE(Unlock({{DialogResult::Ok, "set elsewhere"}}));
}

TEST_F(OnLock, CancelledFirstPasswordChangesNothing) {
  Lock({{DialogResult::Cancel, "typed", "typed"}});
  EXPECT_FALSE(m_state.locked());
  EXPECT_EQ(m_record.m_password, "");
  EXPECT_THAT(m_host.m_calls, IsEmpty());
}

TEST_F(OnLock, NewPasswordIsStoredAsTypedThenLocks) {
  Lock({{DialogResult::Ok, " Mixed Case ", " Mixed Case "}});
  EXPECT_TRUE(m_state.locked());
  EXPECT_EQ(m_record.m_passwordConfirm, " Mixed Case ");
  EXPECT_EQ(m_host.m_storedPassword, " Mixed Case ");
  EXPECT_THAT(m_host.m_calls, ElementsAre("StorePassword", "HideToTray"));
}

TEST_F(OnLock, EmptyPasswordLocksAndUnlocksAndIsAskedForAgain) {
  m_record.m_passwordConfirm = "stale";
  Lock({{DialogResult::Ok, "", ""}});
  EXPECT_TRUE(m_state.locked());
  EXPECT_EQ(m_record.m_passwordConfirm, "");
  EXPECT_EQ(m_host.m_storedPassword, "");
  EXPECT_TRUE(Unlock({{DialogResult::Ok, ""}}));
  EXPECT_FALSE(m_state.locked());
  Lock({});
  EXPECT_EQ(m_setPassword.m_promptOpenSeen.size(), 2u);
}

TEST_F(OnLock, EntriesDifferingOnlyInCaseAreAMistakeAndAskAgain) {
  Lock({{DialogResult::Ok, "Secret", "secret"}, {DialogResult::Ok, "Secret", "Secret"}});
  EXPECT_THAT(m_host.m_calls, ElementsAre(kMistake, "StorePassword", "HideToTray"));
  EXPECT_EQ(m_record.m_password, "Secret");
  EXPECT_TRUE(m_state.locked());
}

TEST_F(OnLock, RetriesAreUnlimited) {
  for (int i = 0; i < 50; ++i) m_setPassword.m_script.push_back({DialogResult::Ok, "a", std::string(i + 1, 'b')});
  m_setPassword.m_script.push_back({DialogResult::Ok, "right", "right"});
  m_state.OnLock(m_record, m_host, m_setPassword);
  EXPECT_EQ(std::count(m_host.m_calls.begin(), m_host.m_calls.end(), kMistake), 50);
  EXPECT_TRUE(m_state.locked());
  EXPECT_EQ(m_host.m_storedPassword, "right");
}

TEST_F(OnLock, CancelAfterAMismatchStoresNothing) {
  Lock({{DialogResult::Ok, "a", "b"}, {DialogResult::Cancel, "a", "a"}});
  EXPECT_THAT(m_host.m_calls, ElementsAre(kMistake));
  EXPECT_FALSE(m_state.locked());
  EXPECT_EQ(m_record.m_password, "");
}

TEST_F(OnLock, TrayFailureLeavesItUnlockedAndSaysSo) {
  m_host.m_trayWorks = false;
  m_record.m_password = "secret";
  Lock({});
  EXPECT_FALSE(m_state.locked());
  EXPECT_THAT(m_host.m_calls, ElementsAre("HideToTray", StartsWith("ShowMessage ")));
}

TEST_F(OnLock, ALockTheRecordCannotNoteIsNotEngaged) {
  m_host.m_recordWorks = false;
  m_record.m_password = "secret";
  Lock({});
  EXPECT_FALSE(m_state.locked());
  EXPECT_THAT(m_host.m_calls, ElementsAre(std::string("ShowMessage ") + kCannotLockUnrecorded + "|" + kOopsCaption));
  // recorded, then the tray refuses: the record is put back
  m_host.m_recordWorks = true;
  m_host.m_trayWorks = false;
  Lock({});
  EXPECT_FALSE(m_host.m_recordedLocked);
  m_host.m_trayWorks = true;
  Lock({});
  EXPECT_TRUE(m_state.locked());
  EXPECT_TRUE(m_host.m_recordedLocked);
}

// The next start reads the password from the settings: one they do not
// hold cannot keep what this run locks away.
TEST_F(OnLock, APasswordTheSettingsDoNotHoldEngagesNoLock) {
  m_host.m_storeWorks = false;
  Lock({{DialogResult::Ok, "new", "new"}});
  EXPECT_FALSE(m_state.locked());
  EXPECT_THAT(m_host.m_calls,
              ElementsAre("StorePassword", std::string("ShowMessage ") + kCannotLockUnstored + "|" + kOopsCaption));
  // still in force for this run, and the next lock asks nothing and is refused again
  m_host.m_calls.clear();
  Lock({});
  EXPECT_FALSE(m_state.locked());
  EXPECT_THAT(m_host.m_calls, ElementsAre(std::string("ShowMessage ") + kCannotLockUnstored + "|" + kOopsCaption));
}

TEST_F(OnLock, TrayFailureAfterANewPasswordStillStoresIt) {
  m_host.m_trayWorks = false;
  Lock({{DialogResult::Ok, "new", "new"}});
  EXPECT_FALSE(m_state.locked());
  EXPECT_EQ(m_host.m_storedPassword, "new");
  EXPECT_THAT(m_host.m_calls, ElementsAre("StorePassword", "HideToTray", StartsWith("ShowMessage ")));
}

TEST_F(OnLock, BehindAnOpenDialogNothingLocksAndTheUserIsTold) {
  for (const char* password : {"secret", ""}) {
    m_record.m_password = password;
    m_host.m_calls.clear();
    m_host.m_dialogOpen = true;
    // A second request while the refusal is up only brings it forward.
    m_host.m_whileOpen = [&] { Lock({{DialogResult::Ok, "new", "new"}}); };
    Lock({{DialogResult::Ok, "new", "new"}});
    EXPECT_FALSE(m_state.locked());
    EXPECT_THAT(m_setPassword.m_promptOpenSeen, IsEmpty());
    EXPECT_EQ(m_record.m_password, password);
    EXPECT_THAT(m_host.m_calls, ElementsAre(std::string("ShowMessage ") + kCannotLockNow + "|Oops...",
                                            "BringDialogForward"));
  }
}

TEST_F(OnLock, WhileLockedDoesNothing) {
  m_record.m_password = "secret";
  m_state.LockAtStart();
  m_host.m_dialogOpen = true;
  Lock({});
  EXPECT_TRUE(m_state.locked());
  EXPECT_THAT(m_host.m_calls, IsEmpty());
}

class UnlockWithPassword : public LockStateTest {
 protected:
  void SetUp() override {
    LockStateTest::SetUp();
    m_record.m_password = "secret";
    m_state.LockAtStart();
  }
};

TEST_F(UnlockWithPassword, PromptFlagIsUpOnlyWhileThePromptRuns) {
  EXPECT_FALSE(Unlock({{DialogResult::Cancel, ""}}));
  EXPECT_THAT(m_unlock.m_promptOpenSeen, ElementsAre(1));
  EXPECT_EQ(g_passwordPromptOpen, 0);
  EXPECT_TRUE(m_state.locked());
}

TEST_F(UnlockWithPassword, EveryWrongPasswordIsAnsweredUntilTheRightOne) {
  EXPECT_TRUE(Unlock({{DialogResult::Ok, "Secret"}, {DialogResult::Ok, ""}, {DialogResult::Ok, "secret"}}));
  EXPECT_FALSE(m_state.locked());
  EXPECT_THAT(m_unlock.m_promptOpenSeen, ElementsAre(1, 1, 1));
  EXPECT_EQ(g_passwordPromptOpen, 0);
  EXPECT_THAT(m_host.m_calls, ElementsAre("BringToFront", kMistake, kMistake, "BringToFront"));
}

// Another copy may set or change the password while the prompt is up: each
// entry is held against the one in force when it comes back.
TEST_F(UnlockWithPassword, EachEntryIsComparedWithThePasswordInForceWhenItComesBack) {
  m_unlock.m_whileOpen = [&] { m_host.m_writtenElsewhere = "changed elsewhere"; };
  EXPECT_TRUE(Unlock({{DialogResult::Ok, "secret"}, {DialogResult::Ok, "changed elsewhere"}}));
  EXPECT_THAT(m_host.m_calls, ElementsAre("BringToFront", kMistake, "BringToFront"));
}

TEST_F(UnlockWithPassword, CancelAfterAWrongPasswordStaysLocked) {
  EXPECT_FALSE(Unlock({{DialogResult::Ok, "wrong"}, {DialogResult::Cancel, "secret"}}));
  EXPECT_TRUE(m_state.locked());
  EXPECT_EQ(g_passwordPromptOpen, 0);
}

TEST_F(LockStateTest, ExitAsksOnlyWhenWindowsAreHiddenAndShowsThemOnlyWhenUnlocked) {
  const struct {
    bool hidden, locked;
    Answer answer;
    std::vector<std::string> calls;
  } cases[] = {
      {false, false, Answer::No, {"EndProgram"}},
      {false, true, Answer::No, {"EndProgram"}},
      {true, true, Answer::No, {kAskLocked}},
      {true, true, Answer::Yes, {kAskLocked, "EndProgram"}},
      {true, false, Answer::No, {kAskUnlocked}},
      {true, false, Answer::Yes, {kAskUnlocked, "ShowAll", "EndProgram"}},
  };
  for (const auto& c : cases) {
    m_host.m_calls.clear();
    m_host.m_anyHidden = c.hidden;
    m_host.m_answer = c.answer;
    LockState state;
    if (c.locked) state.LockAtStart();
    state.OnExit(m_host);
    EXPECT_EQ(m_host.m_calls, c.calls) << "hidden " << c.hidden << " locked " << c.locked;
  }
}

TEST_F(LockStateTest, ExitBehindAnOpenDialogOnlyBringsItForward) {
  m_host.m_anyHidden = true;
  m_host.m_dialogOpen = true;
  m_state.OnExit(m_host);
  EXPECT_THAT(m_host.m_calls, ElementsAre("BringDialogForward"));
}

TEST_F(LockStateTest, AnExitAnswerGivenUnderAnotherLockStateIsAskedAgain) {
  m_host.m_anyHidden = true;
  // locked while the unlocked question was open: Yes must not show anything
  m_record.m_password = "secret";
  m_host.m_whileOpen = [&] { Lock({}); };
  m_state.OnExit(m_host);
  EXPECT_THAT(m_host.m_calls, ElementsAre(kAskUnlocked, "HideToTray", kAskLocked, "EndProgram"));

  // unlocked from the tray while the locked question was open
  m_host.m_calls.clear();
  m_host.m_whileOpen = [&] { Unlock({{DialogResult::Ok, "secret"}}); };
  m_host.m_answer = Answer::Yes;
  m_state.OnExit(m_host);
  EXPECT_THAT(m_host.m_calls,
              ElementsAre(kAskLocked, "BringToFront", "BringToFront", kAskUnlocked, "ShowAll", "EndProgram"));
}

}  // namespace
}  // namespace velumix

#include "settings/configure_flow.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace velumix {
namespace {

using ::testing::ElementsAre;
using Keys = std::array<std::uint16_t, kHotKeyCount>;

Keys KeysOf(const SettingsRecord& r) { return {r.m_hotKey[0], r.m_hotKey[1], r.m_hotKey[2], r.m_hotKey[3]}; }

struct Showing {
  DialogResult result;
  ConfigEntries entries;
  std::optional<Keys> keys = std::nullopt;  // what its OK writes into the record, as the real dialog does
};

// The dialog and the host in one, so that one log shows the order of all.
class ConfigureScene : public ConfigDialog, public ConfigureHost {
 public:
  explicit ConfigureScene(SettingsRecord& record) : m_record(record) {}

  DialogResult Run() override {
    m_calls.push_back("Run");
    m_keysSeen.push_back(KeysOf(m_record));
    if (m_script.empty()) return DialogResult::Cancel;
    const Showing showing = m_script.front();
    m_script.pop_front();
    m_entries = showing.entries;
    if (showing.result == DialogResult::Ok && showing.keys) std::copy_n(showing.keys->begin(), kHotKeyCount, m_record.m_hotKey);
    return showing.result;
  }
  const ConfigEntries& entries() const override { return m_entries; }

  void UnregisterHotKeys() override { m_calls.push_back("Unregister"); }
  void RegisterHotKeys() override { m_calls.push_back("Register"); }
  void ShowPasswordMistake() override { m_calls.push_back("Mistake"); }
  void ReplaceTrayIcon(int camouflage) override {
    m_calls.push_back("ReplaceTrayIcon " + std::to_string(camouflage));
    m_camouflageAtReplace = m_record.m_camouflage;
  }
  void StoreAllSettings() override {
    m_calls.push_back("Store");
    m_stored = m_record;
  }

  std::deque<Showing> m_script;
  std::vector<std::string> m_calls;
  std::vector<Keys> m_keysSeen;
  int m_camouflageAtReplace = -1;
  SettingsRecord m_stored;

 private:
  SettingsRecord& m_record;
  ConfigEntries m_entries;
};

class RunConfigureTest : public ::testing::Test {
 protected:
  void Run(std::initializer_list<Showing> script) {
    m_scene.m_script.assign(script);
    RunConfigure(m_record, m_scene, m_scene);
  }

  SettingsRecord m_record{1, 0, "old", "old", {0, 'L'}, {0, 2}};
  ConfigureScene m_scene{m_record};
};

TEST_F(RunConfigureTest, CancelRegistersTheHotKeysAgainAndChangesNothing) {
  Run({{DialogResult::Cancel, {1, 3, "new", "new"}, Keys{1, 2, 3, 4}}});
  EXPECT_THAT(m_scene.m_calls, ElementsAre("Unregister", "Run", "Register"));
  EXPECT_EQ(m_record.m_camouflage, 1);
  EXPECT_EQ(m_record.m_startMinimized, 0);
  EXPECT_EQ(m_record.m_password, "old");
  EXPECT_EQ(KeysOf(m_record), (Keys{0, 'L', 0, 0}));
}

TEST_F(RunConfigureTest, MatchingPasswordsApplyTheEntriesBeforeStoring) {
  Run({{DialogResult::Ok, {1, 1, "New Pw", "New Pw"}, Keys{'S', 'L', 'C', 'A'}}});
  EXPECT_THAT(m_scene.m_calls, ElementsAre("Unregister", "Run", "Store", "Register"));
  EXPECT_EQ(m_scene.m_stored.m_startMinimized, 1);
  EXPECT_EQ(m_scene.m_stored.m_camouflage, 1);
  EXPECT_EQ(m_scene.m_stored.m_password, "New Pw");
  EXPECT_EQ(m_scene.m_stored.m_passwordConfirm, "New Pw");
  EXPECT_EQ(KeysOf(m_scene.m_stored), (Keys{'S', 'L', 'C', 'A'}));
  EXPECT_EQ(m_record.m_password, "New Pw");
}

TEST_F(RunConfigureTest, UnchangedEntriesAreStoredAllTheSame) {
  Run({{DialogResult::Ok, {0, 1, "old", "old"}}});
  EXPECT_THAT(m_scene.m_calls, ElementsAre("Unregister", "Run", "Store", "Register"));
}

TEST_F(RunConfigureTest, BothPasswordsEmptiedRemoveThePassword) {
  Run({{DialogResult::Ok, {0, 1, "", ""}}});
  EXPECT_EQ(m_record.m_password, "");
  EXPECT_EQ(m_record.m_passwordConfirm, "");
}

TEST_F(RunConfigureTest, MismatchShowsTheMistakeAndTheDialogAgainWithTheNewHotKeys) {
  const Keys rejected{'1', '2', '3', '4'};
  Run({{DialogResult::Ok, {0, 1, "abc", "abd"}, rejected}, {DialogResult::Ok, {0, 1, "abc", "abc"}}});
  EXPECT_THAT(m_scene.m_calls, ElementsAre("Unregister", "Run", "Mistake", "Run", "Store", "Register"));
  ASSERT_EQ(m_scene.m_keysSeen.size(), 2u);
  EXPECT_EQ(m_scene.m_keysSeen[1], rejected);
  EXPECT_EQ(m_record.m_password, "abc");
}

TEST_F(RunConfigureTest, CancelAfterAMismatchStoresNothingButKeepsTheRejectedHotKeys) {
  const Keys rejected{'1', '2', '3', '4'};
  Run({{DialogResult::Ok, {1, 2, "abc", "abd"}, rejected}, {DialogResult::Cancel, {}}});
  EXPECT_THAT(m_scene.m_calls, ElementsAre("Unregister", "Run", "Mistake", "Run", "Register"));
  EXPECT_EQ(KeysOf(m_record), rejected);
  EXPECT_EQ(m_record.m_password, "old");
  EXPECT_EQ(m_record.m_camouflage, 1);
  EXPECT_EQ(m_record.m_startMinimized, 0);
}

TEST_F(RunConfigureTest, PasswordsDifferingOnlyInCaseDoNotMatch) {
  Run({{DialogResult::Ok, {0, 1, "Secret", "secret"}}});
  EXPECT_THAT(m_scene.m_calls, ElementsAre("Unregister", "Run", "Mistake", "Run", "Register"));
  EXPECT_EQ(m_record.m_password, "old");
}

TEST_F(RunConfigureTest, ChangedCamouflageReplacesTheTrayIconBeforeTheRecordTakesIt) {
  Run({{DialogResult::Ok, {0, 3, "old", "old"}}});
  EXPECT_THAT(m_scene.m_calls, ElementsAre("Unregister", "Run", "ReplaceTrayIcon 3", "Store", "Register"));
  EXPECT_EQ(m_scene.m_camouflageAtReplace, 1);
  EXPECT_EQ(m_record.m_camouflage, 3);
}

}  // namespace
}  // namespace velumix

#include "settings/configure_flow.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
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

// One run of Configure: the showings the user goes through, and what must
// follow: the calls in order, and the record after it (which, once stored,
// is what was stored).
struct ConfigureCase {
  const char* name;
  std::vector<Showing> script;
  std::vector<std::string> calls;
  int startMinimized, camouflage;
  std::string password;
  Keys keys;
  std::optional<Keys> keysAtSecondShowing = std::nullopt;
  int camouflageAtReplace = -1;  // the record's camouflage when the icon was replaced
};

const Keys kOldKeys{0, 'L', 0, 0};
const Keys kRejected{'1', '2', '3', '4'};

const ConfigureCase kConfigureCases[] = {
    {"CancelRegistersTheHotKeysAgainAndChangesNothing",
     {{DialogResult::Cancel, {1, 3, "new", "new"}, Keys{1, 2, 3, 4}}},
     {"Unregister", "Run", "Register"}, 0, 1, "old", kOldKeys},
    {"MatchingPasswordsApplyTheEntriesBeforeStoring",
     {{DialogResult::Ok, {1, 1, "New Pw", "New Pw"}, Keys{'S', 'L', 'C', 'A'}}},
     {"Unregister", "Run", "Store", "Register"}, 1, 1, "New Pw", Keys{'S', 'L', 'C', 'A'}},
    {"UnchangedEntriesAreStoredAllTheSame",
     {{DialogResult::Ok, {0, 1, "old", "old"}}},
     {"Unregister", "Run", "Store", "Register"}, 0, 1, "old", kOldKeys},
    {"BothPasswordsEmptiedRemoveThePassword",
     {{DialogResult::Ok, {0, 1, "", ""}}},
     {"Unregister", "Run", "Store", "Register"}, 0, 1, "", kOldKeys},
    {"MismatchShowsTheMistakeAndTheDialogAgainWithTheNewHotKeys",
     {{DialogResult::Ok, {0, 1, "abc", "abd"}, kRejected}, {DialogResult::Ok, {0, 1, "abc", "abc"}}},
     {"Unregister", "Run", "Mistake", "Run", "Store", "Register"}, 0, 1, "abc", kRejected, kRejected},
    {"CancelAfterAMismatchStoresNothingButKeepsTheRejectedHotKeys",
     {{DialogResult::Ok, {1, 2, "abc", "abd"}, kRejected}, {DialogResult::Cancel, {}}},
     {"Unregister", "Run", "Mistake", "Run", "Register"}, 0, 1, "old", kRejected, kRejected},
    {"PasswordsDifferingOnlyInCaseDoNotMatch",
     {{DialogResult::Ok, {0, 1, "Secret", "secret"}}},
     {"Unregister", "Run", "Mistake", "Run", "Register"}, 0, 1, "old", kOldKeys},
    {"ChangedCamouflageReplacesTheTrayIconBeforeTheRecordTakesIt",
     {{DialogResult::Ok, {0, 3, "old", "old"}}},
     {"Unregister", "Run", "ReplaceTrayIcon 3", "Store", "Register"}, 0, 3, "old", kOldKeys, std::nullopt, 1},
};

class RunConfigureTest : public ::testing::TestWithParam<ConfigureCase> {};

TEST_P(RunConfigureTest, FollowsItsShowings) {
  const ConfigureCase& c = GetParam();
  SettingsRecord record{1, 0, "old", "old", {0, 'L'}, {0, 2}, false, {}};
  ConfigureScene scene{record};
  scene.m_script.assign(c.script.begin(), c.script.end());
  RunConfigure(record, scene, scene);

  EXPECT_EQ(scene.m_calls, c.calls);
  EXPECT_EQ(record.m_startMinimized, c.startMinimized);
  EXPECT_EQ(record.m_camouflage, c.camouflage);
  EXPECT_EQ(record.m_password, c.password);
  EXPECT_EQ(record.m_passwordConfirm, c.password);
  EXPECT_EQ(KeysOf(record), c.keys);
  EXPECT_EQ(record.m_hotMod[RecordIndex(HOTKEY_LOCK)], 2);  // the dialog's OK writes the modifiers, not Configure
  if (std::find(c.calls.begin(), c.calls.end(), "Store") != c.calls.end()) {
    EXPECT_EQ(scene.m_stored.m_password, c.password);
    EXPECT_EQ(KeysOf(scene.m_stored), c.keys);
    EXPECT_EQ(scene.m_stored.m_camouflage, c.camouflage);
    EXPECT_EQ(scene.m_stored.m_startMinimized, c.startMinimized);
  }
  if (c.keysAtSecondShowing) {
    ASSERT_EQ(scene.m_keysSeen.size(), 2u);
    EXPECT_EQ(scene.m_keysSeen[1], *c.keysAtSecondShowing);
  }
  EXPECT_EQ(scene.m_camouflageAtReplace, c.camouflageAtReplace);
}

INSTANTIATE_TEST_SUITE_P(Configure, RunConfigureTest, ::testing::ValuesIn(kConfigureCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace velumix

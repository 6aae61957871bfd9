#include "settings/settings_record.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace velumix {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::Not;

// Notes every call as "<op> <entry>=<value>"; reads note their fallback.
class FakeProfileStore : public ProfileStore {
 public:
  std::uint32_t ReadInt(const char* section, const char* entry, std::uint32_t fallback) override {
    Note(section, "ReadInt ", entry, std::to_string(fallback));
    return m_ints.count(entry) ? m_ints[entry] : fallback;
  }
  std::string ReadString(const char* section, const char* entry, const char* fallback) override {
    Note(section, "ReadString ", entry, fallback);
    return m_strings.count(entry) ? m_strings[entry] : fallback;
  }
  bool WriteInt(const char* section, const char* entry, std::uint32_t value) override {
    Note(section, "WriteInt ", entry, std::to_string(value));
    if (!m_refuseWrites) m_ints[entry] = value;
    return !m_refuseWrites;
  }
  bool WriteString(const char* section, const char* entry, const char* value) override {
    Note(section, "WriteString ", entry, value);
    if (!m_refuseWrites) m_strings[entry] = value;
    return !m_refuseWrites;
  }

  std::optional<std::vector<std::uint8_t>> ReadMultiString(const char* section, const char* entry) override {
    Note(section, "ReadMultiString ", entry, "");
    return m_lists.count(entry) ? std::optional(m_lists[entry]) : std::nullopt;
  }
  bool WriteMultiString(const char* section, const char* entry, const std::vector<std::uint8_t>& data) override {
    Note(section, "WriteMultiString ", entry, std::to_string(data.size()));
    if (!m_refuseWrites) m_lists[entry] = data;
    return !m_refuseWrites;
  }

  std::map<std::string, std::vector<std::uint8_t>> m_lists;
  std::map<std::string, std::uint32_t> m_ints;
  std::map<std::string, std::string> m_strings;
  std::vector<std::string> m_calls;
  bool m_refuseWrites = false;

 private:
  void Note(const char* section, const char* op, const char* entry, const std::string& value) {
    EXPECT_STREQ(section, "Settings");
    m_calls.push_back(op + std::string(entry) + "=" + value);
  }
};

TEST(LoadSettings, EmptyStoreGivesDefaultsReadInRecordOrder) {
  FakeProfileStore store;
  SettingsRecord record = LoadSettings(store);
  EXPECT_EQ(record.m_camouflage, 0);
  EXPECT_EQ(record.m_startMinimized, 0);
  EXPECT_EQ(record.m_password, "");
  EXPECT_EQ(record.m_passwordConfirm, "");
  for (int i = 0; i < kHotKeyCount; ++i) EXPECT_EQ(record.m_hotKey[i] | record.m_hotMod[i], 0) << i;
  EXPECT_THAT(store.m_calls,
              ElementsAre("ReadInt camouflage=0", "ReadInt startminimized=0", "ReadString password=",
                          "ReadInt hot_showall_key=0", "ReadInt hot_lock_key=0", "ReadInt hot_hidecurrent_key=0",
                          "ReadInt hot_hideall_key=0", "ReadInt hot_showall_mod=0", "ReadInt hot_lock_mod=0",
                          "ReadInt hot_hidecurrent_mod=0", "ReadInt hot_hideall_mod=0", "ReadMultiString keepshown="));
}

TEST(LoadSettings, HotKeysKeepTheirLowSixteenBitsOptionsStayWhole) {
  FakeProfileStore store;
  store.m_ints = {{"camouflage", 7}, {"startminimized", 1}, {"hot_lock_key", 0x12345}, {"hot_hideall_mod", 0x10006}};
  store.m_strings = {{"password", "Open Sesame"}};
  SettingsRecord record = LoadSettings(store);
  EXPECT_EQ(record.m_camouflage, 7);
  EXPECT_EQ(record.m_startMinimized, 1);
  EXPECT_EQ(record.m_hotKey[RecordIndex(HOTKEY_LOCK)], 0x2345);
  EXPECT_EQ(record.m_hotMod[RecordIndex(HOTKEY_HIDEALL)], 0x0006);
  EXPECT_EQ(record.m_password, "Open Sesame");
  EXPECT_EQ(record.m_passwordConfirm, "Open Sesame");
}

TEST(LoadSettings, EmptyStoredPasswordMeansNoPassword) {
  FakeProfileStore store;
  store.m_strings = {{"password", ""}};
  SettingsRecord record = LoadSettings(store);
  EXPECT_EQ(record.m_password, "");
  EXPECT_EQ(record.m_passwordConfirm, "");
}

TEST(StoreSettings, StoreAllWritesElevenValuesPasswordFirst) {
  SettingsRecord record{2, 1, " My Pass ", "", {'S', 'L', 'C', 'A'}, {1, 2, 4, 8}, false, {}};
  FakeProfileStore store;
  StoreAllSettings(store, record);
  EXPECT_THAT(store.m_calls,
              ElementsAre("WriteString password= My Pass ", "WriteInt camouflage=2", "WriteInt startminimized=1",
                          "WriteInt hot_showall_key=83", "WriteInt hot_lock_key=76", "WriteInt hot_hidecurrent_key=67",
                          "WriteInt hot_hideall_key=65", "WriteInt hot_showall_mod=1", "WriteInt hot_lock_mod=2",
                          "WriteInt hot_hidecurrent_mod=4", "WriteInt hot_hideall_mod=8"));
}

TEST(StoreSettings, StorePasswordWritesThePasswordAloneAsTyped) {
  SettingsRecord record{3, 1, "  CaSe Kept", "", {'S'}, {1}, false, {}};
  FakeProfileStore store;
  StorePassword(store, record);
  EXPECT_THAT(store.m_calls, ElementsAre("WriteString password=  CaSe Kept"));
}

// Another copy may set, change or clear the password at any time.
TEST(PasswordInForce, IsReadFromTheStoreAtEachDecisionAndTheRecordFollows) {
  FakeProfileStore store;
  SettingsRecord record = LoadSettings(store);
  for (const char* stored : {"set by another copy", "changed since", ""}) {
    store.m_strings["password"] = stored;
    EXPECT_EQ(PasswordInForce(store, record), stored);
    EXPECT_EQ(record.m_password, stored);
    EXPECT_EQ(record.m_passwordConfirm, stored);
  }
}

TEST(PasswordInForce, OneTheStoreRefusedStaysInForceForThisRunUntilOneIsStored) {
  for (void (*store_)(ProfileStore&, SettingsRecord&) : {&StorePassword, &StoreAllSettings}) {
    FakeProfileStore store;
    store.m_strings["password"] = "old";
    SettingsRecord record = LoadSettings(store);
    record.m_password = "new";
    store.m_refuseWrites = true;
    store_(store, record);
    EXPECT_EQ(PasswordInForce(store, record), "new");
    store.m_refuseWrites = false;
    store_(store, record);
    store.m_strings["password"] = "changed elsewhere";
    EXPECT_EQ(PasswordInForce(store, record), "changed elsewhere");
  }
}

TEST(StoreSettings, TheKeptProgramsAreWrittenWholeAloneAndReadBack) {
  FakeProfileStore store;
  SettingsRecord record = LoadSettings(store);
  EXPECT_TRUE(record.m_keepShown.empty());
  KeepShownList keep;
  keep.Toggle(u"notepad.exe");
  store.m_calls.clear();
  StoreKeepShown(store, record, keep);
  EXPECT_THAT(store.m_calls, ElementsAre("WriteMultiString keepshown=26", "ReadMultiString keepshown="));
  EXPECT_TRUE(LoadSettings(store).m_keepShown.Contains(u"NOTEPAD.EXE"));
  // A list the store refused is not in force: the record holds what was stored.
  store.m_refuseWrites = true;
  keep.Toggle(u"calc.exe");
  StoreKeepShown(store, record, keep);
  EXPECT_FALSE(record.m_keepShown.Contains(u"calc.exe"));
  EXPECT_TRUE(record.m_keepShown.Contains(u"notepad.exe"));
  store.m_calls.clear();
  StoreAllSettings(store, record);
  EXPECT_THAT(store.m_calls, Not(Contains(::testing::StartsWith("WriteMultiString"))));
}

TEST(StoreSettings, ModifierBitsAboveTheLowByteSurviveLoadAndStore) {
  FakeProfileStore store;
  store.m_ints = {{"hot_hideall_mod", 0x4002}, {"hot_lock_mod", 0xFF01}};
  SettingsRecord record = LoadSettings(store);
  EXPECT_EQ(record.m_hotMod[RecordIndex(HOTKEY_HIDEALL)], 0x4002);
  EXPECT_EQ(record.m_hotMod[RecordIndex(HOTKEY_LOCK)], 0xFF01);
  FakeProfileStore written;
  StoreAllSettings(written, record);
  EXPECT_THAT(written.m_calls, Contains("WriteInt hot_hideall_mod=16386"));
  EXPECT_THAT(written.m_calls, Contains("WriteInt hot_lock_mod=65281"));
}

}  // namespace
}  // namespace velumix

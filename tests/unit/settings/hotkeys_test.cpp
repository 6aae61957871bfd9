#include "settings/hotkeys.h"

#include <gtest/gtest.h>

namespace velumix {
namespace {

TEST(SwapShiftAlt, ExchangesOnlyTheShiftAndAltBits) {
  const std::uint16_t cases[][2] = {{0, 0}, {1, 4}, {4, 1}, {2, 2}, {3, 6}, {6, 3}, {5, 5}, {7, 7}, {8, 8}, {9, 12}};
  for (const auto& c : cases) EXPECT_EQ(SwapShiftAlt(c[0]), c[1]) << "flags " << c[0];
}

TEST(SwapShiftAlt, TranslatesBackAndForthUnchanged) {
  for (unsigned flags = 0; flags <= 0xFFFF; ++flags) {
    auto value = static_cast<std::uint16_t>(flags);
    ASSERT_EQ(SwapShiftAlt(SwapShiftAlt(value)), value);
  }
}

TEST(HasDuplicateHotKeys, SameKeyAndModifiersOnAnyTwoOperationsClash) {
  for (int first = 0; first < kHotKeyCount; ++first) {
    for (int second = first + 1; second < kHotKeyCount; ++second) {
      ControlHotKey controls[kHotKeyCount] = {{'A', 2}, {'B', 2}, {'C', 2}, {'D', 2}};
      controls[second] = controls[first];
      EXPECT_TRUE(HasDuplicateHotKeys(controls)) << first << " and " << second;
    }
  }
}

TEST(HasDuplicateHotKeys, BindingsWithoutKeyOrModifiersNeverClash) {
  const ControlHotKey otherFlags[kHotKeyCount] = {{'X', 2}, {'X', 3}, {'X', 1}, {'X', 4}};
  EXPECT_FALSE(HasDuplicateHotKeys(otherFlags));
  const ControlHotKey noModifiers[kHotKeyCount] = {{'X', 0}, {'X', 0}, {0, 0}, {0, 0}};
  EXPECT_FALSE(HasDuplicateHotKeys(noModifiers));
  const ControlHotKey noKey[kHotKeyCount] = {{0, 2}, {0, 2}, {'Y', 2}, {0, 0}};
  EXPECT_FALSE(HasDuplicateHotKeys(noKey));
  const ControlHotKey empty[kHotKeyCount] = {};
  EXPECT_FALSE(HasDuplicateHotKeys(empty));
}

TEST(ControlHotKeys, AreStoredInRegistrationFlagsAndShownBackAsEntered) {
  const struct {
    std::uint8_t controlFlags;
    std::uint16_t storedMods;
  } cases[] = {{3, 6}, {1, 4}, {4, 1}, {2, 2}};  // Shift+Ctrl, Shift, Alt, Ctrl
  for (const auto& c : cases) {
    const std::uint16_t entered = static_cast<std::uint16_t>('X' | c.controlFlags << 8);
    ControlHotKey controls[kHotKeyCount] = {};
    controls[kHotKeyHideCurrent] = ControlHotKeyFromValue(entered);
    SettingsRecord record;
    record.m_hotKey[kHotKeyShowAll] = 'Q';
    ApplyControlHotKeys(record, controls);
    EXPECT_EQ(record.m_hotKey[kHotKeyHideCurrent], 'X');
    EXPECT_EQ(record.m_hotMod[kHotKeyHideCurrent], c.storedMods) << "control flags " << int{c.controlFlags};
    EXPECT_EQ(record.m_hotKey[kHotKeyShowAll], 0);  // every binding is taken from its control
    EXPECT_EQ(ControlValueFor(record.m_hotKey[kHotKeyHideCurrent], record.m_hotMod[kHotKeyHideCurrent]), entered);
  }
}

TEST(ControlHotKeys, ExtendedKeysAreStoredAsTypedAndRegisteredWithoutTheWindowsKey) {
  // Ctrl+Home and Ctrl+Alt+Right as the control gives them: the extended-key bit set
  const ControlHotKey controls[kHotKeyCount] = {{0x24, 2 | 8}, {0x27, 2 | 4 | 8}, {'H', 2}, {0, 0}};
  SettingsRecord record;
  ApplyControlHotKeys(record, controls);
  EXPECT_EQ(record.m_hotMod[kHotKeyShowAll], 2 | 8);
  EXPECT_EQ(record.m_hotMod[kHotKeyLock], 2 | 1 | 8);
  EXPECT_EQ(ControlValueFor(record.m_hotKey[kHotKeyLock], record.m_hotMod[kHotKeyLock]), 0x27 | (2 | 4 | 8) << 8);
  EXPECT_EQ(RegistrationModifiers(record.m_hotMod[kHotKeyShowAll]), 2);
  EXPECT_EQ(RegistrationModifiers(record.m_hotMod[kHotKeyLock]), 2 | 1);
  EXPECT_EQ(RegistrationModifiers(2), 2);
  EXPECT_EQ(RegistrationModifiers(0x4000 | 8 | 1), 0x4001);
}

TEST(ControlHotKeys, StoredBitsAboveTheControlsByteSurviveTheDialog) {
  SettingsRecord record;
  record.m_hotMod[kHotKeyHideAll] = 0x4000 | 2;
  record.m_hotKey[kHotKeyHideAll] = 'J';
  ControlHotKey controls[kHotKeyCount] = {};
  controls[kHotKeyHideAll] = ControlHotKeyFromValue(ControlValueFor('J', record.m_hotMod[kHotKeyHideAll]));
  ApplyControlHotKeys(record, controls);
  EXPECT_EQ(record.m_hotMod[kHotKeyHideAll], 0x4000 | 2);
  EXPECT_EQ(record.m_hotMod[kHotKeyShowAll], 0);
}

}  // namespace
}  // namespace velumix

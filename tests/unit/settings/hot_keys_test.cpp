#include "settings/hot_keys.h"

#include "settings/settings_record.h"

#include <gtest/gtest.h>

namespace velumix {
namespace {

TEST(DispatchedHotKey, EachRegisteredIdRunsItsOperation) {
  EXPECT_EQ(DispatchedHotKey(1, false), HOTKEY_SHOWALL);
  EXPECT_EQ(DispatchedHotKey(2, false), HOTKEY_LOCK);
  EXPECT_EQ(DispatchedHotKey(3, false), HOTKEY_HIDECURRENT);
  EXPECT_EQ(DispatchedHotKey(4, false), HOTKEY_HIDEALL);
  for (int id : {0, 5, -1}) EXPECT_EQ(DispatchedHotKey(id, false), std::nullopt) << id;
}

TEST(DispatchedHotKey, LockedIgnoresEveryIdTheLockKeyToo) {
  for (int id : {-1, 0, 1, 2, 3, 4, 5}) EXPECT_EQ(DispatchedHotKey(id, true), std::nullopt) << id;
}

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

// The registration drops the extended-key bit: Ctrl+Home typed on the Home
// key and on the keypad's 7 (NumLock off) register the same combination.
TEST(HasDuplicateHotKeys, BindingsThatRegisterTheSameCombinationClashWhateverTheExtendedBit) {
  const ControlHotKey controls[kHotKeyCount] = {{0x24, 2 | 8}, {'L', 2}, {0x24, 2}, {0, 0}};
  EXPECT_TRUE(HasDuplicateHotKeys(controls));
  const ControlHotKey extendedOnly[kHotKeyCount] = {{0x24, 8}, {0x24, 0}, {0, 0}, {0, 0}};
  EXPECT_FALSE(HasDuplicateHotKeys(extendedOnly));  // no modifiers on either: nothing registers
}

TEST(ControlHotKeys, AreStoredInRegistrationFlagsAndShownBackAsEntered) {
  const struct {
    std::uint8_t controlFlags;
    std::uint16_t storedMods;
  } cases[] = {{3, 6}, {1, 4}, {4, 1}, {2, 2}};  // Shift+Ctrl, Shift, Alt, Ctrl
  for (const auto& c : cases) {
    const std::uint16_t entered = static_cast<std::uint16_t>('X' | c.controlFlags << 8);
    ControlHotKey controls[kHotKeyCount] = {};
    controls[RecordIndex(HOTKEY_HIDECURRENT)] = ControlHotKeyFromValue(entered);
    SettingsRecord record;
    record.m_hotKey[RecordIndex(HOTKEY_SHOWALL)] = 'Q';
    ApplyControlHotKeys(record, controls);
    EXPECT_EQ(record.m_hotKey[RecordIndex(HOTKEY_HIDECURRENT)], 'X');
    EXPECT_EQ(record.m_hotMod[RecordIndex(HOTKEY_HIDECURRENT)], c.storedMods) << "control flags " << int{c.controlFlags};
    EXPECT_EQ(record.m_hotKey[RecordIndex(HOTKEY_SHOWALL)], 0);  // every binding is taken from its control
    EXPECT_EQ(ControlValueFor(record.m_hotKey[RecordIndex(HOTKEY_HIDECURRENT)], record.m_hotMod[RecordIndex(HOTKEY_HIDECURRENT)]), entered);
  }
}

TEST(ControlHotKeys, ExtendedKeysAreStoredAsTypedAndRegisteredWithoutTheWindowsKey) {
  // Ctrl+Home and Ctrl+Alt+Right as the control gives them: the extended-key bit set
  const ControlHotKey controls[kHotKeyCount] = {{0x24, 2 | 8}, {0x27, 2 | 4 | 8}, {'H', 2}, {0, 0}};
  SettingsRecord record;
  ApplyControlHotKeys(record, controls);
  EXPECT_EQ(record.m_hotMod[RecordIndex(HOTKEY_SHOWALL)], 2 | 8);
  EXPECT_EQ(record.m_hotMod[RecordIndex(HOTKEY_LOCK)], 2 | 1 | 8);
  EXPECT_EQ(ControlValueFor(record.m_hotKey[RecordIndex(HOTKEY_LOCK)], record.m_hotMod[RecordIndex(HOTKEY_LOCK)]), 0x27 | (2 | 4 | 8) << 8);
  EXPECT_EQ(RegistrationModifiers(record.m_hotMod[RecordIndex(HOTKEY_SHOWALL)]), 2);
  EXPECT_EQ(RegistrationModifiers(record.m_hotMod[RecordIndex(HOTKEY_LOCK)]), 2 | 1);
  EXPECT_EQ(RegistrationModifiers(2), 2);
  EXPECT_EQ(RegistrationModifiers(0x4000 | 8 | 1), 0x4001);
}

// What is typed replaces the stored combination whole: bits above the
// control's byte (from an edit or another version), which the registration
// refuses, are repaired by retyping the key.
TEST(ControlHotKeys, WhatIsTypedReplacesTheStoredModifiersWhole) {
  constexpr int kHideAll = RecordIndex(HOTKEY_HIDEALL);
  SettingsRecord record;
  record.m_hotMod[kHideAll] = 0x0102;
  record.m_hotKey[kHideAll] = 'J';
  ControlHotKey controls[kHotKeyCount] = {};
  controls[kHideAll] = ControlHotKeyFromValue(ControlValueFor('J', record.m_hotMod[kHideAll]));
  ApplyControlHotKeys(record, controls);
  EXPECT_EQ(record.m_hotMod[kHideAll], 2);
  EXPECT_EQ(record.m_hotMod[RecordIndex(HOTKEY_SHOWALL)], 0);
}

}  // namespace
}  // namespace velumix

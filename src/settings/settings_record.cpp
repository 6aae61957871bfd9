#include "settings/settings_record.h"

#include <utility>

namespace velumix {

namespace {

KeepShownList LoadKeepShown(ProfileStore& store) {
  std::optional<std::vector<std::uint8_t>> data = store.ReadMultiString(kSettingsSection, kValueKeepShown);
  return data ? KeepShownList::FromMultiString(*data) : KeepShownList();
}

}  // namespace

SettingsRecord LoadSettings(ProfileStore& store) {
  SettingsRecord record;
  record.m_camouflage = static_cast<std::int32_t>(store.ReadInt(kSettingsSection, kValueCamouflage, 0));
  record.m_startMinimized = static_cast<std::int32_t>(store.ReadInt(kSettingsSection, kValueStartMinimized, 0));
  record.m_password = store.ReadString(kSettingsSection, kValuePassword, "");
  record.m_passwordConfirm = record.m_password;
  for (int i = 0; i < kHotKeyCount; ++i) {
    record.m_hotKey[i] = static_cast<std::uint16_t>(store.ReadInt(kSettingsSection, kHotKeyValueNames[i], 0));
  }
  for (int i = 0; i < kHotKeyCount; ++i) {
    record.m_hotMod[i] = static_cast<std::uint16_t>(store.ReadInt(kSettingsSection, kHotModValueNames[i], 0));
  }
  record.m_keepShown = LoadKeepShown(store);
  return record;
}

void StoreKeepShown(ProfileStore& store, SettingsRecord& record, const KeepShownList& keep) {
  store.WriteMultiString(kSettingsSection, kValueKeepShown, keep.ToMultiString());
  record.m_keepShown = LoadKeepShown(store);
}

void StoreAllSettings(ProfileStore& store, SettingsRecord& record) {
  StorePassword(store, record);
  store.WriteInt(kSettingsSection, kValueCamouflage, static_cast<std::uint32_t>(record.m_camouflage));
  store.WriteInt(kSettingsSection, kValueStartMinimized, static_cast<std::uint32_t>(record.m_startMinimized));
  for (int i = 0; i < kHotKeyCount; ++i) store.WriteInt(kSettingsSection, kHotKeyValueNames[i], record.m_hotKey[i]);
  for (int i = 0; i < kHotKeyCount; ++i) store.WriteInt(kSettingsSection, kHotModValueNames[i], record.m_hotMod[i]);
}

void StorePassword(ProfileStore& store, SettingsRecord& record) {
  record.m_passwordUnstored = !store.WriteString(kSettingsSection, kValuePassword, record.m_password.c_str());
}

bool PasswordIsStored(ProfileStore& store, const SettingsRecord& record) {
  return store.ReadString(kSettingsSection, kValuePassword, "") == record.m_password;
}

const std::string& PasswordInForce(ProfileStore& store, SettingsRecord& record) {
  if (record.m_passwordUnstored) return record.m_password;
  std::string stored = store.ReadString(kSettingsSection, kValuePassword, "");
  if (stored != record.m_password) {
    record.m_password = std::move(stored);
    record.m_passwordConfirm = record.m_password;
  }
  return record.m_password;
}

}  // namespace velumix

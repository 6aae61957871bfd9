// The user's options, password and hot keys, as loaded at start and stored
// by Configure and by setting a first password.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/keep_shown.h"
#include "settings/hot_keys.h"

namespace velumix {

struct SettingsRecord {
  std::int32_t m_camouflage = 0;
  std::int32_t m_startMinimized = 0;
  std::string m_password;         // UTF-8; empty: no password set
  std::string m_passwordConfirm;  // the confirmation last accepted
  // In record order (see HotKeyId).
  std::uint16_t m_hotKey[kHotKeyCount] = {};  // virtual-key codes, 0 for none
  std::uint16_t m_hotMod[kHotKeyCount] = {};  // MOD_ALT 1, MOD_CONTROL 2, MOD_SHIFT 4, MOD_WIN 8
  bool m_passwordUnstored = false;  // m_password was set by this run and refused by the store
  // Stored apart from the eleven values, and only when it changes.
  KeepShownList m_keepShown;
};

// The four profile operations of one section. Strings are UTF-8.
class ProfileStore {
 public:
  virtual ~ProfileStore() = default;
  virtual std::uint32_t ReadInt(const char* section, const char* entry, std::uint32_t fallback) = 0;
  virtual std::string ReadString(const char* section, const char* entry, const char* fallback) = 0;
  virtual bool WriteInt(const char* section, const char* entry, std::uint32_t value) = 0;
  virtual bool WriteString(const char* section, const char* entry, const char* value) = 0;
  // A multi-string value's stored bytes; nothing when it is missing, of
  // another type or larger than a list is read.
  virtual std::optional<std::vector<std::uint8_t>> ReadMultiString(const char* /*section*/, const char* /*entry*/) {
    return std::nullopt;
  }
  virtual bool WriteMultiString(const char* /*section*/, const char* /*entry*/,
                                const std::vector<std::uint8_t>& /*data*/) {
    return false;
  }
};

// A list of kept programs is read as at most this many bytes.
inline constexpr std::size_t kKeepShownReadLimit = 64 * 1024;

inline constexpr char kSettingsSection[] = "Settings";

inline constexpr char kValueCamouflage[] = "camouflage";
inline constexpr char kValueStartMinimized[] = "startminimized";
inline constexpr char kValuePassword[] = "password";
inline constexpr char kValueKeepShown[] = "keepshown";
inline constexpr const char* kHotKeyValueNames[kHotKeyCount] = {"hot_showall_key", "hot_lock_key",
                                                                 "hot_hidecurrent_key", "hot_hideall_key"};
inline constexpr const char* kHotModValueNames[kHotKeyCount] = {"hot_showall_mod", "hot_lock_mod",
                                                                 "hot_hidecurrent_mod", "hot_hideall_mod"};

// Reads every value, with the defaults for what is missing; keys and
// modifiers keep their low 16 bits.
SettingsRecord LoadSettings(ProfileStore& store);
// Writes the programs that Hide All leaves shown, whole, then reads them
// back into the record: what the record holds is what was stored.
void StoreKeepShown(ProfileStore& store, SettingsRecord& record, const KeepShownList& keep);
// Writes all eleven values: the password first, then the options, the four
// keys and the four modifiers.
void StoreAllSettings(ProfileStore& store, SettingsRecord& record);
// Writes the password alone. One the store refuses is in force for this run
// all the same.
void StorePassword(ProfileStore& store, SettingsRecord& record);
// The settings hold the record's password, as the next start will read it.
bool PasswordIsStored(ProfileStore& store, const SettingsRecord& record);
// The password in force when a decision is made. Another copy of the
// program may have set, changed or cleared it since this one started, so it
// is read from the store at each decision, and the record follows it; only
// a password this run set and the store refused stays in force instead.
const std::string& PasswordInForce(ProfileStore& store, SettingsRecord& record);

}  // namespace velumix

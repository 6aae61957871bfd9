// The settings record's store: the application's profile functions.
#pragma once

#include "framework/registry_profile.h"
#include "framework/winapp.h"
#include "settings/settings_record.h"

namespace velumix {

class AppProfileStore final : public ProfileStore {
 public:
  std::uint32_t ReadInt(const char* section, const char* entry, std::uint32_t fallback) override {
    return fw::AfxGetApp()->GetProfileInt(section, entry, fallback);
  }
  std::string ReadString(const char* section, const char* entry, const char* fallback) override {
    return fw::AfxGetApp()->GetProfileString(section, entry, fallback);
  }
  bool WriteInt(const char* section, const char* entry, std::uint32_t value) override {
    return fw::AfxGetApp()->WriteProfileInt(section, entry, value) != FALSE;
  }
  bool WriteString(const char* section, const char* entry, const char* value) override {
    return fw::AfxGetApp()->WriteProfileString(section, entry, value) != FALSE;
  }
  std::optional<std::vector<std::uint8_t>> ReadMultiString(const char* section, const char* entry) override {
    return Profile().GetMultiString(section, entry, kKeepShownReadLimit);
  }
  bool WriteMultiString(const char* section, const char* entry, const std::vector<std::uint8_t>& data) override {
    return Profile().WriteMultiString(section, entry, data);
  }

 private:
  static fw::RegistryProfile Profile() {
    return fw::RegistryProfile(fw::AfxGetApp()->m_registryKey, fw::AfxGetApp()->m_appName);
  }
};

}  // namespace velumix

#include "settings/registry_profile_win.h"

#include <windows.h>

#include <vector>

#include "framework/handles.h"
#include "settings/profile_format.h"

namespace velumix {

namespace {

constexpr REGSAM kAccess = KEY_READ | KEY_WRITE;

fw::unique_hkey CreateSubKey(HKEY parent, const char* name) {
  HKEY key = nullptr;
  DWORD disposition = 0;
  if (::RegCreateKeyExA(parent, name, 0, nullptr, REG_OPTION_NON_VOLATILE, kAccess, nullptr, &key, &disposition) !=
      ERROR_SUCCESS) {
    return {};
  }
  return fw::unique_hkey(key);
}

// Software is opened, never created; the levels below it are created as
// needed, so the first read already leaves the whole chain behind.
fw::unique_hkey OpenSectionKey(const std::string& registryKey, const std::string& appName, const char* section) {
  HKEY software = nullptr;
  if (::RegOpenKeyExA(HKEY_CURRENT_USER, "Software", 0, kAccess, &software) != ERROR_SUCCESS) return {};
  fw::unique_hkey softwareKey(software);
  fw::unique_hkey rootKey = CreateSubKey(softwareKey.get(), registryKey.c_str());
  if (!rootKey) return {};
  fw::unique_hkey appKey = CreateSubKey(rootKey.get(), appName.c_str());
  if (!appKey) return {};
  return CreateSubKey(appKey.get(), section);
}

}  // namespace

std::uint32_t RegistryProfile::GetInt(const char* section, const char* entry, std::uint32_t fallback) const {
  fw::unique_hkey key = OpenSectionKey(m_registryKey, m_appName, section);
  if (!key) return fallback;
  std::uint8_t buffer[4] = {};
  DWORD size = sizeof buffer;
  if (::RegQueryValueExA(key.get(), entry, nullptr, nullptr, buffer, &size) != ERROR_SUCCESS) return fallback;
  return DecodeProfileInt(std::span<const std::uint8_t>(buffer, size), fallback);
}

std::string RegistryProfile::GetString(const char* section, const char* entry, std::string_view fallback) const {
  fw::unique_hkey key = OpenSectionKey(m_registryKey, m_appName, section);
  if (!key) return std::string(fallback);
  DWORD size = 0;
  if (::RegQueryValueExA(key.get(), entry, nullptr, nullptr, nullptr, &size) != ERROR_SUCCESS) {
    return std::string(fallback);
  }
  std::vector<std::uint8_t> data(size);
  if (::RegQueryValueExA(key.get(), entry, nullptr, nullptr, data.data(), &size) != ERROR_SUCCESS) {
    return std::string(fallback);
  }
  data.resize(size);
  return DecodeProfileString(std::span<const std::uint8_t>(data), fallback);
}

bool RegistryProfile::WriteInt(const char* section, const char* entry, std::uint32_t value) const {
  fw::unique_hkey key = OpenSectionKey(m_registryKey, m_appName, section);
  if (!key) return false;
  DWORD data = value;
  return ::RegSetValueExA(key.get(), entry, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data), sizeof data) ==
         ERROR_SUCCESS;
}

bool RegistryProfile::WriteString(const char* section, const char* entry, std::string_view value) const {
  fw::unique_hkey key = OpenSectionKey(m_registryKey, m_appName, section);
  if (!key) return false;
  std::string text(value);
  return ::RegSetValueExA(key.get(), entry, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                          static_cast<DWORD>(text.size() + 1)) == ERROR_SUCCESS;
}

}  // namespace velumix

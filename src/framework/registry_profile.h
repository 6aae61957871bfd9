// The settings store on the registry: values under
// HKEY_CURRENT_USER\Software\<registry key>\<application name>\<section>.
// Every call opens the chain afresh (creating what is missing) and closes it
// before it returns.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace fw {

class RegistryProfile {
 public:
  RegistryProfile(std::string registryKey, std::string appName)
      : m_registryKey(std::move(registryKey)), m_appName(std::move(appName)) {}

  std::uint32_t GetInt(const char* section, const char* entry, std::uint32_t fallback) const;
  // Strings are UTF-8, stored as REG_SZ; a value of another type reads as
  // its bytes in the ANSI code page.
  std::string GetString(const char* section, const char* entry, std::string_view fallback) const;
  bool WriteInt(const char* section, const char* entry, std::uint32_t value) const;
  bool WriteString(const char* section, const char* entry, std::string_view value) const;
  // A REG_MULTI_SZ value as stored (UTF-16, low byte first), when it is one
  // and holds no more than `limit` bytes; nothing otherwise.
  std::optional<std::vector<std::uint8_t>> GetMultiString(const char* section, const char* entry,
                                                          std::size_t limit) const;
  bool WriteMultiString(const char* section, const char* entry, const std::vector<std::uint8_t>& data) const;

  // Every value of a section with its data, values larger than `limit`
  // without it; reading creates nothing.
  struct Value {
    std::string name;
    std::vector<std::uint8_t> data;
    bool read;  // false when too large or unreadable
  };
  std::vector<Value> ReadValues(const char* section, std::size_t limit) const;
  bool WriteBinary(const char* section, const char* entry, const std::vector<std::uint8_t>& data) const;
  void DeleteValue(const char* section, const char* entry) const;

 private:
  std::string m_registryKey;
  std::string m_appName;
};

}  // namespace fw

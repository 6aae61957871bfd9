#include "framework/registry_profile.h"

#include <windows.h>

#include <vector>

#include "framework/handles.h"
#include "framework/profile_format.h"
#include "framework/wide_text.h"

namespace fw {

namespace {

// The levels above the section are walked with both, so that what is
// missing can be made; the section itself is opened for what the call does,
// so that a key that refuses writes still reads as what it holds.
constexpr REGSAM kWalkAccess = KEY_READ | KEY_WRITE;

unique_hkey CreateSubKey(HKEY parent, const char* name, REGSAM access) {
  HKEY key = nullptr;
  DWORD disposition = 0;
  if (::RegCreateKeyExA(parent, name, 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr, &key, &disposition) !=
      ERROR_SUCCESS) {
    return {};
  }
  return unique_hkey(key);
}

unique_hkey OpenSubKey(HKEY parent, const char* name, REGSAM access) {
  HKEY key = nullptr;
  if (::RegOpenKeyExA(parent, name, 0, access, &key) != ERROR_SUCCESS) return {};
  return unique_hkey(key);
}

// One read of a value into the caller's buffer, as ReadChangingValue asks;
// `query(buffer, &size)` is the registry's call.
template <typename Query>
auto ReadStep(Query query) {
  return [query](std::uint8_t* buffer, std::size_t& size) {
    DWORD got = static_cast<DWORD>(size);
    LONG status = query(buffer, &got);
    size = got;
    if (status == ERROR_SUCCESS) return ReadAnswer::Done;
    return status == ERROR_MORE_DATA ? ReadAnswer::Larger : ReadAnswer::Failed;
  };
}

auto QueryValue(HKEY key, const char* entry) {
  return ReadStep([key, entry](BYTE* buffer, DWORD* size) {
    return ::RegQueryValueExA(key, entry, nullptr, nullptr, buffer, size);
  });
}

// The same through the Unicode call, which gives strings as UTF-16 and
// `type` as what the read found.
auto QueryWideValue(HKEY key, const std::wstring& entry, DWORD& type) {
  return ReadStep([key, &entry, &type](BYTE* buffer, DWORD* size) {
    return ::RegQueryValueExW(key, entry.c_str(), nullptr, &type, buffer, size);
  });
}

// A read step that fails once the value has grown past `limit`: one grown
// that large since its size was asked is no more read than one that was.
template <typename Step>
auto WithinLimit(Step step, std::size_t limit) {
  return [step, limit](std::uint8_t* buffer, std::size_t& got) {
    ReadAnswer answer = step(buffer, got);
    return answer == ReadAnswer::Larger && got > limit ? ReadAnswer::Failed : answer;
  };
}

// Software is opened, never created; the levels below it are created as
// needed, so the first read already leaves the whole chain behind. Without
// `create` nothing is created.
unique_hkey OpenSectionKey(const std::string& registryKey, const std::string& appName, const char* section,
                               REGSAM access, bool create = true) {
  // Once the chain exists, as it does from the first start on, one open finds
  // the key the walk below would end on: one registry call instead of seven,
  // eleven times over while the settings load. A chain that is gone, whole
  // or in part, is walked and made again.
  std::string path = "Software\\" + registryKey + "\\" + appName + "\\" + section;
  if (unique_hkey key = OpenSubKey(HKEY_CURRENT_USER, path.c_str(), access)) return key;
  auto open = create ? CreateSubKey : OpenSubKey;
  unique_hkey softwareKey = OpenSubKey(HKEY_CURRENT_USER, "Software", kWalkAccess);
  if (!softwareKey) return {};
  unique_hkey rootKey = open(softwareKey.get(), registryKey.c_str(), kWalkAccess);
  if (!rootKey) return {};
  unique_hkey appKey = open(rootKey.get(), appName.c_str(), kWalkAccess);
  if (!appKey) return {};
  return open(appKey.get(), section, access);
}

}  // namespace

std::uint32_t RegistryProfile::GetInt(const char* section, const char* entry, std::uint32_t fallback) const {
  unique_hkey key = OpenSectionKey(m_registryKey, m_appName, section, KEY_READ);
  if (!key) return fallback;
  std::uint8_t buffer[4] = {};
  DWORD size = sizeof buffer;
  if (::RegQueryValueExA(key.get(), entry, nullptr, nullptr, buffer, &size) != ERROR_SUCCESS) return fallback;
  return DecodeProfileInt(std::span<const std::uint8_t>(buffer, size), fallback);
}

std::string RegistryProfile::GetString(const char* section, const char* entry, std::string_view fallback) const {
  unique_hkey key = OpenSectionKey(m_registryKey, m_appName, section, KEY_READ);
  if (!key) return std::string(fallback);
  std::wstring name = WideFromUtf8(entry);
  DWORD size = 0;
  if (::RegQueryValueExW(key.get(), name.c_str(), nullptr, nullptr, nullptr, &size) != ERROR_SUCCESS) {
    return std::string(fallback);
  }
  DWORD type = REG_NONE;
  std::optional<std::vector<std::uint8_t>> data = ReadChangingValue(size, QueryWideValue(key.get(), name, type));
  if (!data) return std::string(fallback);
  if (type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ) {
    std::u16string text = DecodeProfileText(*data);
    return Utf8FromWide(std::wstring(text.begin(), text.end()));
  }
  // Data of other types comes as stored, which the 8-bit calls took for text
  // in the ANSI code page.
  return Utf8FromWide(WideFromAnsi(DecodeProfileString(std::span<const std::uint8_t>(*data), fallback)));
}

bool RegistryProfile::WriteInt(const char* section, const char* entry, std::uint32_t value) const {
  unique_hkey key = OpenSectionKey(m_registryKey, m_appName, section, KEY_WRITE);
  if (!key) return false;
  DWORD data = value;
  return ::RegSetValueExA(key.get(), entry, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data), sizeof data) ==
         ERROR_SUCCESS;
}

// REG_SZ holds UTF-16 whichever call writes it: text the ANSI code page can
// represent is stored as the 8-bit call stored it, any other as it is.
bool RegistryProfile::WriteString(const char* section, const char* entry, std::string_view value) const {
  unique_hkey key = OpenSectionKey(m_registryKey, m_appName, section, KEY_WRITE);
  if (!key) return false;
  std::wstring text = WideFromUtf8(value);
  return ::RegSetValueExW(key.get(), WideFromUtf8(entry).c_str(), 0, REG_SZ,
                          reinterpret_cast<const BYTE*>(text.c_str()),
                          static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

std::optional<std::vector<std::uint8_t>> RegistryProfile::GetMultiString(const char* section, const char* entry,
                                                                         std::size_t limit) const {
  unique_hkey key = OpenSectionKey(m_registryKey, m_appName, section, KEY_READ);
  if (!key) return std::nullopt;
  std::wstring name = WideFromUtf8(entry);
  DWORD type = REG_NONE;
  DWORD size = 0;
  if (::RegQueryValueExW(key.get(), name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
      type != REG_MULTI_SZ || size > limit) {
    return std::nullopt;
  }
  // Rewritten meanwhile, it must still be a multi-string within the limit.
  std::optional<std::vector<std::uint8_t>> data =
      ReadChangingValue(size, WithinLimit(QueryWideValue(key.get(), name, type), limit));
  if (!data || type != REG_MULTI_SZ) return std::nullopt;
  return data;
}

bool RegistryProfile::WriteMultiString(const char* section, const char* entry,
                                       const std::vector<std::uint8_t>& data) const {
  unique_hkey key = OpenSectionKey(m_registryKey, m_appName, section, KEY_WRITE);
  if (!key) return false;
  return ::RegSetValueExW(key.get(), WideFromUtf8(entry).c_str(), 0, REG_MULTI_SZ, data.data(),
                          static_cast<DWORD>(data.size())) == ERROR_SUCCESS;
}

std::vector<RegistryProfile::Value> RegistryProfile::ReadValues(const char* section, std::size_t limit) const {
  std::vector<Value> values;
  unique_hkey key = OpenSectionKey(m_registryKey, m_appName, section, KEY_READ, false);
  if (!key) return values;
  for (DWORD index = 0;; ++index) {
    char name[256];
    DWORD nameSize = sizeof name;
    DWORD size = 0;
    LONG status = ::RegEnumValueA(key.get(), index, name, &nameSize, nullptr, nullptr, nullptr, &size);
    if (status == ERROR_NO_MORE_ITEMS) break;
    if (status != ERROR_SUCCESS) continue;  // a name too long for us is none of ours
    Value value{std::string(name, nameSize), {}, false};
    if (size <= limit) {
      std::optional<std::vector<std::uint8_t>> data =
          ReadChangingValue(size, WithinLimit(QueryValue(key.get(), name), limit));
      value.read = data.has_value();
      if (data) value.data = std::move(*data);
    }
    values.push_back(std::move(value));
  }
  return values;
}

bool RegistryProfile::WriteBinary(const char* section, const char* entry, const std::vector<std::uint8_t>& data) const {
  unique_hkey key = OpenSectionKey(m_registryKey, m_appName, section, KEY_WRITE);
  if (!key) return false;
  return ::RegSetValueExA(key.get(), entry, 0, REG_BINARY, data.data(), static_cast<DWORD>(data.size())) ==
         ERROR_SUCCESS;
}

void RegistryProfile::DeleteValue(const char* section, const char* entry) const {
  if (unique_hkey key = OpenSectionKey(m_registryKey, m_appName, section, KEY_SET_VALUE, false)) {
    ::RegDeleteValueA(key.get(), entry);
  }
}

}  // namespace fw

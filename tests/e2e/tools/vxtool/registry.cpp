#include "registry.h"

#include <windows.h>
#include <sddl.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <initializer_list>
#include <iterator>
#include <string_view>

#include "framework/handles.h"
#include "output.h"

namespace vxtool {

namespace {

struct RootKey {
  std::string_view shortName;
  std::string_view longName;
  HKEY key;
};

// The predefined keys are pointer constants, which a constant expression may
// not cast from a number.
const RootKey kRootKeys[] = {
    {"HKCU", "HKEY_CURRENT_USER", HKEY_CURRENT_USER},
    {"HKLM", "HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE},
    {"HKCR", "HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT},
    {"HKU", "HKEY_USERS", HKEY_USERS},
};

struct ValueType {
  std::string_view name;
  DWORD type;
};

constexpr ValueType kValueTypes[] = {
    {"REG_NONE", REG_NONE},
    {"REG_SZ", REG_SZ},
    {"REG_EXPAND_SZ", REG_EXPAND_SZ},
    {"REG_BINARY", REG_BINARY},
    {"REG_DWORD", REG_DWORD},
    {"REG_DWORD_BIG_ENDIAN", REG_DWORD_BIG_ENDIAN},
    {"REG_MULTI_SZ", REG_MULTI_SZ},
    {"REG_QWORD", REG_QWORD},
};

bool SplitKey(const std::string& path, HKEY* root, std::string* subKey) {
  size_t backslash = path.find('\\');
  std::string head = path.substr(0, backslash);
  *subKey = backslash == std::string::npos ? std::string() : path.substr(backslash + 1);
  for (auto& c : head) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  auto found = std::find_if(std::begin(kRootKeys), std::end(kRootKeys),
                            [&](const RootKey& r) { return r.shortName == head || r.longName == head; });
  if (found == std::end(kRootKeys)) return false;
  *root = found->key;
  return true;
}

const char* TypeName(DWORD type) {
  auto found =
      std::find_if(std::begin(kValueTypes), std::end(kValueTypes), [&](const ValueType& t) { return t.type == type; });
  return found == std::end(kValueTypes) ? "REG_UNKNOWN" : found->name.data();
}

// The type named `name`, if it is one of `accepted`.
bool ParseType(const std::string& name, std::initializer_list<DWORD> accepted, DWORD* type) {
  auto found =
      std::find_if(std::begin(kValueTypes), std::end(kValueTypes), [&](const ValueType& t) { return t.name == name; });
  if (found == std::end(kValueTypes) || std::find(accepted.begin(), accepted.end(), found->type) == accepted.end()) {
    return false;
  }
  *type = found->type;
  return true;
}

// The key, or nothing with the error in `result`.
fw::unique_hkey OpenKey(HKEY root, const std::string& subKey, REGSAM access, LONG* result) {
  HKEY key = nullptr;
  *result = ::RegOpenKeyExA(root, subKey.c_str(), 0, access, &key);
  return fw::unique_hkey(*result == ERROR_SUCCESS ? key : nullptr);
}

fw::unique_hkey CreateKey(HKEY root, const std::string& subKey, REGSAM access, LONG* result) {
  HKEY key = nullptr;
  *result = ::RegCreateKeyExA(root, subKey.c_str(), 0, nullptr, 0, access, nullptr, &key, nullptr);
  return fw::unique_hkey(*result == ERROR_SUCCESS ? key : nullptr);
}

std::string HexBytes(const BYTE* bytes, DWORD count) {
  std::string out;
  char two[3];
  for (DWORD i = 0; i < count; ++i) {
    std::snprintf(two, sizeof two, "%02x", bytes[i]);
    out += two;
  }
  return out;
}

bool ParseHexBytes(const std::string& text, std::vector<BYTE>* out) {
  if (text.size() % 2) return false;
  for (size_t i = 0; i < text.size(); i += 2) {
    char two[3] = {text[i], text[i + 1], 0};
    char* end;
    long value = std::strtol(two, &end, 16);
    if (*end) return false;
    out->push_back(static_cast<BYTE>(value));
  }
  return true;
}

// Strings print as text (MULTI_SZ parts joined by \0 escapes), DWORD and
// QWORD as decimal, the rest as hex bytes.
std::string ShownData(DWORD type, const std::vector<BYTE>& data, DWORD size) {
  if (type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ) {
    std::string shown;
    size_t n = size;
    while (n && data[n - 1] == 0) --n;
    for (size_t j = 0; j < n; ++j) {
      char c = static_cast<char>(data[j]);
      if (c == 0) {
        shown += "\\0";
      } else {
        shown += Escape(&c, 1);
      }
    }
    return shown;
  }
  if (type == REG_DWORD && size == 4) return Decimal(*reinterpret_cast<const DWORD*>(data.data()));
  if (type == REG_QWORD && size == 8) return std::to_string(*reinterpret_cast<const unsigned long long*>(data.data()));
  return HexBytes(data.data(), size);
}

// Creates the key if needed. The exit code, with the failure's message
// printed.
int StoreValue(HKEY root, const std::string& subKey, const std::string& name, DWORD type,
               const std::vector<BYTE>& data) {
  LONG r;
  fw::unique_hkey key = CreateKey(root, subKey, KEY_WRITE, &r);
  if (!key) return Fail(kExitFailure, "RegCreateKey failed (" + Decimal(r) + ")");
  r = ::RegSetValueExA(key.get(), name.c_str(), 0, type, data.empty() ? nullptr : data.data(),
                       static_cast<DWORD>(data.size()));
  if (r != ERROR_SUCCESS) return Fail(kExitFailure, "RegSetValueEx failed (" + Decimal(r) + ")");
  return kExitOk;
}

}  // namespace

int CmdRegQuery(const std::string& path) {
  HKEY root;
  std::string subKey;
  if (!SplitKey(path, &root, &subKey)) return Fail(kExitUsage, "unknown root key in " + path);
  LONG r;
  fw::unique_hkey key = OpenKey(root, subKey, KEY_READ, &r);
  if (!key) return Fail(kExitNotFound, "key not found (" + Decimal(r) + ")");
  EmitRecord({"key", Escape(path)});
  for (DWORD i = 0;; ++i) {
    char name[16384];
    DWORD nameLength = sizeof name, type = 0, dataLength = 0;
    r = ::RegEnumValueA(key.get(), i, name, &nameLength, nullptr, &type, nullptr, &dataLength);
    if (r == ERROR_NO_MORE_ITEMS) break;
    if (r != ERROR_SUCCESS && r != ERROR_MORE_DATA) return Fail(kExitFailure, "RegEnumValue failed");
    std::vector<BYTE> data(dataLength + 2, 0);
    nameLength = sizeof name;
    DWORD size = dataLength;
    r = ::RegEnumValueA(key.get(), i, name, &nameLength, nullptr, &type, data.data(), &size);
    if (r != ERROR_SUCCESS) return Fail(kExitFailure, "RegEnumValue failed");
    EmitRecord(
        {"value", Escape(std::string(name, nameLength)), TypeName(type), Decimal(size), ShownData(type, data, size)});
  }
  for (DWORD i = 0;; ++i) {
    char name[1024];
    DWORD nameLength = sizeof name;
    r = ::RegEnumKeyExA(key.get(), i, name, &nameLength, nullptr, nullptr, nullptr, nullptr);
    if (r != ERROR_SUCCESS) break;
    EmitRecord({"subkey", Escape(std::string(name, nameLength))});
  }
  return kExitOk;
}

int CmdRegText(const std::vector<std::string>& args) {
  if (args.size() < 4) return Fail(kExitUsage, "usage: regtext KEY NAME");
  HKEY root;
  std::string subKey;
  if (!SplitKey(args[2], &root, &subKey)) return Fail(kExitUsage, "unknown root key");
  LONG r;
  fw::unique_hkey key = OpenKey(root, subKey, KEY_READ, &r);
  if (!key) return Fail(kExitNotFound, "key not found (" + Decimal(r) + ")");
  std::wstring name = WideFromUtf8(args[3]);
  DWORD type = 0, size = 0;
  r = ::RegQueryValueExW(key.get(), name.c_str(), nullptr, &type, nullptr, &size);
  if (r != ERROR_SUCCESS) return Fail(kExitNotFound, "value not found (" + Decimal(r) + ")");
  if (type != REG_SZ && type != REG_EXPAND_SZ) return Fail(kExitFailure, std::string("not text: ") + TypeName(type));
  std::vector<wchar_t> text(size / sizeof(wchar_t) + 1, L'\0');
  r = ::RegQueryValueExW(key.get(), name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(text.data()), &size);
  if (r != ERROR_SUCCESS) return Fail(kExitFailure, "RegQueryValueEx failed (" + Decimal(r) + ")");
  std::string utf8 = Utf8FromWide(text.data(), static_cast<int>(std::wcslen(text.data())));
  EmitRecord({"text", Escape(utf8)});
  return kExitOk;
}

// SZ and EXPAND_SZ take text, MULTI_SZ one argument per string, DWORD and
// QWORD a number, BINARY and NONE hex digits.
int CmdRegSet(const std::vector<std::string>& args) {
  if (args.size() < 5) return Fail(kExitUsage, "usage: regset KEY NAME TYPE [DATA...]");
  HKEY root;
  std::string subKey;
  if (!SplitKey(args[2], &root, &subKey)) return Fail(kExitUsage, "unknown root key");
  const std::string& name = args[3];
  DWORD t;
  if (!ParseType(args[4], {REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ, REG_DWORD, REG_QWORD, REG_BINARY, REG_NONE}, &t)) {
    return Fail(kExitUsage, "unknown type " + args[4]);
  }
  std::string first = args.size() > 5 ? args[5] : std::string();
  std::vector<BYTE> data;
  long long number = 0;
  switch (t) {
    case REG_SZ:
    case REG_EXPAND_SZ:
      data.assign(first.begin(), first.end());
      data.push_back(0);
      break;
    case REG_MULTI_SZ:
      for (size_t i = 5; i < args.size(); ++i) {
        data.insert(data.end(), args[i].begin(), args[i].end());
        data.push_back(0);
      }
      data.push_back(0);
      break;
    case REG_DWORD:
    case REG_QWORD: {
      if (!ParseNumber(first.c_str(), &number)) return Fail(kExitUsage, "bad number");
      const BYTE* bytes = reinterpret_cast<const BYTE*>(&number);
      data.assign(bytes, bytes + (t == REG_DWORD ? 4 : 8));
      break;
    }
    default:
      if (!ParseHexBytes(first, &data)) return Fail(kExitUsage, "bad hex data");
  }
  if (int rc = StoreValue(root, subKey, name, t, data)) return rc;
  EmitRecord({"ok"});
  return kExitOk;
}

bool ReadWholeFile(const std::string& path, std::vector<BYTE>* data) {
  fw::unique_hfile file(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  BYTE buffer[65536];
  DWORD got;
  while (::ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr) && got) {
    data->insert(data->end(), buffer, buffer + got);
  }
  return true;
}

// Like regset, the data read from a file, for data that does not fit a
// command line; SZ types get a terminating NUL.
int CmdRegSetFile(const std::vector<std::string>& args) {
  if (args.size() < 6) return Fail(kExitUsage, "usage: regsetfile KEY NAME TYPE PATH");
  HKEY root;
  std::string subKey;
  if (!SplitKey(args[2], &root, &subKey)) return Fail(kExitUsage, "unknown root key");
  DWORD t;
  if (!ParseType(args[4], {REG_SZ, REG_EXPAND_SZ, REG_BINARY, REG_NONE}, &t)) {
    return Fail(kExitUsage, "unknown type " + args[4]);
  }
  std::vector<BYTE> data;
  if (!ReadWholeFile(args[5], &data)) return Fail(kExitFailure, "cannot open " + args[5]);
  if (t == REG_SZ || t == REG_EXPAND_SZ) data.push_back(0);
  if (int rc = StoreValue(root, subKey, args[3], t, data)) return rc;
  EmitRecord({"ok", Decimal(static_cast<long long>(data.size()))});
  return kExitOk;
}

// The whole tree, or one value. Missing is not an error.
int CmdRegDelete(const std::vector<std::string>& args) {
  HKEY root;
  std::string subKey;
  if (args.size() < 3 || !SplitKey(args[2], &root, &subKey) || subKey.empty()) {
    return Fail(kExitUsage, "usage: regdelete KEY [VALUE]");
  }
  LONG r;
  if (args.size() > 3) {
    if (fw::unique_hkey key = OpenKey(root, subKey, KEY_SET_VALUE, &r)) {
      r = ::RegDeleteValueA(key.get(), args[3].c_str());
    }
  } else if (OpenKey(root, subKey, KEY_READ, &r)) {
    // RegDeleteTree takes the key itself too when given a subkey name.
    r = ::RegDeleteTreeA(root, subKey.c_str());
    LONG again = ::RegDeleteKeyA(root, subKey.c_str());
    if (r == ERROR_SUCCESS && again != ERROR_SUCCESS && again != ERROR_FILE_NOT_FOUND) r = again;
  }
  if (r != ERROR_SUCCESS && r != ERROR_FILE_NOT_FOUND) return Fail(kExitFailure, "delete failed (" + Decimal(r) + ")");
  EmitRecord({"ok", r == ERROR_SUCCESS ? "deleted" : "absent"});
  return kExitOk;
}

int CmdRegAccess(const std::vector<std::string>& args) {
  if (args.size() != 4) return Fail(kExitUsage, "usage: regaccess KEY SDDL");
  HKEY root;
  std::string subKey;
  if (!SplitKey(args[2], &root, &subKey)) return Fail(kExitUsage, "unknown root key");
  LONG r;
  fw::unique_hkey key = CreateKey(root, subKey, WRITE_DAC, &r);
  if (!key) return Fail(kExitFailure, "RegCreateKey failed (" + Decimal(r) + ")");
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (!::ConvertStringSecurityDescriptorToSecurityDescriptorA(args[3].c_str(), SDDL_REVISION_1, &descriptor,
                                                               nullptr)) {
    return Fail(kExitUsage, "not an access list: " + args[3]);
  }
  r = ::RegSetKeySecurity(key.get(), DACL_SECURITY_INFORMATION, descriptor);
  ::LocalFree(descriptor);
  if (r != ERROR_SUCCESS) return Fail(kExitFailure, "RegSetKeySecurity failed (" + Decimal(r) + ")");
  return kExitOk;
}

}  // namespace vxtool

// The settings store against the real registry of the prefix.
#include <windows.h>
#include <sddl.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/registry_profile.h"

namespace {

class RegistryProfileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_root = "VelumixTests\\Run" + std::to_string(::GetCurrentProcessId()) + "_" +
             ::testing::UnitTest::GetInstance()->current_test_info()->name();
    DeleteRoot();
  }
  void TearDown() override {
    SetSectionAccess("D:(A;;KA;;;WD)");
    DeleteRoot();
  }

  // Gives the section key an access list in SDDL, such as "D:(A;;KR;;;WD)":
  // everyone may read it, nobody may write it.
  void SetSectionAccess(const char* sddl) {
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, SectionPath().c_str(), 0, WRITE_DAC, &key) != ERROR_SUCCESS) return;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ASSERT_TRUE(::ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl, SDDL_REVISION_1, &descriptor, nullptr));
    EXPECT_EQ(::RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, descriptor), ERROR_SUCCESS);
    ::LocalFree(descriptor);
    ::RegCloseKey(key);
  }

  void DeleteRoot() { ::RegDeleteTreeA(HKEY_CURRENT_USER, ("Software\\" + m_root).c_str()); }

  std::string SectionPath() const { return "Software\\" + m_root + "\\App\\Settings"; }

  void SetRaw(const char* name, DWORD type, const void* data, DWORD size) {
    HKEY key = nullptr;
    ASSERT_EQ(::RegCreateKeyExA(HKEY_CURRENT_USER, SectionPath().c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                                nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(::RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size), ERROR_SUCCESS);
    ::RegCloseKey(key);
  }

  bool QueryRaw(const char* name, DWORD* type, std::vector<BYTE>* data) {
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, SectionPath().c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    DWORD size = 0;
    LONG rc = ::RegQueryValueExA(key, name, nullptr, type, nullptr, &size);
    if (rc == ERROR_SUCCESS) {
      data->resize(size);
      rc = ::RegQueryValueExA(key, name, nullptr, type, data->data(), &size);
    }
    ::RegCloseKey(key);
    return rc == ERROR_SUCCESS;
  }

  DWORD ValueCount() {
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, SectionPath().c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return ~0u;
    DWORD values = 0;
    ::RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr, nullptr, nullptr,
                       nullptr);
    ::RegCloseKey(key);
    return values;
  }

  fw::RegistryProfile Profile() const { return fw::RegistryProfile(m_root, "App"); }

  std::string m_root;
};

TEST_F(RegistryProfileTest, FirstReadCreatesTheWholeChainWithNoValues) {
  EXPECT_EQ(ValueCount(), ~0u);
  EXPECT_EQ(Profile().GetInt("Settings", "camouflage", 7), 7u);
  EXPECT_EQ(ValueCount(), 0u);
  EXPECT_EQ(Profile().GetString("Settings", "password", "dflt"), "dflt");
  EXPECT_EQ(ValueCount(), 0u);
}

TEST_F(RegistryProfileTest, ASectionDeletedBetweenCallsIsCreatedAgain) {
  ASSERT_TRUE(Profile().WriteInt("Settings", "camouflage", 1));
  ASSERT_EQ(::RegDeleteTreeA(HKEY_CURRENT_USER, ("Software\\" + m_root + "\\App").c_str()), ERROR_SUCCESS);
  EXPECT_EQ(Profile().GetInt("Settings", "camouflage", 7), 7u);
  EXPECT_EQ(ValueCount(), 0u);
  ASSERT_TRUE(Profile().WriteInt("Settings", "startminimized", 1));
  EXPECT_EQ(Profile().GetInt("Settings", "startminimized", 0), 1u);
  EXPECT_EQ(ValueCount(), 1u);
}

// A key that may be read but not written (an access list, a policy) still
// reads as what it holds: reads ask for read access only.
TEST_F(RegistryProfileTest, ASectionThatRefusesWritesStillReadsWhatItHolds) {
  SetRaw("password", REG_SZ, "pw", 3);
  const DWORD one = 1;
  SetRaw("camouflage", REG_DWORD, &one, sizeof one);
  SetSectionAccess("D:(A;;KR;;;WD)");
  ASSERT_FALSE(Profile().WriteInt("Settings", "startminimized", 1)) << "the access list did not refuse a write";
  EXPECT_EQ(Profile().GetString("Settings", "password", ""), "pw");
  EXPECT_EQ(Profile().GetInt("Settings", "camouflage", 0), 1u);
  EXPECT_EQ(Profile().ReadValues("Settings", 100).size(), 2u);
}

TEST_F(RegistryProfileTest, WritesNumbersAsDwordAndStringsAsSzWithOneNul) {
  auto profile = Profile();
  ASSERT_TRUE(profile.WriteInt("Settings", "hot_lock_key", 0x4C));
  ASSERT_TRUE(profile.WriteString("Settings", "password", "Se cret "));
  DWORD type = 0;
  std::vector<BYTE> data;
  ASSERT_TRUE(QueryRaw("hot_lock_key", &type, &data));
  EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(data, (std::vector<BYTE>{0x4C, 0, 0, 0}));
  ASSERT_TRUE(QueryRaw("password", &type, &data));
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(std::string(data.begin(), data.end()), std::string("Se cret \0", 9));
  EXPECT_EQ(profile.GetInt("Settings", "hot_lock_key", 0), 0x4Cu);
  EXPECT_EQ(profile.GetString("Settings", "password", ""), "Se cret ");
}

TEST_F(RegistryProfileTest, EmptyPasswordIsStoredAsASingleNul) {
  ASSERT_TRUE(Profile().WriteString("Settings", "password", ""));
  DWORD type = 0;
  std::vector<BYTE> data;
  ASSERT_TRUE(QueryRaw("password", &type, &data));
  EXPECT_EQ(data, std::vector<BYTE>{0});
  EXPECT_EQ(Profile().GetString("Settings", "password", "missing"), "");
}

TEST_F(RegistryProfileTest, NumbersOfOtherSizesReadAsTheDefault) {
  Profile().GetInt("Settings", "x", 0);
  const BYTE two[2] = {1, 2};
  const BYTE eight[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  SetRaw("short", REG_BINARY, two, sizeof two);
  SetRaw("wide", REG_QWORD, eight, sizeof eight);
  SetRaw("text", REG_SZ, "abc", 4);
  EXPECT_EQ(Profile().GetInt("Settings", "short", 9), 9u);
  EXPECT_EQ(Profile().GetInt("Settings", "wide", 9), 9u);
  // Four bytes of any type are a number.
  EXPECT_EQ(Profile().GetInt("Settings", "text", 9), 0x00636261u);
}

TEST_F(RegistryProfileTest, StringsOfAnyTypeReadUpToTheirFirstNul) {
  Profile().GetInt("Settings", "x", 0);
  const BYTE binary[4] = {'a', 'b', 'c', 0xE9};
  const DWORD number = 0x00004241;
  SetRaw("binary", REG_BINARY, binary, sizeof binary);
  SetRaw("number", REG_DWORD, &number, sizeof number);
  SetRaw("empty", REG_BINARY, nullptr, 0);
  EXPECT_EQ(Profile().GetString("Settings", "binary", ""), "abc\u00e9");  // bytes in the ANSI code page
  EXPECT_EQ(Profile().GetString("Settings", "number", ""), "AB");
  EXPECT_EQ(Profile().GetString("Settings", "empty", "dflt"), "");
}

TEST_F(RegistryProfileTest, AMegabyteStringReadsWhole) {
  std::string big(1 << 20, 'p');
  Profile().GetInt("Settings", "x", 0);
  SetRaw("password", REG_SZ, big.c_str(), static_cast<DWORD>(big.size() + 1));
  EXPECT_EQ(Profile().GetString("Settings", "password", ""), big);
}

TEST_F(RegistryProfileTest, TextOfTheCodePageIsStoredAsTheEightBitCallsStoredItAnyOtherAsItself) {
  ASSERT_TRUE(Profile().WriteString("Settings", "password", "caf\u00e9 \u00fc"));
  DWORD type = 0;
  std::vector<BYTE> data;
  ASSERT_TRUE(QueryRaw("password", &type, &data));
  EXPECT_EQ(std::string(data.begin(), data.end()), std::string("caf\xE9 \xFC\0", 7));
  SetRaw("old", REG_SZ, "caf\xE9", 5);
  EXPECT_EQ(Profile().GetString("Settings", "old", ""), "caf\u00e9");
  const std::string cyrillic = "\u043f\u0430\u0440\u043e\u043b\u044c";
  ASSERT_TRUE(Profile().WriteString("Settings", "password", cyrillic));
  EXPECT_EQ(Profile().GetString("Settings", "password", ""), cyrillic);
}

}  // namespace

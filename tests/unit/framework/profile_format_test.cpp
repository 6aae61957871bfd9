#include "framework/profile_format.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

namespace fw {
namespace {

using Bytes = std::vector<std::uint8_t>;
StoredBytes Stored(const Bytes& bytes) { return std::span<const std::uint8_t>(bytes); }

TEST(ApplicationNameFromPath, TakesTheFileNameAfterTheLastSeparator) {
  EXPECT_EQ(ApplicationNameFromPath("C:\\Program Files\\Velumix\\Velumix.exe"), "Velumix");
  EXPECT_EQ(ApplicationNameFromPath("Z:/x/y/Hider.EXE"), "Hider");
  EXPECT_EQ(ApplicationNameFromPath("C:Velumix.exe"), "Velumix");
  EXPECT_EQ(ApplicationNameFromPath("Velumix.exe"), "Velumix");
}

TEST(ApplicationNameFromPath, CutsAtTheLastDotOfTheFileNameOnly) {
  EXPECT_EQ(ApplicationNameFromPath("C:\\bin\\My.App.exe"), "My.App");
  EXPECT_EQ(ApplicationNameFromPath("C:\\bin\\Velumix"), "Velumix");
  EXPECT_EQ(ApplicationNameFromPath("C:\\v1.2\\Velumix"), "Velumix");
  EXPECT_EQ(ApplicationNameFromPath("C:\\bin\\.exe"), "");
}

TEST(DecodeProfileInt, ReadsExactlyFourLittleEndianBytesWhateverTheirType) {
  EXPECT_EQ(DecodeProfileInt(Stored({0x78, 0x56, 0x34, 0x12}), 9), 0x12345678u);  // narrowing is the loader's
  EXPECT_EQ(DecodeProfileInt(Stored({'a', 'b', 'c', 0}), 9), 0x00636261u);
}

TEST(DecodeProfileInt, AnyOtherSizeOrAMissingValueGivesTheFallback) {
  EXPECT_EQ(DecodeProfileInt(std::nullopt, 7), 7u);
  for (std::size_t size : {0u, 2u, 3u, 5u, 8u}) EXPECT_EQ(DecodeProfileInt(Stored(Bytes(size, 1)), 7), 7u) << size;
}

TEST(DecodeProfileString, EndsAtTheFirstNulOrAtTheEnd) {
  EXPECT_EQ(DecodeProfileString(Stored({'p', 'w', 0, 'x', 0}), "fb"), "pw");
  EXPECT_EQ(DecodeProfileString(Stored({'p', 'w', 'd'}), "fb"), "pwd");
  EXPECT_EQ(DecodeProfileString(Stored({'c', 0xE9, 0xFF}), "fb"), "c\xE9\xFF");
}

TEST(DecodeProfileString, EmptyDataIsAnEmptyStringMissingDataTheFallback) {
  EXPECT_EQ(DecodeProfileString(Stored({}), "fb"), "");
  EXPECT_EQ(DecodeProfileString(std::nullopt, "fb"), "fb");
}

TEST(DecodeProfileString, MegabyteStringRoundTrips) {
  std::string big(1 << 20, 'q');
  big[12345] = '\x80';
  Bytes bytes(big.begin(), big.end());
  EXPECT_EQ(DecodeProfileString(Stored(bytes), ""), big);
  bytes.push_back(0);
  EXPECT_EQ(DecodeProfileString(Stored(bytes), ""), big);
}

TEST(DecodeProfileText, TakesLittleEndianUnitsUpToTheFirstNulAndDropsAnOddByte) {
  EXPECT_EQ(DecodeProfileText(Bytes{0x3F, 0x04, 'a', 0, 0, 0, 'x', 0}), u"\u043fa");
  EXPECT_EQ(DecodeProfileText(Bytes{'a', 0, 0x3D, 0xD8, 0x00, 0xDC}), u"a\U0001F400");
  EXPECT_EQ(DecodeProfileText(Bytes{'a', 0, 'b'}), u"a");
  EXPECT_EQ(DecodeProfileText(Bytes{}), u"");
}

// A stored value that another program rewrites between the call that gives
// its size and the one that reads it: `versions` are what each read finds.
class ChangingValue {
 public:
  explicit ChangingValue(std::vector<std::string> versions) : m_versions(std::move(versions)) {}
  ReadAnswer operator()(std::uint8_t* buffer, std::size_t& size) {
    const std::string& now = m_versions[std::min(m_reads++, m_versions.size() - 1)];
    if (now == "<deleted>") return ReadAnswer::Failed;
    bool fits = now.size() <= size;
    size = now.size();
    if (!fits) return ReadAnswer::Larger;
    std::copy(now.begin(), now.end(), buffer);
    return ReadAnswer::Done;
  }
  std::size_t m_reads = 0;

 private:
  std::vector<std::string> m_versions;
};

TEST(ReadChangingValue, ReadsWhatTheValueHoldsWhenItIsReadNotASizeItOnceHad) {
  std::vector<std::string> growingAtEveryRead;
  for (int i = 1; i <= kReadTries; ++i) growingAtEveryRead.push_back(std::string(static_cast<std::size_t>(i) * 10, 'x'));
  const struct {
    const char* what;
    std::vector<std::string> versions;
    std::optional<std::string> read;
  } cases[] = {
      {"grown", {"longer password", "longer password"}, "longer password"},
      {"shrunk", {"pw"}, "pw"},
      {"deleted", {"<deleted>"}, std::nullopt},
      {"growing at every read", growingAtEveryRead, std::nullopt},
  };
  for (const auto& c : cases) {
    ChangingValue value(c.versions);
    std::optional<std::vector<std::uint8_t>> data = ReadChangingValue(5, value);
    std::optional<std::string> got;
    if (data) got = std::string(data->begin(), data->end());
    EXPECT_EQ(got, c.read) << c.what;
  }
}

}  // namespace
}  // namespace fw

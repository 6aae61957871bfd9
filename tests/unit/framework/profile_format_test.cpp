#include "framework/profile_format.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace fw

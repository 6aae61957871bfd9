#include "core/title_text.h"

#include <gtest/gtest.h>

#include <string>

namespace velumix {
namespace {

std::string Repeat(const std::string& text, int times) {
  std::string out;
  for (int i = 0; i < times; ++i) out += text;
  return out;
}

std::string Cut(const std::string& text, std::size_t characters) {
  return text.substr(0, Utf8PrefixLength(text.data(), text.size(), characters));
}

// 98 characters, then one character of each width across the 99th and 100th.
struct CutCase {
  const char* name;
  std::string ninetyNinth;
  std::string hundredth;
};

class CutAtTheNinetyNinthCharacter : public ::testing::TestWithParam<CutCase> {};

TEST_P(CutAtTheNinetyNinthCharacter, KeepsItWholeAndDropsTheNext) {
  const CutCase& c = GetParam();
  const std::string head = Repeat("\xD0\x96", 98);  // Ж, 2 bytes each
  EXPECT_EQ(Cut(head + c.ninetyNinth + c.hundredth + "tail", 99), head + c.ninetyNinth);
  EXPECT_EQ(Cut(head + c.ninetyNinth, 99), head + c.ninetyNinth);
}

INSTANTIATE_TEST_SUITE_P(
    EveryWidth, CutAtTheNinetyNinthCharacter,
    ::testing::Values(CutCase{"Ascii", "a", "b"}, CutCase{"TwoBytes", "\xD0\x96", "\xC3\xA9"},
                      CutCase{"ThreeBytes", "\xE6\x97\xA5", "\xE8\xAA\x9E"},
                      CutCase{"FourBytes", "\xF0\x9F\x8E\xB5", "\xF0\x9F\x98\x80"},
                      CutCase{"FourBytesAfterAscii", "x", "\xF0\x9F\x8E\xB5"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Utf8PrefixLength, CountsCharactersNotBytes) {
  const std::string japanese = Repeat("\xE6\x97\xA5", 150);  // 日
  EXPECT_EQ(Utf8PrefixLength(japanese.data(), japanese.size(), 99), 99u * 3);
  const std::string emoji = Repeat("\xF0\x9F\x8E\xB5", 99);  // 🎵, a surrogate pair in UTF-16
  EXPECT_EQ(Utf8PrefixLength(emoji.data(), emoji.size(), 99), emoji.size());
  EXPECT_EQ(Utf8PrefixLength(emoji.data(), emoji.size(), 0), 0u);
  EXPECT_EQ(Utf8PrefixLength("", 0, 99), 0u);
}

TEST(IsUtf8, TellsWellFormedTextFromCodePageBytes) {
  for (const char* good : {"", "plain", "\xE6\x97\xA5\xE6\x9C\xAC", "\xF0\x9F\x8E\xB5", "\xC3\xA9t\xC3\xA9"})
    EXPECT_TRUE(IsUtf8(good)) << good;
  for (const char* bad : {"\xE9t\xE9", "\x80", "\xC3", "\xE6\x97", "\xC0\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80"})
    EXPECT_FALSE(IsUtf8(bad)) << bad;
}

TEST(TitleFromCodePageText, ReadsEightBitTitlesAsWindows1252AndKeepsUtf8) {
  EXPECT_EQ(TitleFromCodePageText("Secret plan \xE9t\xE9"), "Secret plan \xC3\xA9t\xC3\xA9");
  EXPECT_EQ(TitleFromCodePageText("\x80 5 \x96 \x81"), "\xE2\x82\xAC 5 \xE2\x80\x93 \xC2\x81");  // euro, en dash, unused byte
  EXPECT_EQ(TitleFromCodePageText("R&D\treport"), "R&D\treport");
  EXPECT_EQ(TitleFromCodePageText("\xE6\x97\xA5\xE6\x9C\xAC"), "\xE6\x97\xA5\xE6\x9C\xAC");
}

}  // namespace
}  // namespace velumix

#include "core/keep_shown.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace velumix {
namespace {

using ::testing::ElementsAreArray;

// The stored form of `text`, where '|' stands for a NUL unit.
std::vector<std::uint8_t> Stored(const std::u16string& text) {
  std::vector<std::uint8_t> data;
  for (char16_t unit : text) {
    unit = unit == u'|' ? 0 : unit;
    data.push_back(static_cast<std::uint8_t>(unit & 0xFF));
    data.push_back(static_cast<std::uint8_t>(unit >> 8));
  }
  return data;
}

struct ParseCase {
  const char* what;
  std::vector<std::uint8_t> data;
  std::vector<std::u16string> names;
};

class ReadingTheStoredList : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ReadingTheStoredList, KeepsWhatIsSound) {
  EXPECT_THAT(KeepShownList::FromMultiString(GetParam().data).names(), ElementsAreArray(GetParam().names))
      << GetParam().what;
}

std::vector<ParseCase> ParseCases() {
  const std::u16string tooLong(kMaxFileNameUnits + 1, u'x');
  ParseCase capped{"no more than the cap", {}, {}};
  std::u16string many;
  for (std::size_t i = 0; i <= kMaxKeptPrograms; ++i) {
    std::string digits = std::to_string(i);
    std::u16string name(digits.begin(), digits.end());
    name.append(u".exe");
    many += name + u"|";
    if (i < kMaxKeptPrograms) capped.names.push_back(name);
  }
  capped.data = Stored(many + u"|");
  std::vector<ParseCase> cases = {
      {"nothing stored", {}, {}},
      {"the empty list", Stored(u"|"), {}},
      {"two names", Stored(u"notepad.exe|calc.exe||"), {u"notepad.exe", u"calc.exe"}},
      {"the empty name ends it", Stored(u"a.exe||b.exe||"), {u"a.exe"}},
      {"a last name without its NUL", Stored(u"a.exe|b.exe"), {u"a.exe", u"b.exe"}},
      {"an odd last byte is no unit", [] { auto d = Stored(u"a.exe||"); d.push_back(0x41); return d; }(), {u"a.exe"}},
      {"too long for a file, passed over", Stored(std::u16string(u"a.exe|").append(tooLong).append(u"|b.exe||")),
       {u"a.exe", u"b.exe"}},
      {"a path is no file name", Stored(u"C:\\bin\\a.exe|b.exe||"), {u"b.exe"}},
      {"the same name in another case once", Stored(u"Notepad.EXE|notepad.exe||"), {u"Notepad.EXE"}},
  };
  cases.push_back(capped);
  return cases;
}

INSTANTIATE_TEST_SUITE_P(Cases, ReadingTheStoredList, ::testing::ValuesIn(ParseCases()));

TEST(KeepShownList, MatchesFileNamesWithoutRegardToCaseAndStoresWhatItHolds) {
  KeepShownList list;
  list.Toggle(u"Notepad.exe");
  list.Toggle(u"\u0444\u0430\u0439\u043B.exe");  // Cyrillic small letters
  list.Toggle(u"\u00E9diteur.exe");               // Latin-1
  for (const char16_t* name : {u"NOTEPAD.EXE", u"notepad.exe", u"\u0424\u0410\u0419\u041B.EXE", u"\u00C9DITEUR.exe"}) {
    EXPECT_TRUE(list.Contains(name));
  }
  for (const char16_t* name : {u"notepad.ex", u"notepad.exe ", u"wordpad.exe", u""}) EXPECT_FALSE(list.Contains(name));
  EXPECT_THAT(KeepShownList::FromMultiString(list.ToMultiString()).names(), ElementsAreArray(list.names()));
  list.Toggle(u"NOTEPAD.EXE");
  EXPECT_FALSE(list.Contains(u"notepad.exe"));
  EXPECT_EQ(list.ToMultiString(), Stored(u"\u0444\u0430\u0439\u043B.exe|\u00E9diteur.exe||"));
}

}  // namespace
}  // namespace velumix

#include "framework/utf16.h"

#include <gtest/gtest.h>

#include <string_view>

namespace fw {
namespace {

TEST(IsWholeUtf16, PairsWholeHalvesNot) {
  struct Row {
    std::u16string_view text;
    bool whole;
  };
  const Row rows[] = {
      {u"pw", true},
      {u"\u00e9\u043f\u30d1\uffff", true},   // beyond ASCII, up to the last 16-bit unit
      {u"a\U0001F600b", true},               // a pair
      {u"\xD800", false},                    // a high half alone
      {u"\xDFFF", false},                    // a low half alone
      {u"a\xD800" u"b", false},              // a high half before a letter
      {u"\xD800\xD800\xDC00", false},        // a high half before a pair
      {u"\U0001F600\xDC00", false},          // a low half after a pair
  };
  for (const Row& row : rows) {
    EXPECT_EQ(IsWholeUtf16(row.text.data(), row.text.size()), row.whole) << testing::PrintToString(row.text);
  }
}

}  // namespace
}  // namespace fw

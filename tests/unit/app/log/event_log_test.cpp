#include "app/log/event_log.h"

#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <string>
#include <vector>

#include "fakes/fake_event_log.h"

namespace velumix {
namespace {

std::time_t At(int y, unsigned mo, unsigned d, int h, int mi, int s) {
  using namespace std::chrono;
  return system_clock::to_time_t(sys_days{year{y} / month{mo} / day{d}} + hours{h} + minutes{mi} + seconds{s});
}

const std::time_t kStart = At(2024, 1, 5, 7, 8, 9);
const std::string kStamp = "On 01/05/2024 at 07:08:09: ";

TEST(EventLogStamp, GivesMonthDayFourDigitYearAndTwentyFourHourTime) {
  StringEventLog log(kStart);
  log.Log("Started\n");
  EXPECT_EQ(log.m_written, kStamp + "Started\n");
  StringEventLog late(At(1999, 12, 31, 23, 59, 58));
  late.Log("x");
  EXPECT_EQ(late.m_written, "On 12/31/1999 at 23:59:58: x");
}

TEST(EventLogStamp, StaysTwentySevenBytesForABrokenClock) {
  std::tm broken{};
  broken.tm_year = 20000;
  broken.tm_mon = 15;
  broken.tm_mday = -4;
  broken.tm_hour = 99;
  broken.tm_sec = 1000;
  char out[32];
  EXPECT_EQ(FormatStamp(broken, out), 27u);
  EXPECT_EQ(std::string(out).size(), 27u);
  // Fields at the ends of their range must not overflow on the way.
  broken.tm_year = INT_MAX;
  broken.tm_mon = INT_MAX;
  EXPECT_EQ(FormatStamp(broken, out), 27u);
  EXPECT_EQ(std::string(out).substr(0, 14), "On 12/01/9999 ");
}

TEST(EventLogStamp, TakesTheTimeAtWhichItIsWritten) {
  StringEventLog log(kStart);
  log.Log("first ");
  log.m_now = kStart + 30;  // inside a line: no stamp, so this time never shows
  log.Log("line\n");
  log.m_now = At(2024, 2, 29, 13, 0, 1);
  log.Log("next");
  EXPECT_EQ(log.m_written, kStamp + "first line\nOn 02/29/2024 at 13:00:01: next");
}

// '|' in `expected` stands for a stamp.
TEST(EventLogLines, StampOnlyWhereTheTextBeforeEndedALine) {
  const struct {
    std::vector<const char*> texts;
    std::string expected;
  } cases[] = {
      {{"Error in inserting a list box item", "Error in inserting a list box item", "\n", "after"},
       "|Error in inserting a list box itemError in inserting a list box item\n|after"},
      {{"**Main window** left=", "12", " top=", "-3", " right=", "400", " bottom=", "300", "\n"},
       "|**Main window** left=12 top=-3 right=400 bottom=300\n"},
      {{"a", "\n", "b", "c"}, "|a\n|bc"},
      {{"\nX", "Y", "Z"}, "|\nX|YZ"},
      {{"a\r", "\rX", "b"}, "|a\r|\rX|b"},
      {{"a", "", "b\n"}, "|ab\n"},
  };
  for (const auto& c : cases) {
    StringEventLog log(kStart);
    for (const char* text : c.texts) log.Log(text);
    std::string expected;
    for (char ch : c.expected) expected += ch == '|' ? kStamp : std::string(1, ch);
    EXPECT_EQ(log.m_written, expected);
  }
}

TEST(EventLogLines, StampIfNeededWritesOnlyTheStampButRemembersTheText) {
  StringEventLog log(kStart);
  log.StampIfNeeded("abc");
  log.Log("d");
  EXPECT_EQ(log.m_written, kStamp + "d");
}

TEST(EventLogLines, EmptyTextWritesNothingAndLeavesTheNextTextStamped) {
  StringEventLog log(kStart);
  log.Log("a\n");
  log.Log("");
  EXPECT_EQ(log.m_written, kStamp + "a\n");
  log.Log("b");
  EXPECT_EQ(log.m_written, kStamp + "a\n" + kStamp + "b");
}

TEST(EventLogWrites, FailingWritesDoNotStopLaterTexts) {
  StringEventLog log(kStart);
  log.m_failWrites = true;
  log.Log("lost\n");
  log.Log("lost too");
  EXPECT_EQ(log.m_writeAttempts, 4);  // two stamps, two texts
  log.m_failWrites = false;
  log.Log(" kept\n");
  log.Log("again");
  EXPECT_EQ(log.m_written, " kept\n" + kStamp + "again");
}

}  // namespace
}  // namespace velumix

#include "app/event_log.h"

#include <cstdio>

namespace velumix {

namespace {

int Clamp(long long value, int low, int high) {
  return static_cast<int>(value < low ? low : value > high ? high : value);
}

}  // namespace

std::size_t FormatStamp(const std::tm& local, char (&out)[32]) {
  // Clamped so that a broken clock can never make the stamp longer.
  int n = std::snprintf(out, sizeof out, "On %02d/%02d/%04d at %02d:%02d:%02d: ", Clamp(local.tm_mon + 1LL, 1, 12),
                        Clamp(local.tm_mday, 1, 31), Clamp(local.tm_year + 1900LL, 0, 9999),
                        Clamp(local.tm_hour, 0, 23), Clamp(local.tm_min, 0, 59), Clamp(local.tm_sec, 0, 60));
  return n < 0 ? 0 : static_cast<std::size_t>(n);
}

void EventLog::StampIfNeeded(std::string_view text) {
  // An empty text neither ends nor continues a line: no stamp for it alone.
  if (text.empty()) return;
  auto endsLine = [](char c) { return c == '\n' || c == '\r'; };
  if (endsLine(m_lastTwo[0]) || endsLine(m_lastTwo[1])) {
    m_stampTime = CurrentTime();
    char stamp[32];
    std::size_t length = FormatStamp(ToLocalTime(m_stampTime), stamp);
    WriteBytes(stamp, length);
  }
  m_lastTwo[0] = text.size() >= 2 ? text[text.size() - 2] : '\0';
  m_lastTwo[1] = text.back();
}

void EventLog::Log(std::string_view text) {
  StampIfNeeded(text);
  WriteBytes(text.data(), text.size());
}

}  // namespace velumix

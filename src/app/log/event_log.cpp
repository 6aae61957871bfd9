#include "app/log/event_log.h"

#include <cstring>

namespace velumix {

namespace {

int Clamp(long long value, int low, int high) {
  return static_cast<int>(value < low ? low : value > high ? high : value);
}

// `value` in exactly `digits` decimal digits, zero-padded; returns the end.
char* PutDigits(char* out, int value, int digits) {
  for (int i = digits - 1; i >= 0; --i, value /= 10) out[i] = static_cast<char>('0' + value % 10);
  return out + digits;
}

char* PutText(char* out, const char* text) {
  std::size_t n = std::strlen(text);
  std::memcpy(out, text, n);
  return out + n;
}

}  // namespace

std::size_t FormatStamp(const std::tm& local, char (&out)[32]) {
  // Clamped so that a broken clock can never make the stamp longer. Written
  // by hand: printf's formatter would be most of the log's code.
  char* p = PutText(out, "On ");
  p = PutDigits(p, Clamp(local.tm_mon + 1LL, 1, 12), 2);
  *p++ = '/';
  p = PutDigits(p, Clamp(local.tm_mday, 1, 31), 2);
  *p++ = '/';
  p = PutDigits(p, Clamp(local.tm_year + 1900LL, 0, 9999), 4);
  p = PutText(p, " at ");
  p = PutDigits(p, Clamp(local.tm_hour, 0, 23), 2);
  *p++ = ':';
  p = PutDigits(p, Clamp(local.tm_min, 0, 59), 2);
  *p++ = ':';
  p = PutDigits(p, Clamp(local.tm_sec, 0, 60), 2);
  p = PutText(p, ": ");
  *p = '\0';
  return static_cast<std::size_t>(p - out);
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

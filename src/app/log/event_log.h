// The event log's writing rule: texts are written as fragments, and a time
// stamp goes in front of a fragment only when the previous one ended a line.
#pragma once

#include <cstddef>
#include <ctime>
#include <string_view>

namespace velumix {

// "On MM/DD/YYYY at hh:mm:ss: " for the given local time: always 27 bytes.
constexpr std::size_t kStampLength = 27;
std::size_t FormatStamp(const std::tm& local, char (&out)[32]);

class EventLog {
 public:
  EventLog(const EventLog&) = delete;
  EventLog& operator=(const EventLog&) = delete;
  virtual ~EventLog() = default;

  // Writes the stamp if the previous text ended a line, then remembers the
  // last two characters of `text`. Does not write the text.
  void StampIfNeeded(std::string_view text);
  // StampIfNeeded, then the text itself. A failing write is dropped: the log
  // never stops the operation that is logging.
  void Log(std::string_view text);

 protected:
  explicit EventLog(std::time_t now) : m_stampTime(now) {}

  virtual bool WriteBytes(const char* data, std::size_t size) = 0;
  virtual std::time_t CurrentTime() const = 0;
  virtual std::tm ToLocalTime(std::time_t time) const = 0;

 private:
  char m_lastTwo[2] = {'\n', '\0'};
  std::time_t m_stampTime;
};

}  // namespace velumix

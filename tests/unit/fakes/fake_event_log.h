// An event log that writes into a string, with a clock the test sets. UTC
// stands in for local time so that stamps do not depend on the machine.
#pragma once

#include <ctime>
#include <string>

#include "app/log/event_log.h"

namespace velumix {

class StringEventLog : public EventLog {
 public:
  explicit StringEventLog(std::time_t now = 0) : EventLog(now), m_now(now) {}

  std::string m_written;
  std::time_t m_now;
  bool m_failWrites = false;
  int m_writeAttempts = 0;

 protected:
  bool WriteBytes(const char* data, std::size_t size) override {
    ++m_writeAttempts;
    if (m_failWrites) return false;
    m_written.append(data, size);
    return true;
  }
  std::time_t CurrentTime() const override { return m_now; }
  std::tm ToLocalTime(std::time_t time) const override {
    std::tm utc{};
    gmtime_r(&time, &utc);
    return utc;
  }
};

}  // namespace velumix

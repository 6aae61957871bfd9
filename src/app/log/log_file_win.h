// The event log file, "logfile.log" in the working directory.
#pragma once

#include <ctime>

#include "app/log/event_log.h"
#include "framework/file.h"

class CLogFile : public fw::CFile, public velumix::EventLog {
 public:
  CLogFile();

  // Logs a number as a fragment of its own, in signed decimal.
  void LogNumber(long value);

 protected:
  bool WriteBytes(const char* data, std::size_t size) override { return Write(data, size); }
  std::time_t CurrentTime() const override;
  std::tm ToLocalTime(std::time_t time) const override;
};

// The one log of the process; set at start-up and never freed.
extern CLogFile* g_pLog;

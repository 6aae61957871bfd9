#include "app/log_file_win.h"

#include <cstdio>

CLogFile* g_pLog = nullptr;

CLogFile::CLogFile() : EventLog(std::time(nullptr)) {}

void CLogFile::LogNumber(long value) {
  char text[24];
  std::snprintf(text, sizeof text, "%ld", value);
  Log(text);
}

std::time_t CLogFile::CurrentTime() const { return std::time(nullptr); }

std::tm CLogFile::ToLocalTime(std::time_t time) const {
  std::tm local{};
  localtime_s(&local, &time);
  return local;
}

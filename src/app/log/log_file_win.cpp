#include "app/log/log_file_win.h"

#include <charconv>

CLogFile* g_pLog = nullptr;

CLogFile::CLogFile() : EventLog(std::time(nullptr)) {}

void CLogFile::LogNumber(long value) {
  char text[24];
  std::to_chars_result end = std::to_chars(text, text + sizeof text, value);
  Log(std::string_view(text, static_cast<std::size_t>(end.ptr - text)));
}

std::time_t CLogFile::CurrentTime() const { return std::time(nullptr); }

std::tm CLogFile::ToLocalTime(std::time_t time) const {
  std::tm local{};
  localtime_s(&local, &time);
  return local;
}

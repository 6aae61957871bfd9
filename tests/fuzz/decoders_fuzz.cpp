// Fuzzes what the program reads from outside: stored settings values,
// executable paths and journals of hidden windows, and the event log's
// stamping of arbitrary fragments.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

#include "app/log/event_log.h"
#include "core/hidden_journal.h"
#include "framework/profile_format.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

class StringLog final : public velumix::EventLog {
 public:
  StringLog() : EventLog(0) {}
  std::string written;
  int writes = 0;

 protected:
  bool WriteBytes(const char* data, std::size_t size) override {
    ++writes;
    written.append(data, size);
    return true;
  }
  std::time_t CurrentTime() const override { return 0; }
  std::tm ToLocalTime(std::time_t) const override {
    std::tm t{};
    t.tm_year = 126;
    t.tm_mday = 1;
    return t;
  }
};

void FuzzValues(const std::uint8_t* data, std::size_t size) {
  std::span<const std::uint8_t> bytes(data, size);
  std::uint32_t number = fw::DecodeProfileInt(bytes, 77);
  if (size != 4) Check(number == 77);
  std::string text = fw::DecodeProfileString(bytes, "fallback");
  Check(text.size() <= size);
  Check(text.find('\0') == std::string::npos);
  Check(std::memcmp(text.data(), data, text.size()) == 0);
  Check(fw::DecodeProfileString(std::nullopt, "fallback") == "fallback");

  std::string_view path(reinterpret_cast<const char*>(data), size);
  std::string name = fw::ApplicationNameFromPath(path);
  Check(name.size() <= size);
  Check(name.find_first_of("\\/:") == std::string::npos);
  Check(path.find(name) != std::string_view::npos);
}

void FuzzLog(const std::uint8_t* data, std::size_t size) {
  // Fragments separated by 0xFF bytes; a stamp may only start a line.
  StringLog log;
  std::string expected_text;
  std::size_t start = 0;
  int expected_stamps = 0;
  int logged = 0;
  bool at_line_start = true;
  for (std::size_t i = 0; i <= size; ++i) {
    if (i < size && data[i] != 0xFF) continue;
    std::string fragment(reinterpret_cast<const char*>(data) + start, i - start);
    start = i + 1;
    if (fragment.empty()) continue;
    if (at_line_start) ++expected_stamps;
    log.Log(fragment);
    ++logged;
    expected_text += fragment;
    std::size_t n = fragment.size();
    auto ends = [](char c) { return c == '\n' || c == '\r'; };
    at_line_start = ends(fragment[n - 1]) || (n >= 2 && ends(fragment[n - 2]));
  }
  // Every stamp is one write of its own, in front of its fragment's.
  Check(log.writes - logged == expected_stamps);
  Check(log.written.size() == expected_text.size() + velumix::kStampLength * static_cast<std::size_t>(expected_stamps));
}

void FuzzStamp(const std::uint8_t* data, std::size_t size) {
  if (size < 24) return;
  int fields[6];
  std::memcpy(fields, data, sizeof fields);
  std::tm t{};
  t.tm_mon = fields[0];
  t.tm_mday = fields[1];
  t.tm_year = fields[2];
  t.tm_hour = fields[3];
  t.tm_min = fields[4];
  t.tm_sec = fields[5];
  char out[32];
  Check(velumix::FormatStamp(t, out) == velumix::kStampLength);
  Check(std::strlen(out) == velumix::kStampLength);
}

// The format has one spelling for each journal: whatever decodes encodes
// back to the very same bytes.
void FuzzJournal(const std::uint8_t* data, std::size_t size) {
  std::optional<velumix::Journal> journal = velumix::DecodeJournal(data, size);
  if (!journal) return;
  Check(journal->entries.size() <= velumix::kMaxTrackedWindows);
  std::vector<std::uint8_t> again = velumix::EncodeJournal(*journal);
  // A record of the current version is written back byte for byte; one of an
  // earlier version is written in the current one, and reads the same.
  Check(velumix::DecodeJournal(again.data(), again.size()) == journal);
  if (std::memcmp(data, "VXJ3", 4) == 0) Check(again.size() == size && std::memcmp(again.data(), data, size) == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzJournal(data, size);
  FuzzValues(data, size);
  FuzzLog(data, size);
  FuzzStamp(data, size);
  return 0;
}

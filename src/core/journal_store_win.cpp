#include "core/journal_store_win.h"

#include <windows.h>

#include "framework/handles.h"

namespace velumix {

namespace {

constexpr char kJournalSection[] = "Journal";

// The creation time, which tells a process from a later one with its number.
bool StartTime(HANDLE process, std::uint64_t& started) {
  FILETIME created{}, exited{}, kernel{}, user{};
  if (!::GetProcessTimes(process, &created, &exited, &kernel, &user)) return false;
  started = (std::uint64_t{created.dwHighDateTime} << 32) | created.dwLowDateTime;
  return true;
}

}  // namespace

std::vector<JournalStore::Stored> RegistryJournalStore::ReadAll() {
  std::vector<Stored> all;
  for (fw::RegistryProfile::Value& value : m_profile.ReadValues(kJournalSection, kMaxJournalSize)) {
    all.push_back({std::move(value.name), std::move(value.data), value.read});
  }
  return all;
}

std::optional<std::vector<std::uint8_t>> RegistryJournalStore::Read(const std::string& name) {
  for (fw::RegistryProfile::Value& value : m_profile.ReadValues(kJournalSection, kMaxJournalSize)) {
    if (value.name == name) return value.read ? std::optional(std::move(value.data)) : std::nullopt;
  }
  return std::nullopt;
}

bool RegistryJournalStore::Write(const std::string& name, const std::vector<std::uint8_t>& bytes) {
  return m_profile.WriteBinary(kJournalSection, name.c_str(), bytes);
}

void RegistryJournalStore::Remove(const std::string& name) { m_profile.DeleteValue(kJournalSection, name.c_str()); }

InstanceId Win32Processes::Self() {
  InstanceId self{::GetCurrentProcessId(), 0};
  StartTime(::GetCurrentProcess(), self.started);
  return self;
}

ProcessLook Win32Processes::Look(ProcessId number) {
  ProcessLook look;
  fw::unique_process process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, number));
  if (!process) {
    if (::GetLastError() == ERROR_ACCESS_DENIED) look.seen = ProcessLook::Seen::Denied;
    return look;
  }
  DWORD code = 0;
  if (!StartTime(process.get(), look.started) || !::GetExitCodeProcess(process.get(), &code)) {
    look.seen = ProcessLook::Seen::Denied;
    return look;
  }
  look.seen = ProcessLook::Seen::Found;
  look.running = code == STILL_ACTIVE;
  return look;
}

}  // namespace velumix

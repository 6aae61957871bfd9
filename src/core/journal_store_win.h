// The journals of hidden windows in the registry, beside the settings:
// HKEY_CURRENT_USER\Software\<registry key>\<application name>\Journal, one
// binary value per running instance. A value is written whole by one call,
// so a kill leaves the old data or the new. And the processes, as Win32
// numbers them, with their start times.
#pragma once

#include <string>
#include <vector>

#include "core/hidden_journal.h"
#include "framework/registry_profile.h"

namespace velumix {

class RegistryJournalStore final : public JournalStore {
 public:
  explicit RegistryJournalStore(fw::RegistryProfile profile) : m_profile(std::move(profile)) {}

  std::vector<Stored> ReadAll() override;
  std::optional<std::vector<std::uint8_t>> Read(const std::string& name) override;
  bool Write(const std::string& name, const std::vector<std::uint8_t>& bytes) override;
  void Remove(const std::string& name) override;

 private:
  fw::RegistryProfile m_profile;
};

class Win32Processes final : public Processes {
 public:
  InstanceId Self() override;
  ProcessLook Look(ProcessId process) override;
};

}  // namespace velumix

// The Configure operation: runs the configuration dialog until its two
// password fields agree or the user cancels, then applies and stores the
// result and registers the hot keys again.
#pragma once

#include <string>

#include "controls/prompts.h"
#include "settings/settings_record.h"

namespace velumix {

// What the configuration dialog hands back besides the hot keys, which its
// OK has already written into the record.
struct ConfigEntries {
  int startMinimized = 0;
  int camouflage = 0;
  std::string password;
  std::string confirm;
};

class ConfigDialog {
 public:
  virtual ~ConfigDialog() = default;
  // Each showing fills itself from the record afresh.
  virtual DialogResult Run() = 0;
  virtual const ConfigEntries& entries() const = 0;
};

class ConfigureHost {
 public:
  virtual ~ConfigureHost() = default;
  virtual void UnregisterHotKeys() = 0;
  virtual void RegisterHotKeys() = 0;
  // "Mistake in entering a password. Try again!"
  virtual void ShowPasswordMistake() = 0;
  virtual void ReplaceTrayIcon(int camouflage) = 0;
  virtual void StoreAllSettings() = 0;
};

void RunConfigure(SettingsRecord& record, ConfigDialog& dialog, ConfigureHost& host);

}  // namespace velumix

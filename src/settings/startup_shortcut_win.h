// The Startup folder through the Shell: its link object reads and writes
// the shortcut.
#pragma once

#include <optional>
#include <string>

#include "settings/startup_shortcut.h"

namespace velumix {

class ShellStartupFolder final : public StartupFolder {
 public:
  std::optional<std::u16string> ReadTarget() override;
  bool Write(const std::u16string& target, const std::u16string& workingDirectory) override;
  bool Remove() override;
};

// The full path of this executable.
std::u16string OwnExecutablePath();

}  // namespace velumix

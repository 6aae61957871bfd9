// Starting with Windows: a shortcut "Velumix.lnk" in the user's Startup
// folder, which the shell runs at each logon. Whether the program starts
// with Windows is read from that folder each time it is asked, never stored
// in the settings: the shortcut counts when it names this executable, and
// only such a one is ever removed.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace velumix {

inline constexpr char16_t kStartupShortcutName[] = u"Velumix.lnk";

inline constexpr char kStartupNotWritten[] =
    "Velumix could not write its shortcut into the Startup folder, so it will not start with Windows. Try again!";
inline constexpr char kStartupNotRemoved[] =
    "Velumix could not remove its shortcut from the Startup folder, so it will still start with Windows. Try "
    "again!";

class StartupFolder {
 public:
  virtual ~StartupFolder() = default;
  // The target of the shortcut, when there is one that can be read.
  virtual std::optional<std::u16string> ReadTarget() = 0;
  // The program is started in its own folder: its log is written to the
  // working directory.
  virtual bool Write(const std::u16string& target, const std::u16string& workingDirectory) = 0;
  // True when the shortcut is gone.
  virtual bool Remove() = 0;
};

// Two paths name the same file: alike but for case and for which slash
// separates their parts.
bool SamePath(std::u16string_view a, std::u16string_view b);
// The folder `path` lies in: the text before its last '\' or '/'.
std::u16string FolderOf(std::u16string_view path);

// Whether the shortcut names `program`, the full path of this executable.
bool StartsWithWindows(StartupFolder& folder, std::u16string_view program);

enum class StartupChange { None, Written, Removed, Failed };
// Writes the shortcut for `program` when `wanted` and it is not there yet;
// otherwise removes one that names `program`, and leaves any other alone.
StartupChange SetStartWithWindows(StartupFolder& folder, std::u16string_view program, bool wanted);

}  // namespace velumix

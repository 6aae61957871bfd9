#include "settings/startup_shortcut.h"

#include "core/keep_shown.h"

namespace velumix {

namespace {

std::u16string WithBackslashes(std::u16string_view path) {
  std::u16string text(path);
  for (char16_t& unit : text) {
    if (unit == u'/') unit = u'\\';
  }
  return text;
}

}  // namespace

bool SamePath(std::u16string_view a, std::u16string_view b) {
  return !a.empty() && SameFileName(WithBackslashes(a), WithBackslashes(b));
}

std::u16string FolderOf(std::u16string_view path) {
  std::size_t slash = path.find_last_of(u"\\/");
  return slash == std::u16string_view::npos ? std::u16string() : std::u16string(path.substr(0, slash));
}

bool StartsWithWindows(StartupFolder& folder, std::u16string_view program) {
  std::optional<std::u16string> target = folder.ReadTarget();
  return target && SamePath(*target, program);
}

StartupChange SetStartWithWindows(StartupFolder& folder, std::u16string_view program, bool wanted) {
  std::optional<std::u16string> target = folder.ReadTarget();
  const bool ours = target && SamePath(*target, program);
  if (wanted == ours) return StartupChange::None;
  if (wanted) {
    // Another copy's shortcut gives way: the one shortcut names the copy
    // that asked last.
    return folder.Write(std::u16string(program), FolderOf(program)) ? StartupChange::Written : StartupChange::Failed;
  }
  return folder.Remove() ? StartupChange::Removed : StartupChange::Failed;
}

}  // namespace velumix

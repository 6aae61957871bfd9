#include "core/window_engine.h"

#include <algorithm>
#include <cstring>

#include "app/log/event_log.h"

namespace velumix {

namespace {

bool IsIn(const std::vector<WindowId>& sorted, WindowId window) {
  return std::binary_search(sorted.begin(), sorted.end(), window);
}

}  // namespace

bool WindowEngine::IsOwn(const HiddenWindowEntry& entry) {
  return m_windows.ProcessOf(entry.hwnd) == m_windows.OwnProcess();
}

bool WindowEngine::Request(HiddenWindowEntry& entry, ShowCommand command) {
  if (m_windows.Show(entry.hwnd, command)) {
    entry.hidden = command == ShowCommand::Hide ? 1 : 0;
    return true;
  }
  // Nothing was changed; a window that is gone is hidden by no one.
  if (!m_windows.Exists(entry.hwnd)) entry.hidden = 0;
  return false;
}

bool WindowEngine::HideChosen(const bool (&chosen)[kTableSlots]) {
  std::int32_t before[kTableSlots];
  bool any = false;
  for (int i = 0; i < m_table.count(); ++i) {
    if (!chosen[i]) continue;
    before[i] = m_table[i].hidden;
    m_table[i].hidden = 1;
    any = true;
  }
  if (!any) return true;
  if (!Recorded()) {
    for (int i = 0; i < m_table.count(); ++i) {
      if (chosen[i]) m_table[i].hidden = before[i];
    }
    return false;
  }
  bool refused = false;
  for (int i = 0; i < m_table.count(); ++i) {
    HiddenWindowEntry& entry = m_table[i];
    if (!chosen[i] || m_windows.Show(entry.hwnd, ShowCommand::Hide)) continue;
    entry.hidden = m_windows.Exists(entry.hwnd) ? before[i] : 0;
    refused = true;
  }
  if (refused) Recorded();
  return true;
}

bool WindowEngine::HideAll() {
  bool chosen[kTableSlots] = {};
  for (int i = 0; i < m_table.count(); ++i) {
    const HiddenWindowEntry& entry = m_table[i];
    chosen[i] = m_windows.IsVisible(entry.hwnd) && !IsDesktopEntry(entry) && !IsOwn(entry);
  }
  m_listChanged = 1;
  return HideChosen(chosen);
}

void WindowEngine::ShowAll() {
  const std::vector<WindowId> held = HeldLockedElsewhere();
  for (int i = 0; i < m_table.count(); ++i) {
    HiddenWindowEntry& entry = m_table[i];
    if (IsIn(held, entry.hwnd)) continue;
    // A window still flagged may be visible only because its thread has not
    // got to the hide yet; asking again puts the show after it.
    if (!m_windows.IsVisible(entry.hwnd) || entry.hidden != 0) Request(entry, ShowCommand::ShowWithoutActivating);
  }
  Recorded();
  m_listChanged = 1;
}

bool WindowEngine::HideCurrent() {
  char title[kTitleBufferSize];
  WindowId foreground = m_windows.Foreground();
  if (foreground == kNoWindow) return true;
  m_windows.GetTitle(foreground, title);
  // The taskbar, the desktop and other title-less windows name nothing.
  if (title[0] == '\0') return true;
  bool chosen[kTableSlots] = {};
  for (int i = 0; i < m_table.count(); ++i) {
    const HiddenWindowEntry& entry = m_table[i];
    // Only a click on its row hides the desktop, whatever window bears its title.
    chosen[i] = m_windows.IsVisible(entry.hwnd) && std::strcmp(entry.title, title) == 0 && !IsDesktopEntry(entry) &&
                !IsOwn(entry);
    if (chosen[i]) m_listChanged = 1;
  }
  return HideChosen(chosen);
}

ToggleResult WindowEngine::ToggleEntry(int index, ShowCommand showWith) {
  if (!m_table.IsInUse(index)) return ToggleResult::None;
  HiddenWindowEntry& entry = m_table[index];
  // Not this run's to show, nor to take a share in.
  if (IsIn(HeldLockedElsewhere(), entry.hwnd)) return ToggleResult::None;
  if (entry.hidden != 0) {
    bool shown = Request(entry, showWith);
    Recorded();
    return shown ? ToggleResult::Shown : ToggleResult::None;
  }
  if (IsOwn(entry)) return ToggleResult::None;
  bool chosen[kTableSlots] = {};
  chosen[index] = true;
  if (!HideChosen(chosen)) return ToggleResult::Refused;
  return entry.hidden != 0 ? ToggleResult::Hidden : ToggleResult::None;
}

std::vector<WindowId> WindowEngine::HiddenToGiveBack() {
  const std::vector<WindowId> held = HeldLockedElsewhere();
  std::vector<WindowId> windows;
  for (int i = 0; i < m_table.count(); ++i) {
    if (m_table[i].hidden != 0 && !IsIn(held, m_table[i].hwnd)) windows.push_back(m_table[i].hwnd);
  }
  return windows;
}

bool WindowEngine::RefreshTable() {
  if (!m_table.RefreshTable(m_windows, m_listChanged != 0)) return false;
  Recorded();
  return true;
}

bool WindowEngine::RefreshList(WindowList& list, EventLog* log) {
  if (!RefreshTable()) return false;
  FillList(list, log, kListInsertFailed);
  m_listChanged = 0;
  return true;
}

void WindowEngine::FillList(WindowList& list, EventLog* log, std::string_view failureText) const {
  list.ResetContent();
  for (int i = 0; i < m_table.count(); ++i) {
    if (!list.AddString(m_table[i].title) && log) log->Log(failureText);
  }
  list.EndRefill();
}

}  // namespace velumix


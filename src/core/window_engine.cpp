#include "core/window_engine.h"

#include <cstring>

#include "app/event_log.h"

namespace velumix {

void WindowEngine::HideAll() {
  for (int i = 0; i < m_table.count(); ++i) {
    HiddenWindowEntry& entry = m_table[i];
    if (m_windows.IsVisible(entry.hwnd) && !IsDesktopEntry(entry)) {
      entry.hidden = 1;
      m_windows.Show(entry.hwnd, ShowCommand::Hide);
    }
  }
  m_listChanged = 1;
}

void WindowEngine::ShowAll() {
  for (int i = 0; i < m_table.count(); ++i) {
    HiddenWindowEntry& entry = m_table[i];
    if (!m_windows.IsVisible(entry.hwnd)) {
      entry.hidden = 0;
      m_windows.Show(entry.hwnd, ShowCommand::Show);
    }
  }
  m_listChanged = 1;
}

void WindowEngine::HideCurrent() {
  char title[kTitleBufferSize];
  WindowId foreground = m_windows.Foreground();
  if (foreground == kNoWindow) return;
  m_windows.GetTitle(foreground, title);
  for (int i = 0; i < m_table.count(); ++i) {
    HiddenWindowEntry& entry = m_table[i];
    if (m_windows.IsVisible(entry.hwnd) && std::strcmp(entry.title, title) == 0) {
      entry.hidden = 1;
      m_windows.Show(entry.hwnd, ShowCommand::Hide);
      m_listChanged = 1;
    }
  }
}

ToggleResult WindowEngine::ToggleEntry(int index) {
  if (!m_table.IsInUse(index)) return ToggleResult::None;
  HiddenWindowEntry& entry = m_table[index];
  if (entry.hidden != 0) {
    m_windows.Show(entry.hwnd, ShowCommand::Show);
    entry.hidden = 0;
    return ToggleResult::Shown;
  }
  m_windows.Show(entry.hwnd, ShowCommand::Hide);
  entry.hidden = 1;
  return ToggleResult::Hidden;
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
}

}  // namespace velumix


#include "core/hidden_window_table.h"

#include <algorithm>
#include <cstring>

#include "core/title_text.h"

namespace velumix {

bool IsDesktopEntry(const HiddenWindowEntry& entry) { return std::strcmp(entry.title, kDesktopTitle) == 0; }

bool HiddenWindowTable::Admit(WindowSystem& windows, WindowId window, bool skipTracked) {
  if (m_count >= kMaxTrackedWindows) return false;
  // Looked up first: the table is at hand, the window's visibility is not.
  if (skipTracked && Find(window) >= 0) return false;
  if (!windows.IsVisible(window)) return false;

  char title[kTitleBufferSize];
  windows.GetTitle(window, title);
  if (title[0] == '\0' || std::strcmp(title, kOwnTitle) == 0) return false;

  Append(window, title, false);
  return true;
}

void HiddenWindowTable::Append(WindowId window, const char* title, bool hidden) {
  HiddenWindowEntry& slot = m_table[m_count];
  slot.hwnd = window;
  const char* stored = std::strcmp(title, kDesktopWindowTitle) == 0 ? kDesktopTitle : title;
  // Malformed text counts few characters for its bytes: the buffer bounds it too.
  std::size_t n = std::min(Utf8PrefixLength(stored, std::strlen(stored), kMaxTitleCharacters), kTitleBufferSize - 1);
  std::memcpy(slot.title, stored, n);
  slot.title[n] = '\0';
  slot.hidden = hidden ? 1 : 0;
  ++m_count;
}

bool HiddenWindowTable::AdoptHidden(WindowId window, const char* title) {
  if (int tracked = Find(window); tracked >= 0) {
    m_table[tracked].hidden = 1;
    return true;
  }
  if (m_count >= kMaxTrackedWindows) {
    int last = m_count - 1;
    while (last >= 0 && (m_table[last].hidden != 0 || IsDesktopEntry(m_table[last]))) --last;
    if (last < 0) return false;
    for (int i = last; i + 1 < m_count; ++i) m_table[i] = m_table[i + 1];
    m_table[--m_count].hidden = 0;
  }
  Append(window, title, true);
  return true;
}

int HiddenWindowTable::HiddenCount() const {
  int n = 0;
  for (int i = 0; i < m_count; ++i) n += m_table[i].hidden != 0 ? 1 : 0;
  return n;
}

void HiddenWindowTable::FillTable(WindowSystem& windows) {
  // Windows taken back from an earlier run may already be here.
  bool skipTracked = m_count > 0;
  for (WindowId w = windows.TopWindow(); w != kNoWindow && m_count < kMaxTrackedWindows; w = windows.NextWindow(w)) {
    Admit(windows, w, skipTracked);
  }
}

bool HiddenWindowTable::RefreshTable(WindowSystem& windows, bool listChanged) {
  bool changed = listChanged;

  int kept = 0;
  for (int i = 0; i < m_count; ++i) {
    HiddenWindowEntry& entry = m_table[i];
    char title[kTitleBufferSize];
    if (!windows.ReadTitleIfExists(entry.hwnd, title)) {
      changed = true;
      continue;
    }
    if (std::strcmp(title, kDesktopWindowTitle) != 0 && std::strcmp(title, entry.title) != 0) {
      std::strcpy(entry.title, title);
      changed = true;
    }
    if (kept != i) m_table[kept] = entry;
    ++kept;
  }
  // Slots given up keep a cleared flag, like never-used ones.
  for (int i = kept; i < m_count; ++i) m_table[i].hidden = 0;
  m_count = kept;

  for (WindowId w = windows.TopWindow(); w != kNoWindow && m_count < kMaxTrackedWindows; w = windows.NextWindow(w)) {
    if (Admit(windows, w, true)) changed = true;
  }
  return changed;
}

bool HiddenWindowTable::AnyHidden() const {
  for (int i = 0; i < m_count; ++i) {
    if (m_table[i].hidden == 1) return true;
  }
  return false;
}

int HiddenWindowTable::Find(WindowId window) const {
  for (int i = 0; i < m_count; ++i) {
    if (m_table[i].hwnd == window) return i;
  }
  return -1;
}

}  // namespace velumix

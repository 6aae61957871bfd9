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
  return RequestMade(entry, m_windows.Show(entry.hwnd, command), command);
}

bool WindowEngine::RequestMade(HiddenWindowEntry& entry, bool made, ShowCommand command) {
  if (made) {
    entry.hidden = command == ShowCommand::Hide ? 1 : 0;
    return true;
  }
  // Nothing was changed; a window that is gone is hidden by no one.
  if (!m_windows.Exists(entry.hwnd)) entry.hidden = 0;
  return false;
}

void WindowEngine::RememberStack(const bool (&chosen)[kTableSlots]) {
  // What the earlier hides remembered of the windows still hidden since.
  std::vector<WindowId> earlier;
  for (WindowId w : m_stack) {
    int i = m_table.Find(w);
    if (i >= 0 && !chosen[i] && m_table[i].hidden != 0) earlier.push_back(w);
  }
  const auto isEarlier = [&](WindowId w) { return std::find(earlier.begin(), earlier.end(), w) != earlier.end(); };

  std::vector<WindowId> stack;
  const std::size_t wanted = static_cast<std::size_t>(m_table.count()) + 1;
  for (WindowId w = m_windows.TopWindow(); w != kNoWindow && stack.size() < wanted; w = m_windows.NextWindow(w)) {
    if ((w == m_mainWindow || m_table.Find(w) >= 0) && !isEarlier(w)) stack.push_back(w);
  }
  // Each earlier one goes back below the window it stood below, or below the
  // earlier one above it.
  auto at = stack.begin();
  for (WindowId w : m_stack) {
    if (isEarlier(w)) {
      at = stack.insert(at, w) + 1;
    } else if (auto found = std::find(stack.begin(), stack.end(), w); found != stack.end()) {
      at = found + 1;
    }
  }
  m_stack = std::move(stack);
  if (m_record) m_record->NoteStack(m_stack);
}

void WindowEngine::TakeStack(const std::vector<WindowId>& topFirst) {
  for (WindowId w : topFirst) {
    if (std::find(m_stack.begin(), m_stack.end(), w) == m_stack.end()) m_stack.push_back(w);
  }
  if (m_record) m_record->NoteStack(m_stack);
}

void WindowEngine::ShowChosen(const bool (&chosen)[kTableSlots], WindowId top) {
  bool placed[kTableSlots] = {};
  bool anyPlaced = false;
  WindowId above = top;
  m_placed.assign(top != kNoWindow ? 1 : 0, Placed{top, false});
  for (WindowId w : m_stack) {
    int i = m_table.Find(w);
    if (i >= 0 && chosen[i] && !m_windows.IsVisible(w)) {
      // Not visible: it stands where this run hid it, not where its program
      // put it meanwhile.
      placed[i] = true;
      if (!RequestMade(m_table[i], m_windows.ShowBelow(w, above), ShowCommand::ShowWithoutActivating)) continue;
      anyPlaced = true;
      m_placed.push_back({w, true});
    } else if (w != top && m_windows.IsVisible(w)) {
      m_placed.push_back({w, false});
    } else {
      continue;
    }
    above = w;
  }
  m_stackChecksLeft = anyPlaced ? kStackChecks : 0;
  for (int i = 0; i < m_table.count(); ++i) {
    if (chosen[i] && !placed[i]) Request(m_table[i], ShowCommand::ShowWithoutActivating);
  }
}

bool WindowEngine::CheckStack() {
  if (m_stackChecksLeft <= 0) return false;
  --m_stackChecksLeft;
  std::vector<WindowId> order;
  for (WindowId w = m_windows.TopWindow(); w != kNoWindow; w = m_windows.NextWindow(w)) order.push_back(w);
  bool repaired = false, notYetShown = false;
  WindowId above = kNoWindow;
  std::ptrdiff_t abovePlace = -1;
  for (const auto& [w, moved] : m_placed) {
    auto found = std::find(order.begin(), order.end(), w);
    // A window that is gone, hidden again or not yet shown holds no place.
    if (found == order.end()) continue;
    if (!m_windows.IsVisible(w)) {
      notYetShown = notYetShown || moved;
      continue;
    }
    std::ptrdiff_t place = found - order.begin();
    if (moved && above != kNoWindow && place < abovePlace && m_windows.PlaceBelow(w, above)) {
      repaired = true;
      place = abovePlace;  // right below `above`, above whatever stood below it
    }
    above = w;
    abovePlace = place;
  }
  // A window of a thread that has not yet got to its show may still land
  // out of order: the checks go on while any is due.
  if (!repaired && !notYetShown) m_stackChecksLeft = 0;
  return m_stackChecksLeft > 0;
}

void WindowEngine::ForgetStackIfNoneHidden() {
  if (m_table.AnyHidden()) return;
  m_stack.clear();
  m_userWasIn = kNoWindow;
}

bool WindowEngine::HideChosen(const bool (&chosen)[kTableSlots], WindowId userWasIn) {
  std::int32_t before[kTableSlots];
  bool any = false;
  for (int i = 0; i < m_table.count(); ++i) {
    if (!chosen[i]) continue;
    before[i] = m_table[i].hidden;
    m_table[i].hidden = 1;
    any = true;
  }
  if (!any) return true;
  RememberStack(chosen);
  if (!Recorded()) {
    for (int i = 0; i < m_table.count(); ++i) {
      if (chosen[i]) m_table[i].hidden = before[i];
    }
    return false;
  }
  int front = m_table.Find(userWasIn);
  // A window that is not tracked (the taskbar, which takes the front for a
  // click on the notification area) names the topmost of those hidden.
  for (auto w = m_stack.begin(); userWasIn != kNoWindow && front < 0 && w != m_stack.end(); ++w) {
    if (int i = m_table.Find(*w); i >= 0 && chosen[i]) front = i;
  }
  m_userWasIn = front >= 0 && chosen[front] ? m_table[front].hwnd : kNoWindow;
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

bool WindowEngine::HideAll(WindowId userWasIn) {
  bool chosen[kTableSlots] = {};
  for (int i = 0; i < m_table.count(); ++i) {
    const HiddenWindowEntry& entry = m_table[i];
    chosen[i] = m_windows.IsVisible(entry.hwnd) && !IsDesktopEntry(entry) && !IsOwn(entry) && !KeepsShown(entry.hwnd);
  }
  m_listChanged = 1;
  return HideChosen(chosen, userWasIn);
}

bool WindowEngine::KeepsShown(WindowId window) {
  // An empty list asks nothing of the system.
  if (!m_keepShown || m_keepShown->empty()) return false;
  std::u16string program = m_windows.ProgramFileName(window);
  return !program.empty() && m_keepShown->Contains(program);
}

WindowId WindowEngine::ShowAll(bool giveBackFront) {
  const std::vector<WindowId> held = HeldLockedElsewhere();
  bool chosen[kTableSlots] = {};
  for (int i = 0; i < m_table.count(); ++i) {
    const HiddenWindowEntry& entry = m_table[i];
    // A window still flagged may be visible only because its thread has not
    // got to the hide yet; asking again puts the show after it.
    chosen[i] = !IsIn(held, entry.hwnd) && (!m_windows.IsVisible(entry.hwnd) || entry.hidden != 0);
  }
  int front = giveBackFront ? m_table.Find(m_userWasIn) : -1;
  WindowId userWasIn = front >= 0 && chosen[front] ? m_userWasIn : kNoWindow;
  ShowChosen(chosen, userWasIn != kNoWindow ? kNoWindow : m_mainWindow);
  Recorded();
  m_listChanged = 1;
  ForgetStackIfNoneHidden();
  return userWasIn;
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
  return HideChosen(chosen, foreground);
}

ToggleResult WindowEngine::ToggleEntry(int index, ShowCommand showWith) {
  if (!m_table.IsInUse(index)) return ToggleResult::None;
  HiddenWindowEntry& entry = m_table[index];
  // Not this run's to show, nor to take a share in.
  if (IsIn(HeldLockedElsewhere(), entry.hwnd)) return ToggleResult::None;
  if (entry.hidden != 0) {
    bool shown;
    if (showWith == ShowCommand::ShowWithoutActivating) {
      bool chosen[kTableSlots] = {};
      chosen[index] = true;
      ShowChosen(chosen, m_mainWindow);
      shown = entry.hidden == 0 && m_windows.Exists(entry.hwnd);
    } else {
      shown = Request(entry, showWith);
    }
    Recorded();
    ForgetStackIfNoneHidden();
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


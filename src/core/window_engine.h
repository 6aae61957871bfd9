// The operations that hide and show the tracked windows, and the list that
// mirrors the table.
#pragma once

#include <cstdint>
#include <string_view>

#include "core/hidden_window_table.h"
#include "core/window_system.h"

namespace velumix {

class EventLog;

// The list box that shows the table, item i for entry i.
class WindowList {
 public:
  virtual ~WindowList() = default;
  virtual void ResetContent() = 0;
  // False when the item could not be added.
  virtual bool AddString(const char* text) = 0;
};

enum class ToggleResult { None, Hidden, Shown };

class WindowEngine {
 public:
  explicit WindowEngine(WindowSystem& windows) : m_windows(windows) {}

  void FillTable() { m_table.FillTable(m_windows); }
  bool RefreshTable() { return m_table.RefreshTable(m_windows, m_listChanged != 0); }
  // A refresh outside a list rebuild: when the table moved under the list,
  // the next RefreshList rebuilds it, so that list row i stays entry i.
  void RefreshTableAheadOfList() {
    if (RefreshTable()) m_listChanged = 1;
  }

  // Hides every visible tracked window but the desktop's.
  void HideAll();
  // Shows every tracked window that is not visible, the desktop's included.
  void ShowAll();
  // Hides every visible tracked window whose title is the foreground
  // window's title.
  void HideCurrent();
  // Flips entry `index` whatever its window's visibility; an index that is
  // not in use touches nothing.
  ToggleResult ToggleEntry(int index);

  // Refreshes the table and, when anything changed, rebuilds the list.
  // True when it rebuilt.
  bool RefreshList(WindowList& list, EventLog* log);
  // Empties the list and adds every entry's title; each failure logs
  // `failureText`.
  void FillList(WindowList& list, EventLog* log, std::string_view failureText) const;

  bool AnyHidden() const { return m_table.AnyHidden(); }
  const HiddenWindowTable& table() const { return m_table; }

  // 1 when some hidden flag changed since the list was last rebuilt.
  std::int32_t m_listChanged = 0;

 private:
  WindowSystem& m_windows;
  HiddenWindowTable m_table;
};

inline constexpr char kListInsertFailed[] = "Error in inserting a list box item";
inline constexpr char kListInsertFailedAtStart[] = "Error in serting a list box item";

}  // namespace velumix

// The operations that hide and show the tracked windows, and the list that
// mirrors the table.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "core/hidden_window_table.h"
#include "core/window_system.h"

namespace velumix {

class EventLog;

// The list box that shows the table, item i for entry i. A refill is
// ResetContent, the items in order, then EndRefill; across it the list may
// keep the place the user is looking at.
class WindowList {
 public:
  virtual ~WindowList() = default;
  virtual void ResetContent() = 0;
  // False when the item could not be added.
  virtual bool AddString(const char* text) = 0;
  virtual void EndRefill() = 0;
};

// Refused: the window was left as it was, because no record could name it
// as hidden.
enum class ToggleResult { None, Hidden, Shown, Refused };

// Told what the table holds hidden: before any window is hidden, and after
// windows are shown or the table changed.
class HiddenRecord {
 public:
  virtual ~HiddenRecord() = default;
  // False when the record could not be kept.
  virtual bool Record(const HiddenWindowTable& table) = 0;
};

// Whoever else holds windows hidden: another copy of the program, running
// or ended. What one of them keeps behind its lock is shown by no operation
// here, whatever asks; the others may change their minds at any time, so
// they are asked at each decision.
class OtherHolders {
 public:
  virtual ~OtherHolders() = default;
  // The windows they hold hidden behind a lock, sorted.
  virtual std::vector<WindowId> HeldLocked() = 0;
};

class WindowEngine {
 public:
  explicit WindowEngine(WindowSystem& windows) : m_windows(windows) {}

  void SetRecord(HiddenRecord* record) { m_record = record; }
  void SetOthers(OtherHolders* others) { m_others = others; }

  void FillTable() { m_table.FillTable(m_windows); }
  bool RefreshTable();
  // A refresh outside a list rebuild: when the table moved under the list,
  // the next RefreshList rebuilds it, so that list row i stays entry i.
  void RefreshTableAheadOfList() {
    if (RefreshTable()) m_listChanged = 1;
  }

  // The program's own windows are tracked like any other, but no operation
  // ever hides one of them.

  // A window is hidden only once the record names it: a kill would otherwise
  // leave it hidden where no later start looks. The hides return false when
  // the record could not be kept and nothing was hidden.

  // Hides every visible tracked window but the desktop's.
  bool HideAll();
  // Shows every tracked window that is not visible, the desktop's included,
  // and every one still flagged as hidden, but none another holder keeps
  // behind its lock; none is activated, since the caller brings the main
  // window to the front.
  void ShowAll();
  // Hides every visible tracked window whose title is the foreground
  // window's (non-empty) title, but never the desktop.
  bool HideCurrent();
  // Flips entry `index` whatever its window's visibility; an index that is
  // not in use touches nothing, and neither does one whose window another
  // holder keeps behind its lock. A window is shown with `showWith`.
  ToggleResult ToggleEntry(int index, ShowCommand showWith = ShowCommand::Show);
  // The windows flagged hidden that no other holder keeps behind its lock:
  // what this run gives back when it dies.
  std::vector<WindowId> HiddenToGiveBack();

  // Refreshes the table and, when anything changed, rebuilds the list.
  // True when it rebuilt.
  bool RefreshList(WindowList& list, EventLog* log);
  // Empties the list and adds every entry's title, as one refill; each
  // failure logs `failureText`.
  void FillList(WindowList& list, EventLog* log, std::string_view failureText) const;

  bool AnyHidden() const { return m_table.AnyHidden(); }
  const HiddenWindowTable& table() const { return m_table; }
  HiddenWindowTable& table() { return m_table; }

  // 1 when some hidden flag changed since the list was last rebuilt.
  std::int32_t m_listChanged = 0;

 private:
  bool IsOwn(const HiddenWindowEntry& entry);
  // Hides the chosen entries. All of them are recorded as hidden before the
  // first is asked for, so that no kill in between leaves one unrecorded; a
  // request that cannot be made puts its flag back. When the record cannot
  // be kept, every flag goes back and nothing is asked for: false.
  bool HideChosen(const bool (&chosen)[kTableSlots]);
  // Asks for the show state; the flag follows only a request that was made.
  bool Request(HiddenWindowEntry& entry, ShowCommand command);
  bool Recorded() { return !m_record || m_record->Record(m_table); }
  std::vector<WindowId> HeldLockedElsewhere() {
    return m_others ? m_others->HeldLocked() : std::vector<WindowId>{};
  }

  WindowSystem& m_windows;
  HiddenRecord* m_record = nullptr;
  OtherHolders* m_others = nullptr;
  HiddenWindowTable m_table;
};

inline constexpr char kListInsertFailed[] = "Error in inserting a list box item";
inline constexpr char kListInsertFailedAtStart[] = "Error in serting a list box item";
inline constexpr char kHideUnrecorded[] = "Could not record the windows to hide in the journal; nothing was hidden\n";
inline constexpr char kHideRefusedMessage[] =
    "The windows were not hidden: Velumix could not note them in the registry, and a window hidden without that "
    "note could not be given back after a crash.";

}  // namespace velumix

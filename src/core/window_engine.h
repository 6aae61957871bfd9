// The operations that hide and show the tracked windows, and the list that
// mirrors the table.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "core/hidden_window_table.h"
#include "core/keep_shown.h"
#include "core/window_system.h"

namespace velumix {

class EventLog;

// How often the order a show made is checked after it.
inline constexpr int kStackChecks = 3;

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
  // Where the windows stand, top first, for the records that follow.
  virtual void NoteStack(const std::vector<WindowId>& /*topFirst*/) {}
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
  // The programs whose windows Hide All leaves shown; none without one.
  void SetKeepShown(const KeepShownList* keep) { m_keepShown = keep; }
  // Whether Hide All leaves the window shown, by its program.
  bool KeepsShown(WindowId window);

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

  // Every hide remembers where the windows stood in the Z-order, and a show
  // without activation puts a window back there: below the nearest window
  // above it that is shown, or below the main window when none is. A window
  // that its program showed meanwhile stays where its program put it.

  // The program's main window, which a show without activation leaves in
  // front of the windows it shows.
  void SetMainWindow(WindowId window) { m_mainWindow = window; }

  // Hides every visible tracked window but the desktop's and those of the
  // programs it leaves shown. `userWasIn` is the
  // window the user worked in when the hide was asked from elsewhere (a hot
  // key, the tray menu), where an untracked one stands for the topmost of
  // those hidden; kNoWindow when it was asked in the main window.
  bool HideAll(WindowId userWasIn = kNoWindow);
  // Shows every tracked window that is not visible, the desktop's included,
  // and every one still flagged as hidden, but none another holder keeps
  // behind its lock; none is activated. With `giveBackFront`, when the last
  // hide was asked from elsewhere and the window the user worked in then is
  // among those shown, it is returned for the caller to give the front back
  // to, and the windows stand as they stood; otherwise kNoWindow, and they
  // stand below the main window, which the caller brings to the front.
  WindowId ShowAll(bool giveBackFront = false);
  // Hides every visible tracked window whose title is the foreground
  // window's (non-empty) title, but never the desktop.
  bool HideCurrent();
  // Flips entry `index` whatever its window's visibility; an index that is
  // not in use touches nothing, and neither does one whose window another
  // holder keeps behind its lock. A window is shown with `showWith`: without
  // activation, back in its place below the main window.
  ToggleResult ToggleEntry(int index, ShowCommand showWith = ShowCommand::Show);
  // The windows of different threads carry out their requests each in its
  // own time, so a window may land below one that had not yet moved. For a
  // few checks after a show, the caller asks whether the shown windows stand
  // as they were put, and those out of order are put back below the window
  // they belong under. True while more checks are due.
  bool StackCheckDue() const { return m_stackChecksLeft > 0; }
  // Windows an earlier run left hidden, taken into the table in the order
  // its record gives (top first): they stand below those already noted.
  void TakeStack(const std::vector<WindowId>& topFirst);
  bool CheckStack();

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
  bool HideChosen(const bool (&chosen)[kTableSlots], WindowId userWasIn = kNoWindow);
  // Notes the Z-order of the tracked windows and the main window before the
  // chosen ones are hidden. A window hidden earlier keeps the place the
  // stack gave it then, below the same window as before.
  void RememberStack(const bool (&chosen)[kTableSlots]);
  // Shows the chosen entries without activating them: those the stack holds
  // in their places in it, topmost first, the first of them below `top`;
  // the others where they are.
  void ShowChosen(const bool (&chosen)[kTableSlots], WindowId top);
  // Asks for the show state; the flag follows only a request that was made.
  bool Request(HiddenWindowEntry& entry, ShowCommand command);
  bool RequestMade(HiddenWindowEntry& entry, bool made, ShowCommand command);
  // Once nothing is hidden, no stack is remembered.
  void ForgetStackIfNoneHidden();
  bool Recorded() { return !m_record || m_record->Record(m_table); }
  std::vector<WindowId> HeldLockedElsewhere() {
    return m_others ? m_others->HeldLocked() : std::vector<WindowId>{};
  }

  WindowSystem& m_windows;
  HiddenRecord* m_record = nullptr;
  OtherHolders* m_others = nullptr;
  const KeepShownList* m_keepShown = nullptr;
  HiddenWindowTable m_table;
  WindowId m_mainWindow = kNoWindow;
  // The tracked windows and the main window, top first, as the hides saw them.
  std::vector<WindowId> m_stack;
  // The window the user worked in at the last hide asked from elsewhere, if
  // that hide hid it.
  WindowId m_userWasIn = kNoWindow;
  // What the last show put in order, top first: the windows it placed, and
  // the shown ones between them and the window they stand below, which it
  // leaves where they are.
  struct Placed {
    WindowId window;
    bool moved;
  };
  std::vector<Placed> m_placed;
  int m_stackChecksLeft = 0;
};

inline constexpr char kListInsertFailed[] = "Error in inserting a list box item";
inline constexpr char kListInsertFailedAtStart[] = "Error in serting a list box item";
inline constexpr char kHideUnrecorded[] = "Could not record the windows to hide in the journal; nothing was hidden\n";
inline constexpr char kHideRefusedMessage[] =
    "The windows were not hidden: Velumix could not note them in the registry, and a window hidden without that "
    "note could not be given back after a crash.";

}  // namespace velumix

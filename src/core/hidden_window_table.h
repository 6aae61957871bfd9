// The record of the desktop's windows that the program has met: up to 100
// visible, titled top-level windows, each with a flag that says whether the
// program holds it hidden. Lives in memory only.
#pragma once

#include <cstdint>

#include "core/window_system.h"

namespace velumix {

inline constexpr int kMaxTrackedWindows = 100;
// One spare slot beyond the tracked ones, so that every id of the window
// command range maps onto a slot.
inline constexpr int kTableSlots = kMaxTrackedWindows + 1;

// The desktop window is tracked under its own title; that title also marks
// it for the rest of the program.
inline constexpr char kDesktopTitle[] = "Desktop Icons";
inline constexpr char kDesktopWindowTitle[] = "Program Manager";
// The main dialog's title: never tracked.
inline constexpr char kOwnTitle[] = "Velumix";

struct HiddenWindowEntry {
  WindowId hwnd;
  char title[kTitleBufferSize];
  std::int32_t hidden = 0;
};

bool IsDesktopEntry(const HiddenWindowEntry& entry);

class HiddenWindowTable {
 public:
  HiddenWindowTable() = default;

  // First fill, from the top of the Z-order down, while the table is empty
  // but for the windows an earlier run left hidden.
  void FillTable(WindowSystem& windows);
  // Drops entries whose windows are gone, takes in new titles and new
  // windows. True when anything changed or `listChanged` is set; never
  // clears anything of the caller's.
  bool RefreshTable(WindowSystem& windows, bool listChanged);
  bool AnyHidden() const;
  // Takes in a window that another run left hidden, as a hidden entry (one
  // already tracked is flagged hidden). In a full table a shown window gives
  // up its entry, the last one that is not the desktop's: a hidden window
  // with no entry could not be shown from here. False when every entry is
  // hidden (or the desktop's).
  bool AdoptHidden(WindowId window, const char* title);
  int HiddenCount() const;

  int count() const { return m_count; }
  bool IsInUse(int index) const { return index >= 0 && index < m_count; }
  HiddenWindowEntry& operator[](int index) { return m_table[index]; }
  const HiddenWindowEntry& operator[](int index) const { return m_table[index]; }
  // Index of the entry tracking `window`, or -1.
  int Find(WindowId window) const;

 private:
  // Takes `window` in if the admission rule allows it; true if it did.
  bool Admit(WindowSystem& windows, WindowId window, bool skipTracked);
  void Append(WindowId window, const char* title, bool hidden);

  std::int32_t m_count = 0;
  HiddenWindowEntry m_table[kTableSlots];
};

}  // namespace velumix

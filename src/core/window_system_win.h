// The window engine's view of the desktop, on the Win32 window manager.
#pragma once

#include <windows.h>

#include "core/window_system.h"

namespace velumix {

inline HWND ToHwnd(WindowId window) { return reinterpret_cast<HWND>(window); }
inline WindowId ToWindowId(HWND hwnd) { return reinterpret_cast<WindowId>(hwnd); }

// A title is read as at most this many UTF-16 units: 99 characters take two
// each at most, and a pair cut in two at the end of a longer title lies
// beyond the 99th character.
inline constexpr int kTitleUnits = static_cast<int>(kMaxTitleCharacters) * 2 + 1;

// `units` UTF-16 units of a title, as UTF-8 cut to 99 whole characters; empty
// for none, or for more units than a title is read as.
void TitleFromUtf16(const wchar_t* wide, int units, char (&title)[kTitleBufferSize]);

// Every query about another program's window is a round trip to the window
// manager, and the list refresh makes them five times a second: the ones it
// makes for each window are kept to what it needs.
class Win32WindowSystem final : public WindowSystem {
 public:
  // A walk takes the whole Z-order in one call at its top and steps through
  // that list; asked for the window after one that is not the list's next,
  // or after the list's end when the desktop held more than it keeps, it
  // asks the window manager.
  WindowId TopWindow() override;
  WindowId NextWindow(WindowId window) override;
  bool IsVisible(WindowId window) override { return ::IsWindowVisible(ToHwnd(window)) != FALSE; }
  bool Exists(WindowId window) override { return ::IsWindow(ToHwnd(window)) != FALSE; }
  void GetTitle(WindowId window, char (&title)[kTitleBufferSize]) override;
  // A handle that names no window reads as an empty title: only an empty
  // title needs the existence check besides.
  bool ReadTitleIfExists(WindowId window, char (&title)[kTitleBufferSize]) override;
  void ReadClassName(WindowId window, char (&name)[kClassBufferSize]) override;
  bool Show(WindowId window, ShowCommand command) override;
  // Posted to a window of another thread, like the show-state change.
  bool PlaceBelow(WindowId window, WindowId above) override;
  bool ShowBelow(WindowId window, WindowId above) override;
  void Activate(WindowId window) override { ::SetForegroundWindow(ToHwnd(window)); }
  WindowId Foreground() override { return ToWindowId(::GetForegroundWindow()); }
  ProcessId ProcessOf(WindowId window) override;
  ProcessId OwnProcess() override { return ::GetCurrentProcessId(); }
  // Needs no more than the right to query a little of the process.
  std::u16string ProgramFileName(WindowId window) override;

 private:
  static BOOL CALLBACK CollectWindow(HWND hwnd, LPARAM self);
  // SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE, posted when the window is
  // another thread's.
  static UINT PositionFlags(HWND hwnd);

  static constexpr int kZOrderCapacity = 1024;
  WindowId m_zOrder[kZOrderCapacity];
  int m_zOrderCount = 0;
  int m_zOrderAt = 0;          // where the walk is in m_zOrder
  bool m_zOrderCut = false;    // the desktop held more windows than fit
};

}  // namespace velumix

// What the window engine needs of the desktop's top-level windows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace velumix {

// A top-level window, as the platform's handle value. 0 is no window.
using WindowId = std::uintptr_t;
inline constexpr WindowId kNoWindow = 0;

// Titles are UTF-8, cut to 99 characters (core/title_text.h); a character
// takes up to 4 bytes, and the buffer holds 99 of any width and a NUL.
inline constexpr std::size_t kMaxTitleCharacters = 99;
inline constexpr std::size_t kTitleBufferSize = kMaxTitleCharacters * 4 + 1;
// Window classes are read, and compared, on this many bytes, NUL included.
inline constexpr std::size_t kClassBufferSize = 64;

// Showing without activating is for the operations that bring the main
// window to the front themselves once the windows are shown.
enum class ShowCommand { Hide, Show, ShowWithoutActivating };

// A process, as the platform numbers it. 0 is none.
using ProcessId = std::uint32_t;

class WindowSystem {
 public:
  virtual ~WindowSystem() = default;

  // The topmost top-level window, then the next one down the Z-order.
  virtual WindowId TopWindow() = 0;
  virtual WindowId NextWindow(WindowId window) = 0;
  // False for a handle that no longer names a window.
  virtual bool IsVisible(WindowId window) = 0;
  virtual bool Exists(WindowId window) = 0;
  // The title as UTF-8, cut to 99 characters and NUL-terminated; empty for none.
  virtual void GetTitle(WindowId window, char (&title)[kTitleBufferSize]) = 0;
  // Exists, then the title of a window that does: false, with an empty
  // title, for a handle that names no window. A platform that can tell both
  // from one query does so.
  virtual bool ReadTitleIfExists(WindowId window, char (&title)[kTitleBufferSize]) {
    title[0] = '\0';
    if (!Exists(window)) return false;
    GetTitle(window, title);
    return true;
  }
  // The class name cut to 63 characters; empty for a handle that names none.
  virtual void ReadClassName(WindowId window, char (&name)[kClassBufferSize]) = 0;
  // Changes the show state only: the window keeps its size, place and
  // minimised or maximised state. A window of another thread changes when
  // that thread gets to it, so that a program that has stopped answering
  // cannot stop this one. False when the change cannot be made at all.
  virtual bool Show(WindowId window, ShowCommand command) = 0;
  // Puts the window right below `above` in the Z-order (kNoWindow: at the
  // top) without activating it, then, for ShowBelow, shows it as Show does
  // without activation; its thread carries the requests out in order when it
  // gets to them. False when they cannot be asked.
  virtual bool PlaceBelow(WindowId window, WindowId above) = 0;
  virtual bool ShowBelow(WindowId window, WindowId above) = 0;
  // Gives the window the front and the focus.
  virtual void Activate(WindowId window) = 0;
  virtual WindowId Foreground() = 0;
  // The process that owns the window; 0 for a handle that names none.
  virtual ProcessId ProcessOf(WindowId window) = 0;
  virtual ProcessId OwnProcess() = 0;
  // The file name (without its folder) of the executable whose process owns
  // the window; empty when it cannot be told.
  virtual std::u16string ProgramFileName(WindowId window) = 0;
};

}  // namespace velumix

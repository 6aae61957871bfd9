// What the window engine needs of the desktop's top-level windows.
#pragma once

#include <cstddef>
#include <cstdint>

namespace velumix {

// A top-level window, as the platform's handle value. 0 is no window.
using WindowId = std::uintptr_t;
inline constexpr WindowId kNoWindow = 0;

// Titles are read into this many bytes: at most 99 characters and a NUL.
inline constexpr std::size_t kTitleBufferSize = 100;

enum class ShowCommand { Hide, Show };

class WindowSystem {
 public:
  virtual ~WindowSystem() = default;

  // The topmost top-level window, then the next one down the Z-order.
  virtual WindowId TopWindow() = 0;
  virtual WindowId NextWindow(WindowId window) = 0;
  // False for a handle that no longer names a window.
  virtual bool IsVisible(WindowId window) = 0;
  virtual bool Exists(WindowId window) = 0;
  // The title cut to 99 characters and NUL-terminated; empty for none.
  virtual void GetTitle(WindowId window, char (&title)[kTitleBufferSize]) = 0;
  // Changes the show state only: the window keeps its size, place and
  // minimised or maximised state.
  virtual void Show(WindowId window, ShowCommand command) = 0;
  virtual WindowId Foreground() = 0;
};

}  // namespace velumix

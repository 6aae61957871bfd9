// Where a dialog goes: centred over its owner, inside the work area of the
// owner's monitor. Plain arithmetic, so that it is tested on its own.
#pragma once

namespace fw {

struct Box {
  long left, top, right, bottom;
};

struct Place {
  long x, y;
  friend constexpr bool operator==(const Place&, const Place&) = default;
};

// `over` is the owner's rectangle, or the work area itself when the owner is
// hidden, minimised or absent. A dialog larger than the work area keeps its
// top-left corner inside it.
constexpr Place CentreWithin(const Box& over, long width, long height, const Box& work) {
  long x = over.left + ((over.right - over.left) - width) / 2;
  long y = over.top + ((over.bottom - over.top) - height) / 2;
  if (x + width > work.right) x = work.right - width;
  if (y + height > work.bottom) y = work.bottom - height;
  if (x < work.left) x = work.left;
  if (y < work.top) y = work.top;
  return {x, y};
}

}  // namespace fw

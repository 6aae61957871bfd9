// The programs whose windows Hide All leaves shown, named by the file name
// of their executable (without its folder), compared as the file system
// compares names: without regard to case. Titles change and handles do not
// outlive a restart; the program's file name does.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace velumix {

// The longest name a file can have, in UTF-16 units.
inline constexpr std::size_t kMaxFileNameUnits = 255;
// No more names than this are read from the stored list.
inline constexpr std::size_t kMaxKeptPrograms = 256;

// `a` and `b` name the same file: equal once the letters of both are folded
// to capitals (Latin, Greek and Cyrillic).
bool SameFileName(std::u16string_view a, std::u16string_view b);

// The file name at the end of a path: the text after its last '\' or '/'.
std::u16string_view FileNameOf(std::u16string_view path);

class KeepShownList {
 public:
  KeepShownList() = default;

  // From the stored value: UTF-16 names, low byte first, each ended by a
  // NUL, the list by an empty name. What cannot be a file name (too long,
  // or holding a path) is passed over; a last odd byte is no unit. Names
  // the list holds already, and those beyond kMaxKeptPrograms, are dropped.
  static KeepShownList FromMultiString(std::span<const std::uint8_t> data);
  // The stored form of the whole list, the closing empty name included.
  std::vector<std::uint8_t> ToMultiString() const;

  bool empty() const { return m_names.empty(); }
  const std::vector<std::u16string>& names() const { return m_names; }
  bool Contains(std::u16string_view fileName) const;
  // Adds the name, or takes it out when the list holds it (in any case).
  void Toggle(std::u16string_view fileName);

 private:
  bool Add(std::u16string_view fileName);

  std::vector<std::u16string> m_names;
};

}  // namespace velumix

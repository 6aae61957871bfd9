// How settings are laid out and read back: the application name that keys
// them, and the decoding of stored values. Settings written by any version
// of the program must read back alike, so these rules do not change.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace fw {

// The executable's file name without directory and extension: the text after
// the last '\', '/' or ':', cut at its last '.'.
std::string ApplicationNameFromPath(std::string_view path);

// Raw bytes of a stored value, or nothing when the value could not be read.
using StoredBytes = std::optional<std::span<const std::uint8_t>>;

// A number is exactly four little-endian bytes; any other value (missing,
// shorter, longer) reads as `fallback`. The stored type is not looked at.
std::uint32_t DecodeProfileInt(StoredBytes data, std::uint32_t fallback);

// A string is the bytes up to the first NUL, or all of them when there is
// none; a missing value reads as `fallback`.
std::string DecodeProfileString(StoredBytes data, std::string_view fallback);

// A string value read as UTF-16 (two bytes a unit, low byte first): the units
// up to the first NUL, or all of them when there is none. A last odd byte is
// no unit and is dropped.
std::u16string DecodeProfileText(std::span<const std::uint8_t> data);

// Reads a value that another program may rewrite, with another size, between
// the call that gives its size and the call that reads it. `read(buffer,
// size)` answers Done (`size` set to what was read), Larger (`size` set to
// what the value has grown to) or Failed. A value that keeps changing is
// tried a few times, then counts as unreadable.
enum class ReadAnswer { Done, Larger, Failed };
inline constexpr int kReadTries = 8;

template <typename Read>
std::optional<std::vector<std::uint8_t>> ReadChangingValue(std::size_t size, Read&& read) {
  std::vector<std::uint8_t> data;
  for (int tries = 0; tries < kReadTries; ++tries) {
    data.resize(size);
    switch (read(data.data(), size)) {
      case ReadAnswer::Done:
        data.resize(size);
        return data;
      case ReadAnswer::Larger:
        continue;
      case ReadAnswer::Failed:
        return std::nullopt;
    }
  }
  return std::nullopt;
}

}  // namespace fw

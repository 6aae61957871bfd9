// Whether UTF-16 text is whole: an edit control takes any 16-bit units, but
// UTF-8, the program's own text, holds no half of a surrogate pair. Plain
// arithmetic, so that it is tested on its own.
#pragma once

#include <cstddef>
#include <cstdint>

namespace fw {

// True when every high surrogate at `text` is followed by a low one and no
// low one stands without a high one before it.
template <typename Unit>
constexpr bool IsWholeUtf16(const Unit* text, std::size_t length) {
  for (std::size_t i = 0; i < length; ++i) {
    auto unit = static_cast<std::uint32_t>(text[i]);
    if (unit >= 0xDC00 && unit <= 0xDFFF) return false;
    if (unit < 0xD800 || unit > 0xDBFF) continue;
    if (i + 1 == length) return false;
    auto next = static_cast<std::uint32_t>(text[++i]);
    if (next < 0xDC00 || next > 0xDFFF) return false;
  }
  return true;
}

}  // namespace fw

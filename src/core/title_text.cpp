#include "core/title_text.h"

namespace velumix {

namespace {

bool IsContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

}  // namespace

std::size_t Utf8PrefixLength(const char* text, std::size_t length, std::size_t maxCharacters) {
  std::size_t characters = 0;
  for (std::size_t i = 0; i < length; ++i) {
    if (IsContinuation(static_cast<unsigned char>(text[i]))) continue;
    if (characters == maxCharacters) return i;
    ++characters;
  }
  return length;
}

bool IsUtf8(const std::string& text) {
  std::size_t i = 0;
  while (i < text.size()) {
    auto byte = static_cast<unsigned char>(text[i]);
    std::size_t extra = byte < 0x80                ? 0
                        : (byte & 0xE0) == 0xC0 ? 1
                        : (byte & 0xF0) == 0xE0 ? 2
                        : (byte & 0xF8) == 0xF0 ? 3
                                                : 4;
    if (extra == 4 || text.size() - i <= extra) return false;
    char32_t code = extra == 0 ? byte : byte & (0x3F >> extra);
    for (std::size_t k = 1; k <= extra; ++k) {
      auto next = static_cast<unsigned char>(text[i + k]);
      if (!IsContinuation(next)) return false;
      code = (code << 6) | (next & 0x3F);
    }
    static constexpr char32_t kSmallest[] = {0, 0x80, 0x800, 0x10000};
    if (code < kSmallest[extra] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
    i += extra + 1;
  }
  return true;
}

std::string TitleFromCodePageText(const std::string& text) {
  if (IsUtf8(text)) return text;
  std::string utf8;
  utf8.reserve(text.size() * 2);
  for (char c : text) {
    auto byte = static_cast<unsigned char>(c);
    if (byte < 0x80) {
      utf8.push_back(c);
    } else {
      utf8.push_back(static_cast<char>(0xC0 | (byte >> 6)));
      utf8.push_back(static_cast<char>(0x80 | (byte & 0x3F)));
    }
  }
  return utf8;
}

}  // namespace velumix

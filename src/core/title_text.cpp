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

namespace {

// Windows-1252 at 0x80-0x9F; the five bytes it leaves free read as the C1
// controls of the same number, as Windows reads them.
constexpr char16_t kWindows1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

void PutUtf8(std::string& out, char16_t code) {
  if (code < 0x80) {
    out.push_back(static_cast<char>(code));
  } else if (code < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (code >> 6)));
    out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xE0 | (code >> 12)));
    out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  }
}

}  // namespace

std::string TitleFromCodePageText(const std::string& text) {
  if (IsUtf8(text)) return text;
  std::string utf8;
  utf8.reserve(text.size() * 3);
  for (char c : text) {
    auto byte = static_cast<unsigned char>(c);
    PutUtf8(utf8, byte >= 0x80 && byte < 0xA0 ? kWindows1252High[byte - 0x80] : char16_t{byte});
  }
  return utf8;
}

}  // namespace velumix

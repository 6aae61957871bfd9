// Titles are kept as UTF-8 from the platform side up: comparing their bytes
// compares the texts, and a cut is made only between two characters.
#pragma once

#include <cstddef>
#include <string>

namespace velumix {

// How many bytes of `text` (`length` bytes of UTF-8) hold its first
// `maxCharacters` characters; the whole length when it has no more. A
// character is a lead byte and the continuation bytes after it, so the cut
// never splits one, a character beyond the 16 bits of UTF-16 included.
std::size_t Utf8PrefixLength(const char* text, std::size_t length, std::size_t maxCharacters);

// Whether `text` is well-formed UTF-8 (no overlong forms, no surrogates).
bool IsUtf8(const std::string& text);

// A title written in an 8-bit code page by an earlier version of the
// program, as UTF-8. Its bytes beyond ASCII are read as Windows-1252, the
// code page of a Western machine, where nearly every such title was written;
// text that is well-formed UTF-8 already stays as it is.
std::string TitleFromCodePageText(const std::string& text);

}  // namespace velumix

// The program's texts are UTF-8; the platform's Unicode calls take UTF-16.
// They meet here.
#pragma once

#include <string>
#include <string_view>

namespace fw {

std::wstring WideFromUtf8(std::string_view text);
std::string Utf8FromWide(std::wstring_view text);
// Text of the 8-bit calls, in the ANSI code page.
std::wstring WideFromAnsi(std::string_view text);

}  // namespace fw

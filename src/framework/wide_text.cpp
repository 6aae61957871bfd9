#include "framework/wide_text.h"

#include <windows.h>

namespace fw {

namespace {

std::wstring WideFrom(UINT codePage, std::string_view text) {
  if (text.empty()) return {};
  int size = static_cast<int>(text.size());
  int units = ::MultiByteToWideChar(codePage, 0, text.data(), size, nullptr, 0);
  if (units <= 0) return {};
  std::wstring wide(static_cast<std::size_t>(units), L'\0');
  ::MultiByteToWideChar(codePage, 0, text.data(), size, wide.data(), units);
  return wide;
}

}  // namespace

std::wstring WideFromUtf8(std::string_view text) { return WideFrom(CP_UTF8, text); }

std::wstring WideFromAnsi(std::string_view text) { return WideFrom(CP_ACP, text); }

std::string Utf8FromWide(std::wstring_view text) {
  if (text.empty()) return {};
  int size = static_cast<int>(text.size());
  int bytes = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) return {};
  std::string utf8(static_cast<std::size_t>(bytes), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text.data(), size, utf8.data(), bytes, nullptr, nullptr);
  return utf8;
}

}  // namespace fw

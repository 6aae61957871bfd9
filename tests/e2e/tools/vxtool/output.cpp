#include "output.h"

#include <cstdio>
#include <cstdlib>

namespace vxtool {

std::string Escape(const char* text, size_t length) {
  std::string out;
  out.reserve(length);
  for (size_t i = 0; i < length; ++i) {
    char c = text[i];
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '\t': out += "\\t"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      default: out += c;
    }
  }
  return out;
}

std::string Escape(const std::string& text) { return Escape(text.data(), text.size()); }

std::string AnsiFromWide(const wchar_t* text, int length, int capacity) {
  std::vector<char> buffer(capacity);
  int n = ::WideCharToMultiByte(CP_ACP, 0, text, length, buffer.data(), capacity, nullptr, nullptr);
  return std::string(buffer.data(), n > 0 ? n : 0);
}

std::string Utf8FromWide(const wchar_t* text, int length) {
  int n = length > 0 ? ::WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr) : 0;
  std::string utf8(n > 0 ? static_cast<size_t>(n) : 0, '\0');
  if (n > 0) ::WideCharToMultiByte(CP_UTF8, 0, text, length, utf8.data(), n, nullptr, nullptr);
  return utf8;
}

namespace {

std::wstring WideFrom(UINT codePage, const std::string& text) {
  int size = static_cast<int>(text.size());
  int n = size > 0 ? ::MultiByteToWideChar(codePage, 0, text.data(), size, nullptr, 0) : 0;
  std::wstring wide(n > 0 ? static_cast<size_t>(n) : 0, L'\0');
  if (n > 0) ::MultiByteToWideChar(codePage, 0, text.data(), size, wide.data(), n);
  return wide;
}

}  // namespace

std::wstring WideFromUtf8(const std::string& text) { return WideFrom(CP_UTF8, text); }

std::wstring WideFromAnsi(const std::string& text) { return WideFrom(CP_ACP, text); }

std::string HexNumber(unsigned long long value) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "0x%llx", value);
  return buffer;
}

std::string HexHandle(HWND window) { return HexNumber(reinterpret_cast<ULONG_PTR>(window)); }

std::string Decimal(long long value) { return std::to_string(value); }

std::string FormatRecord(const std::vector<std::string>& fields) {
  std::string line;
  for (size_t i = 0; i < fields.size(); ++i) {
    if (i) line += '\t';
    line += fields[i];
  }
  line += '\n';
  return line;
}

void EmitRecord(const std::vector<std::string>& fields) {
  std::string line = FormatRecord(fields);
  std::fwrite(line.data(), 1, line.size(), stdout);
}

int Fail(int code, const std::string& message) {
  std::fflush(stdout);
  std::fprintf(stderr, "vxtool: %s\n", message.c_str());
  return code;
}

bool ParseNumber(const char* text, long long* out) {
  if (!text || !*text) return false;
  bool negative = false;
  if (*text == '-') {
    negative = true;
    ++text;
  }
  char* end = nullptr;
  unsigned long long value = std::strtoull(text, &end, 0);
  if (*end) return false;
  *out = negative ? -static_cast<long long>(value) : static_cast<long long>(value);
  return true;
}

bool ParseHwnd(const char* text, HWND* out) {
  long long value;
  if (!ParseNumber(text, &value)) return false;
  *out = reinterpret_cast<HWND>(static_cast<ULONG_PTR>(value));
  return true;
}

bool BytesFromHex(const std::string& hex, std::string* bytes) {
  auto digit = [](char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  };
  if (hex.size() % 2 != 0) return false;
  bytes->clear();
  for (size_t i = 0; i < hex.size(); i += 2) {
    int high = digit(hex[i]), low = digit(hex[i + 1]);
    if (high < 0 || low < 0) return false;
    bytes->push_back(static_cast<char>(high * 16 + low));
  }
  return true;
}

}  // namespace vxtool

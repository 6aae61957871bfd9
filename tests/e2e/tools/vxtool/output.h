// What vxtool prints: one record a line, fields separated by tabs. Text
// fields are raw ANSI bytes with backslash, tab, CR and LF escaped as \\ \t
// \r \n, but for the texts of list-box items and menu items, which are
// UTF-8 so that any program's text reads back whole; handles print as 0x hex. Errors go to stderr, and every command
// returns one of the exit codes below.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>
#include <vector>

namespace vxtool {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitNotFound = 3;
inline constexpr int kExitUnsupported = 4;

// The size of the buffers that window, control and menu texts are read into.
inline constexpr int kTextMax = 4096;

std::string Escape(const char* text, size_t length);
std::string Escape(const std::string& text);
// UTF-16 text in the ANSI code page, empty if it does not fit `capacity` bytes.
std::string AnsiFromWide(const wchar_t* text, int length, int capacity);
std::string Utf8FromWide(const wchar_t* text, int length);
std::wstring WideFromUtf8(const std::string& text);
std::wstring WideFromAnsi(const std::string& text);

std::string HexNumber(unsigned long long value);
std::string HexHandle(HWND window);
std::string Decimal(long long value);

// The fields joined into one line, its newline included.
std::string FormatRecord(const std::vector<std::string>& fields);
void EmitRecord(const std::vector<std::string>& fields);
// Prints the message after everything printed so far and returns `code`.
int Fail(int code, const std::string& message);

// Decimal, 0x hex or 0 octal, with an optional minus sign.
bool ParseNumber(const char* text, long long* out);
bool ParseHwnd(const char* text, HWND* out);
// Hex digits, two a byte; false for anything else.
bool BytesFromHex(const std::string& hex, std::string* bytes);

}  // namespace vxtool

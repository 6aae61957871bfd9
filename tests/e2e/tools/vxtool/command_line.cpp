#include "command_line.h"

namespace vxtool {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

std::vector<std::string> SplitCommandLine(const char* p) {
  std::vector<std::string> args;
  // The program name: quoted or up to the first blank, no escapes.
  std::string arg;
  if (*p == '"') {
    ++p;
    while (*p && *p != '"') arg += *p++;
    if (*p) ++p;
  } else {
    while (*p && !IsBlank(*p)) arg += *p++;
  }
  args.push_back(arg);
  for (;;) {
    while (IsBlank(*p)) ++p;
    if (!*p) break;
    arg.clear();
    bool quoted = false;
    while (*p && (quoted || !IsBlank(*p))) {
      if (*p == '\\') {
        size_t n = 0;
        while (*p == '\\') {
          ++n;
          ++p;
        }
        if (*p == '"') {
          arg.append(n / 2, '\\');
          if (n % 2) {
            arg += '"';
            ++p;
          }
        } else {
          arg.append(n, '\\');
        }
      } else if (*p == '"') {
        if (quoted && p[1] == '"') {
          arg += '"';
          p += 2;
        } else {
          quoted = !quoted;
          ++p;
        }
      } else {
        arg += *p++;
      }
    }
    args.push_back(arg);
  }
  return args;
}

}  // namespace vxtool

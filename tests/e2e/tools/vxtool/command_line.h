// The program's arguments, taken from the raw ANSI command line.
#pragma once

#include <string>
#include <vector>

namespace vxtool {

// Splits with the usual MS rules, so bytes above 0x7f reach us exactly as
// the ANSI code page has them. The program name comes first.
std::vector<std::string> SplitCommandLine(const char* line);

}  // namespace vxtool

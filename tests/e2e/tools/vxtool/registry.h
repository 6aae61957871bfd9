// The registry commands. They read and write through the Reg*A calls, so
// data comes and goes byte-exact (reg.exe prints through the OEM code page).
// Keys are written ROOT\path, ROOT one of HKCU, HKLM, HKCR, HKU or its long
// name.
#pragma once

#include <string>
#include <vector>

namespace vxtool {

// regquery KEY: "key", then "value NAME TYPE SIZE DATA" and "subkey NAME"
// records.
int CmdRegQuery(const std::string& key);
// regtext KEY NAME: "text UTF8" for a string value, read with the Unicode
// call, so that text beyond the ANSI code page reads back whole.
int CmdRegText(const std::vector<std::string>& args);
// regset KEY NAME TYPE [DATA...]
int CmdRegSet(const std::vector<std::string>& args);
// regsetfile KEY NAME TYPE PATH
int CmdRegSetFile(const std::vector<std::string>& args);
// regdelete KEY [VALUE]
int CmdRegDelete(const std::vector<std::string>& args);
// regaccess KEY SDDL: creates the key if needed and gives it the access list
// in SDDL, such as "D:(A;;KR;;;WD)" (everyone may read it, nobody write it).
int CmdRegAccess(const std::vector<std::string>& args);

}  // namespace vxtool

// The commands about processes: the ones running, ending one, and what this
// process may write.
#pragma once

#include <string>

namespace vxtool {

// procs: pid, parent pid, threads, executable and the VXTAG value of its
// environment, a record for each process.
int CmdProcs();
// terminate PID [CODE]
int CmdTerminate(long long pid, long long code);
// touch PATH: creates (or truncates) a file, to see what this process may
// write.
int CmdTouch(const std::string& path);

}  // namespace vxtool

#include "bitness.h"

#include <winternl.h>

#include <cstdio>
#include <string>

#include "framework/handles.h"
#include "output.h"

namespace vxtool {

// Our own layout as the system headers define it: the table above holds
// for the bitness each build has.
static_assert(offsetof(PEB, ProcessParameters) == LayoutOf(kOwnBitness).processParameters);
static_assert(sizeof(void*) == LayoutOf(kOwnBitness).pointerSize);

namespace {

bool IsWow64(HANDLE process) {
  BOOL wow64 = FALSE;
  return ::IsWow64Process(process, &wow64) && wow64;
}

// The command line after the program's name, as the system parsed it.
std::wstring Arguments() {
  const wchar_t* line = ::GetCommandLineW();
  bool quoted = false;
  for (; *line && (quoted || (*line != L' ' && *line != L'\t')); ++line) {
    if (*line == L'"') quoted = !quoted;
  }
  return line;
}

}  // namespace

bool UnderWow64() { return IsWow64(::GetCurrentProcess()); }

Bitness ProcessBitness(HANDLE process) {
  // A 32-bit process of a 64-bit system runs under WOW64. From inside
  // WOW64 only a 64-bit system can be seen, so a target that is not under
  // WOW64 is 64-bit there; a 32-bit system has 32-bit processes alone.
  if (IsWow64(process)) return Bitness::k32;
  if (kOwnBitness == Bitness::k64 || UnderWow64()) return Bitness::k64;
  return Bitness::k32;
}

int RunPeer(const char* why) {
  wchar_t peer[MAX_PATH] = {};
  DWORD length = ::GetEnvironmentVariableW(L"VXTOOL_PEER", peer, MAX_PATH);
  if (!length || length >= MAX_PATH) {
    return Fail(kExitUnsupported, std::string(why) + ", and no VXTOOL_PEER names a vxtool of that bitness");
  }
  std::wstring line = L"\"" + std::wstring(peer) + L"\"" + Arguments();
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = ::GetStdHandle(STD_OUTPUT_HANDLE);
  startup.hStdError = ::GetStdHandle(STD_ERROR_HANDLE);
  PROCESS_INFORMATION started = {};
  std::fflush(stdout);
  ::SetEnvironmentVariableW(L"VXTOOL_PEER", nullptr);  // the peer hands nothing on again
  if (!::CreateProcessW(peer, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &started)) {
    return Fail(kExitUnsupported, "cannot start the peer vxtool (error " + Decimal(::GetLastError()) + ")");
  }
  fw::unique_process process(started.hProcess);
  fw::unique_thread thread(started.hThread);
  if (::WaitForSingleObject(process.get(), 60000) != WAIT_OBJECT_0) {
    ::TerminateProcess(process.get(), kExitFailure);
    return Fail(kExitFailure, "the peer vxtool did not finish");
  }
  DWORD code = kExitFailure;
  ::GetExitCodeProcess(process.get(), &code);
  return static_cast<int>(code);
}

}  // namespace vxtool

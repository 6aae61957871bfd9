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

namespace {

// Starts this same command line with the peer vxtool, its output to `output`;
// false, with the reason in `why`, when no peer is named or it cannot start.
bool StartPeer(HANDLE output, PROCESS_INFORMATION* started, std::string* why) {
  wchar_t peer[MAX_PATH] = {};
  DWORD length = ::GetEnvironmentVariableW(L"VXTOOL_PEER", peer, MAX_PATH);
  if (!length || length >= MAX_PATH) {
    *why = ", and no VXTOOL_PEER names a vxtool of that bitness";
    return false;
  }
  std::wstring line = L"\"" + std::wstring(peer) + L"\"" + Arguments();
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = output;
  startup.hStdError = ::GetStdHandle(STD_ERROR_HANDLE);
  std::fflush(stdout);
  ::SetEnvironmentVariableW(L"VXTOOL_PEER", nullptr);  // the peer hands nothing on again
  if (!::CreateProcessW(peer, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, started)) {
    *why = ": cannot start the peer vxtool (error " + Decimal(::GetLastError()) + ")";
    return false;
  }
  return true;
}

// Waits for the peer to end and gives its exit code.
int FinishPeer(PROCESS_INFORMATION& started) {
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

}  // namespace

int RunPeer(const char* why) {
  PROCESS_INFORMATION started = {};
  std::string reason;
  if (!StartPeer(::GetStdHandle(STD_OUTPUT_HANDLE), &started, &reason)) {
    return Fail(kExitUnsupported, why + reason);
  }
  return FinishPeer(started);
}

int CapturePeer(std::string* output) {
  SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
  HANDLE read = nullptr, write = nullptr;
  if (!::CreatePipe(&read, &write, &inherit, 0)) return Fail(kExitFailure, "CreatePipe failed");
  fw::UniqueHandle<fw::NullIsInvalid<HANDLE, ::CloseHandle>> reader(read);
  ::SetHandleInformation(read, HANDLE_FLAG_INHERIT, 0);
  PROCESS_INFORMATION started = {};
  std::string reason;
  bool ok = StartPeer(write, &started, &reason);
  ::CloseHandle(write);  // the peer holds the only write end: its exit ends the reads
  if (!ok) return Fail(kExitUnsupported, "the peer vxtool" + reason);
  char buffer[4096];
  DWORD got = 0;
  while (::ReadFile(reader.get(), buffer, sizeof buffer, &got, nullptr) && got) output->append(buffer, got);
  return FinishPeer(started);
}

}  // namespace vxtool

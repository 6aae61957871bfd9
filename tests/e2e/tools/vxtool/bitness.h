// Reads inside another process (an injected reader, a record in its memory,
// its PEB) only work with that process's own layout. These say which
// bitness a process has and hand a command over to the vxtool of the other
// bitness, named by VXTOOL_PEER, when it differs from ours.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>

namespace vxtool {

enum class Bitness { k32, k64 };

// Ours, as built.
constexpr Bitness kOwnBitness = sizeof(void*) == 4 ? Bitness::k32 : Bitness::k64;

// The bitness of the process behind `process` (a handle with query rights).
// On a 64-bit system a 32-bit process runs under WOW64.
Bitness ProcessBitness(HANDLE process);
// Whether this process runs under WOW64: a 32-bit vxtool on a 64-bit system.
bool UnderWow64();

// Where PEB.ProcessParameters and RTL_USER_PROCESS_PARAMETERS.Environment
// sit, and how wide a pointer is, in a process of that bitness.
struct PebLayout {
  size_t processParameters;
  size_t environment;
  size_t pointerSize;
};
constexpr PebLayout LayoutOf(Bitness bitness) {
  return bitness == Bitness::k32 ? PebLayout{0x10, 0x48, 4} : PebLayout{0x20, 0x80, 8};
}

// Runs this same command line with the peer vxtool, its output on our
// standard handles, and returns its exit code; fails (unsupported) when no
// peer is named or it cannot be started.
int RunPeer(const char* why);
// The same, with the peer's output read into `output`.
int CapturePeer(std::string* output);

}  // namespace vxtool

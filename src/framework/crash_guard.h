// What the program does when it dies of a fault: before the process ends,
// `onCrash` runs once (the main dialog gives back the windows it holds
// hidden, unless it is locked). Every fault of the program's own code comes
// here: a hardware fault in its image is taken before any handler of the
// system's could swallow it (as handlers of sent messages and other callbacks
// do), and a C++ exception that nothing catches ends in DieOfFault, which the
// window procedures call for one that leaves a handler.
#pragma once

namespace fw {

using CrashAction = void (*)(void* context);

void InstallCrashGuard(CrashAction onCrash, void* context);
void RemoveCrashGuard();
// Runs the action, if it has not run, and ends the process.
[[noreturn]] void DieOfFault();

// The test build raises a fault inside a handler when it receives the
// message registered under this name (wParam 1: a C++ exception, 2: an
// access violation); the shipped program never does.
inline constexpr char kInjectFaultMessage[] = "VelumixInjectFault";
void InjectFaultIfAsked(unsigned message, unsigned long long kind);

}  // namespace fw

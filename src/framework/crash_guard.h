// What the program does when it dies of a fault: before the process ends,
// `onCrash` runs once (the main dialog gives back the windows it holds
// hidden, unless it is locked). Both an unhandled structured exception and a
// C++ exception that nothing catches come here.
#pragma once

namespace fw {

using CrashAction = void (*)(void* context);

void InstallCrashGuard(CrashAction onCrash, void* context);
void RemoveCrashGuard();

// The test build raises a fault inside a handler when it receives the
// message registered under this name (wParam 1: a C++ exception, 2: an
// access violation); the shipped program never does.
inline constexpr char kInjectFaultMessage[] = "VelumixInjectFault";
void InjectFaultIfAsked(unsigned message, unsigned long long kind);

}  // namespace fw

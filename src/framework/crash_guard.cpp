#include "framework/crash_guard.h"

#include <windows.h>

#include <cstdlib>
#include <exception>

namespace fw {

namespace {

CrashAction g_onCrash = nullptr;
void* g_context = nullptr;
LONG g_ran = 0;

void RunOnce() {
  if (::InterlockedExchange(&g_ran, 1) == 0 && g_onCrash) g_onCrash(g_context);
}

LONG WINAPI OnUnhandledException(EXCEPTION_POINTERS*) {
  RunOnce();
  return EXCEPTION_EXECUTE_HANDLER;  // the process ends with the exception's code
}

[[noreturn]] void OnTerminate() {
  RunOnce();
  std::abort();
}

}  // namespace

void InstallCrashGuard(CrashAction onCrash, void* context) {
  g_onCrash = onCrash;
  g_context = context;
  ::SetUnhandledExceptionFilter(&OnUnhandledException);
  std::set_terminate(&OnTerminate);
}

void RemoveCrashGuard() {
  g_onCrash = nullptr;
  g_context = nullptr;
}

}  // namespace fw

// libstdc++'s default terminate handler writes the exception's type to
// stderr, which a GUI program has not got, and links in the whole C++
// demangler (a tenth of the executable) to spell that type. Ours ends the
// process the same way, silently; from start-up on, OnTerminate runs first.
namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx

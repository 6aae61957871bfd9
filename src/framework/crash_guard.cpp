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

// The faults no code of the program ever expects or handles.
bool IsFatal(DWORD code) {
  switch (code) {
    case EXCEPTION_ACCESS_VIOLATION:
    case EXCEPTION_ILLEGAL_INSTRUCTION:
    case EXCEPTION_PRIV_INSTRUCTION:
    case EXCEPTION_INT_DIVIDE_BY_ZERO:
    case EXCEPTION_INT_OVERFLOW:
    case EXCEPTION_ARRAY_BOUNDS_EXCEEDED:
    case EXCEPTION_DATATYPE_MISALIGNMENT:
    case EXCEPTION_IN_PAGE_ERROR:
    case EXCEPTION_STACK_OVERFLOW:
      return true;
    default:
      return false;
  }
}

// The program's image, where its own code lies.
const BYTE* g_imageBegin = nullptr;
const BYTE* g_imageEnd = nullptr;

void FindOwnImage() {
  const auto* base = reinterpret_cast<const BYTE*>(::GetModuleHandleA(nullptr));
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  const auto* headers = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  g_imageBegin = base;
  g_imageEnd = base + headers->OptionalHeader.SizeOfImage;
}

// The system's own code may fault on purpose and handle it (probing a pointer
// it was given); the program's never does.
bool IsOwnCode(const void* address) {
  const auto* at = static_cast<const BYTE*>(address);
  return at >= g_imageBegin && at < g_imageEnd;
}

// Runs before any frame's handler, so before a callback's caller could
// swallow the fault and let the program go on in a state nobody knows.
LONG WINAPI OnFault(EXCEPTION_POINTERS* info) {
  const EXCEPTION_RECORD* record = info->ExceptionRecord;
  if (!IsFatal(record->ExceptionCode) || !IsOwnCode(record->ExceptionAddress)) return EXCEPTION_CONTINUE_SEARCH;
  RunOnce();
  ::TerminateProcess(::GetCurrentProcess(), record->ExceptionCode);
  return EXCEPTION_CONTINUE_SEARCH;
}

[[noreturn]] void OnTerminate() { DieOfFault(); }

}  // namespace

void InstallCrashGuard(CrashAction onCrash, void* context) {
  g_onCrash = onCrash;
  g_context = context;
  ::SetUnhandledExceptionFilter(&OnUnhandledException);
  if (!g_imageBegin) {
    FindOwnImage();
    ::AddVectoredExceptionHandler(1, &OnFault);
  }
  std::set_terminate(&OnTerminate);
}

void RemoveCrashGuard() {
  g_onCrash = nullptr;
  g_context = nullptr;
}

void DieOfFault() {
  RunOnce();
  std::abort();
}

}  // namespace fw

// libstdc++'s default terminate handler writes the exception's type to
// stderr, which a GUI program has not got, and links in the whole C++
// demangler (a tenth of the executable) to spell that type. Ours ends the
// process the same way, silently; from start-up on, OnTerminate runs first.
namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx

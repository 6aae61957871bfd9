// Linked into the test build in place of the shipped no-op: the registered
// message makes the handler that receives it fail.
#include <windows.h>

#include <stdexcept>

#include "framework/crash_guard.h"

namespace fw {

void InjectFaultIfAsked(unsigned message, unsigned long long kind) {
  static const UINT inject = ::RegisterWindowMessageA(kInjectFaultMessage);
  if (message != inject || inject == 0) return;
  if (kind == 1) throw std::runtime_error("injected fault");
  if (kind == 2) *static_cast<volatile int*>(nullptr) = 0;  // an access violation
}

}  // namespace fw

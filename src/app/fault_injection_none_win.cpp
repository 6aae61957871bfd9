// The shipped program injects no faults.
#include "app/crash_guard_win.h"

namespace velumix {

void InjectFaultIfAsked(unsigned, unsigned long long) {}

}  // namespace velumix

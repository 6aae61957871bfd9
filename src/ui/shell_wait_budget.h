// How long the GUI thread may still wait for the notification area. Each
// request has its own bound, and the waits together have one more: a shell
// that answers every request just inside its bound, and is asked again and
// again (it restarts, or announces that it did), must not hold the program
// up for the sum of them.
#pragma once

#include <cstdint>

namespace velumix {

// A credit of waiting time: full at first, spent by every wait and earned
// back at one millisecond for every `shareDivisor` that pass, up to
// `burstMs`. Over any stretch of T ms the waits add up to at most
// burstMs + T / shareDivisor.
class ShellWaitBudget {
 public:
  ShellWaitBudget(std::uint32_t perRequestMs, std::uint32_t burstMs, std::uint32_t shareDivisor);

  // How long the next wait may last at `nowMs` (a clock that never goes
  // back): the request's own bound, or less once the credit runs low; 0
  // when it has run out, and the request then counts as not answered.
  std::uint32_t Allowance(std::uint64_t nowMs);
  // A wait of `spentMs` that ended at `nowMs`.
  void Spend(std::uint64_t nowMs, std::uint64_t spentMs);

 private:
  void Earn(std::uint64_t nowMs);

  std::uint32_t m_perRequestMs;
  std::uint64_t m_shareDivisor;
  // In parts of a millisecond, shareDivisor to the millisecond, so that
  // every millisecond that passes earns a whole part.
  std::uint64_t m_capacity;
  std::uint64_t m_credit;
  std::uint64_t m_lastMs = 0;
};

}  // namespace velumix

#include "ui/shell_wait_budget.h"

#include <algorithm>

namespace velumix {

ShellWaitBudget::ShellWaitBudget(std::uint32_t perRequestMs, std::uint32_t burstMs, std::uint32_t shareDivisor)
    : m_perRequestMs(perRequestMs),
      m_shareDivisor(std::max<std::uint32_t>(shareDivisor, 1)),
      m_capacity(std::uint64_t{burstMs} * m_shareDivisor),
      m_credit(m_capacity) {}

void ShellWaitBudget::Earn(std::uint64_t nowMs) {
  if (nowMs <= m_lastMs) return;
  m_credit = std::min(m_capacity, m_credit + (nowMs - m_lastMs));
  m_lastMs = nowMs;
}

std::uint32_t ShellWaitBudget::Allowance(std::uint64_t nowMs) {
  Earn(nowMs);
  return static_cast<std::uint32_t>(std::min<std::uint64_t>(m_perRequestMs, m_credit / m_shareDivisor));
}

void ShellWaitBudget::Spend(std::uint64_t nowMs, std::uint64_t spentMs) {
  Earn(nowMs);
  std::uint64_t cost = std::min(spentMs, m_capacity / m_shareDivisor) * m_shareDivisor;
  m_credit -= std::min(m_credit, cost);
}

}  // namespace velumix

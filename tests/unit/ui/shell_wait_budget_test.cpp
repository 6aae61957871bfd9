#include "ui/shell_wait_budget.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace velumix {
namespace {

// As the tray icon has it: 500 ms a request, 1 s at once, a tenth beyond.
ShellWaitBudget TrayBudget() { return ShellWaitBudget(500, 1000, 10); }

struct Wait {
  std::uint64_t endsAt, spent;
};

struct Row {
  const char* what;
  std::vector<Wait> waits;
  std::uint64_t askAt;
  std::uint32_t allowance;
};

TEST(ShellWaitBudget, AllowanceAfterWaits) {
  const Row rows[] = {
      {"fresh: the request's own bound", {}, 0, 500},
      {"fresh after a long idle", {}, 3'600'000, 500},
      {"two slow answers leave what is left of 1 s and a tenth of 0.9 s", {{450, 450}, {900, 450}}, 900, 145},
      {"spent, then earned back at a tenth", {{1000, 1000}}, 3000, 200},
      {"earned back up to the request's bound", {{1000, 1000}}, 60'000, 500},
      {"overspent: nothing, and never below", {{400, 400}, {900, 500}, {1400, 500}}, 1400, 0},
      {"overspent: 10 ms later, 1 ms", {{400, 400}, {900, 500}, {1400, 500}}, 1410, 1},
      {"a clock that stands still earns nothing", {{1000, 1000}, {1000, 0}}, 1000, 0},
  };
  for (const Row& row : rows) {
    ShellWaitBudget budget = TrayBudget();
    for (const Wait& wait : row.waits) budget.Spend(wait.endsAt, wait.spent);
    EXPECT_EQ(budget.Allowance(row.askAt), row.allowance) << row.what;
  }
}

// The issue it is for: twenty requests in a row to a shell that answers
// each in 450 ms, each waited for as long as the budget allows.
TEST(ShellWaitBudget, TwentySlowAnswersInARowHoldUpASecondAndATenth) {
  ShellWaitBudget budget = TrayBudget();
  std::uint64_t now = 0, waited = 0;
  for (int i = 0; i < 20; ++i) {
    std::uint64_t wait = std::min<std::uint64_t>(budget.Allowance(now), 450);
    now += wait;
    waited += wait;
    budget.Spend(now, wait);
  }
  EXPECT_LE(waited, 1000 + now / 10);
  EXPECT_LT(waited, 1200u);
}

}  // namespace
}  // namespace velumix

#include "ui/shell_wait_budget.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace velumix {
namespace {

// As the tray icon has it: 500 ms a request, 1 s at once, a tenth beyond.
TEST(ShellWaitBudget, AllowanceAfterWaits) {
  struct Wait {
    std::uint64_t endsAt, spent;
  };
  struct Row {
    const char* what;
    std::vector<Wait> waits;
    std::uint64_t askAt;
    std::uint32_t allowance;
  };
  const Row rows[] = {
      {"fresh: the request's own bound", {}, 0, 500},
      {"two slow answers leave 1 s less 0.9 s, and 90 ms earned", {{450, 450}, {900, 450}}, 900, 145},
      {"spent, then earned back at a tenth", {{1000, 1000}}, 3000, 200},
      {"earned back no further than the request's bound", {{1000, 1000}}, 60'000, 500},
      {"overspent: nothing, and never below", {{400, 400}, {900, 500}, {1400, 500}}, 1400, 0},
      {"overspent: 10 ms later, 1 ms", {{400, 400}, {900, 500}, {1400, 500}}, 1410, 1},
  };
  for (const Row& row : rows) {
    ShellWaitBudget budget(500, 1000, 10);
    for (const Wait& wait : row.waits) budget.Spend(wait.endsAt, wait.spent);
    EXPECT_EQ(budget.Allowance(row.askAt), row.allowance) << row.what;
  }
}

}  // namespace
}  // namespace velumix

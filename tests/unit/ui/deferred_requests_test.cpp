#include "ui/deferred_requests.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <vector>

namespace velumix {
namespace {

// As the main dialog defers them: the lock command and the tray icon's clicks.
constexpr DeferredRequest kLock{0x0111, 104, 0};
constexpr DeferredRequest kRightClick{0x65, 5, 0x0205};
constexpr DeferredRequest kDoubleClick{0x65, 5, 0x0203};

TEST(DeferredRequests, EachRunsOnceInTheOrderItCame) {
  struct Row {
    const char* what;
    std::vector<DeferredRequest> added, replayed;
  };
  const Row rows[] = {
      {"a lock, then a click: the lock stays", {kLock, kRightClick}, {kLock, kRightClick}},
      {"a click, then a lock", {kDoubleClick, kLock}, {kDoubleClick, kLock}},
      {"the same twice counts once", {kLock, kRightClick, kLock, kRightClick}, {kLock, kRightClick}},
  };
  for (const Row& row : rows) {
    DeferredRequests requests;
    for (const DeferredRequest& r : row.added) requests.Add(r);
    for (const std::vector<DeferredRequest>& expected : {row.replayed, std::vector<DeferredRequest>{}}) {
      std::vector<DeferredRequest> replayed;
      requests.ReplayAll([&](const DeferredRequest& r) { replayed.push_back(r); });
      EXPECT_THAT(replayed, ::testing::ElementsAreArray(expected)) << row.what;
    }
  }
}

}  // namespace
}  // namespace velumix

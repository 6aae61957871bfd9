#include "ui/deferred_requests.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <vector>

namespace velumix {
namespace {

using ::testing::ElementsAreArray;

// As the main dialog defers them: the lock command, the tray icon's clicks.
constexpr DeferredRequest kLock{0x0111, 104, 0};
constexpr DeferredRequest kExit{0x0111, 2, 0};
constexpr DeferredRequest kRightClick{0x65, 5, 0x0205};
constexpr DeferredRequest kDoubleClick{0x65, 5, 0x0203};

std::vector<DeferredRequest> Replayed(DeferredRequests& requests) {
  std::vector<DeferredRequest> replayed;
  requests.ReplayAll([&](const DeferredRequest& r) { replayed.push_back(r); });
  return replayed;
}

TEST(DeferredRequests, EachRunsOnceInTheOrderItCame) {
  struct Row {
    const char* what;
    std::vector<DeferredRequest> added, replayed;
  };
  const Row rows[] = {
      {"none", {}, {}},
      {"a lock, then a click: the lock stays", {kLock, kRightClick}, {kLock, kRightClick}},
      {"a click, then a lock", {kDoubleClick, kLock}, {kDoubleClick, kLock}},
      {"the same twice counts once", {kLock, kRightClick, kLock, kRightClick}, {kLock, kRightClick}},
      {"every kind", {kExit, kRightClick, kLock, kDoubleClick}, {kExit, kRightClick, kLock, kDoubleClick}},
  };
  for (const Row& row : rows) {
    DeferredRequests requests;
    for (const DeferredRequest& r : row.added) requests.Add(r);
    EXPECT_THAT(Replayed(requests), ElementsAreArray(row.replayed)) << row.what;
    EXPECT_TRUE(Replayed(requests).empty()) << row.what << ": replayed twice";
  }
}

}  // namespace
}  // namespace velumix

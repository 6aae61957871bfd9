#include "core/hot_keys.h"

#include <gtest/gtest.h>

namespace velumix {
namespace {

TEST(HotKeyActionFor, EachRegisteredIdRunsItsOperation) {
  EXPECT_EQ(HotKeyActionFor(1, false), HotKeyAction::ShowAll);
  EXPECT_EQ(HotKeyActionFor(2, false), HotKeyAction::Lock);
  EXPECT_EQ(HotKeyActionFor(3, false), HotKeyAction::HideCurrent);
  EXPECT_EQ(HotKeyActionFor(4, false), HotKeyAction::HideAll);
  for (int id : {0, 5, -1}) EXPECT_EQ(HotKeyActionFor(id, false), HotKeyAction::None) << id;
}

TEST(HotKeyActionFor, LockedIgnoresEveryIdTheLockKeyToo) {
  for (int id : {-1, 0, 1, 2, 3, 4, 5}) EXPECT_EQ(HotKeyActionFor(id, true), HotKeyAction::None) << id;
}

}  // namespace
}  // namespace velumix

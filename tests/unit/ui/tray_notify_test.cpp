#include "ui/tray_notify.h"

#include <gtest/gtest.h>

#include <utility>

namespace velumix {
namespace {

struct UnlockSpy {
  bool m_answer;
  int m_calls = 0;
  bool operator()() { return ++m_calls, m_answer; }
};

constexpr TrayMouse kAllMice[] = {TrayMouse::DoubleClick, TrayMouse::RightButtonUp, TrayMouse::Other};

TEST(DecideTrayAction, OpenPromptOrAnotherIconIsIgnoredWithoutAsking) {
  for (bool locked : {false, true}) {
    for (TrayMouse mouse : kAllMice) {
      UnlockSpy unlock{true};
      EXPECT_EQ(DecideTrayAction(TRAY_ICON_ID, mouse, {locked, true}, unlock), TrayAction::None);
      EXPECT_EQ(DecideTrayAction(TRAY_ICON_ID + 1, mouse, {locked, false}, unlock), TrayAction::None);
      EXPECT_EQ(unlock.m_calls, 0);
    }
  }
}

TEST(DecideTrayAction, UnlockedIconActsAtOnce) {
  UnlockSpy unlock{false};
  EXPECT_EQ(DecideTrayAction(TRAY_ICON_ID, TrayMouse::DoubleClick, {false, false}, unlock), TrayAction::RestoreWindow);
  EXPECT_EQ(DecideTrayAction(TRAY_ICON_ID, TrayMouse::RightButtonUp, {false, false}, unlock), TrayAction::OpenMenu);
  EXPECT_EQ(DecideTrayAction(TRAY_ICON_ID, TrayMouse::Other, {false, false}, unlock), TrayAction::None);
  EXPECT_EQ(unlock.m_calls, 0);
}

TEST(DecideTrayAction, LockedIconActsOnlyAfterTheRightPassword) {
  for (auto [mouse, action] : {std::pair{TrayMouse::DoubleClick, TrayAction::RestoreWindow},
                               {TrayMouse::RightButtonUp, TrayAction::OpenMenu}}) {
    UnlockSpy refused{false}, accepted{true};
    EXPECT_EQ(DecideTrayAction(TRAY_ICON_ID, mouse, {true, false}, refused), TrayAction::None);
    EXPECT_EQ(DecideTrayAction(TRAY_ICON_ID, mouse, {true, false}, accepted), action);
    EXPECT_EQ(refused.m_calls + accepted.m_calls, 2);
  }
  UnlockSpy unlock{true};
  EXPECT_EQ(DecideTrayAction(TRAY_ICON_ID, TrayMouse::Other, {true, false}, unlock), TrayAction::None);
  EXPECT_EQ(unlock.m_calls, 0);
}

TEST(DecideTrayAction, AnOpenDialogIsBroughtForwardBeforeAnyPasswordIsAsked) {
  for (bool locked : {false, true}) {
    for (TrayMouse mouse : {TrayMouse::DoubleClick, TrayMouse::RightButtonUp}) {
      UnlockSpy unlock{true};
      EXPECT_EQ(DecideTrayAction(TRAY_ICON_ID, mouse, {locked, false, true}, unlock), TrayAction::BringDialogForward);
      EXPECT_EQ(DecideTrayAction(TRAY_ICON_ID, mouse, {locked, true, true}, unlock), TrayAction::None);
      EXPECT_EQ(unlock.m_calls, 0);
    }
    UnlockSpy unlock{true};
    EXPECT_EQ(DecideTrayAction(TRAY_ICON_ID, TrayMouse::Other, {locked, false, true}, unlock), TrayAction::None);
  }
}

}  // namespace
}  // namespace velumix

#include "controls/image_button_logic.h"

#include <gtest/gtest.h>

#include <string>

namespace velumix {
namespace {

constexpr ButtonRect kRect{10, 20, 50, 40};

// Plays the platform for a script of steps: o over the button, a away from
// it, e on its right edge, b on its bottom edge, p left button down, r left
// button up where the pointer is, x the capture taken by someone else, l the
// pointer gone over another program's window in one move (no move reaches
// the button, only the leave notice it asked for).
// Messages reach the button only while the pointer is over it or it holds
// the capture; giving the capture up sends the capture-changed notification.
struct ButtonRun {
  ButtonFace face;
  int commands;
  bool capture;
  bool lastPassedOn;
  bool leaveTracked;
};

ButtonRun Play(const std::string& steps) {
  ImageButtonState state;
  ButtonRun run{ButtonFace::Normal, 0, false, false, false};
  int x = 100, y = 100;
  auto apply = [&](const ButtonEffects& e) {
    run.lastPassedOn = e.passOn;
    run.commands += e.postCommand;
    run.capture |= e.setCapture;
    run.leaveTracked |= e.trackLeave;
    if (e.releaseCapture && run.capture) {
      run.capture = false;
      state.OnCaptureChanged();
    }
  };
  for (char step : steps) {
    if (step == 'o' || step == 'a' || step == 'e' || step == 'b') {
      x = step == 'o' ? 30 : step == 'a' ? 100 : step == 'e' ? 50 : 30;
      y = step == 'o' ? 30 : step == 'a' ? 100 : step == 'e' ? 30 : 40;
      if (bool inside = IsInsideButton(kRect, x, y); inside || run.capture) apply(state.OnMouseMove(inside));
    } else if (step == 'p') {
      apply(state.OnLButtonDown());
    } else if (step == 'r') {
      if (bool inside = IsInsideButton(kRect, x, y); inside || run.capture) apply(state.OnLButtonUp(inside));
    } else if (step == 'l') {
      x = y = 1000;
      if (run.leaveTracked) apply(state.OnMouseLeave());
    } else if (step == 'x') {
      run.capture = false;
      state.OnCaptureChanged();
    }
  }
  run.face = state.face();
  return run;
}

TEST(ImageButtonFaces, FollowThePointerAndTheLeftButton) {
  EXPECT_EQ(Play("").face, ButtonFace::Normal);
  EXPECT_EQ(Play("oa").face, ButtonFace::Normal);
  EXPECT_EQ(Play("o").face, ButtonFace::Hover);
  EXPECT_EQ(Play("op").face, ButtonFace::Pressed);
  EXPECT_EQ(Play("opa").face, ButtonFace::Hover);
  EXPECT_EQ(Play("opao").face, ButtonFace::Pressed);
}

TEST(ImageButtonCapture, IsHeldWhileThePointerIsOverTheButtonOrItIsPressed) {
  EXPECT_TRUE(Play("o").capture);
  EXPECT_TRUE(Play("opa").capture);
  EXPECT_FALSE(Play("oa").capture);
}

TEST(ImageButtonLeave, AJumpOntoAnotherWindowEndsTheHover) {
  ButtonRun run = Play("ol");
  EXPECT_EQ(run.face, ButtonFace::Normal);
  EXPECT_FALSE(run.capture);
  // After a click the hover stays until the pointer goes, however it goes.
  run = Play("oprl");
  EXPECT_EQ(run.commands, 1);
  EXPECT_EQ(run.face, ButtonFace::Normal);
}

TEST(ImageButtonLeave, IsIgnoredWhileTheButtonIsHeld) {
  // With the left button down the capture brings every move: the drag rules hold.
  ButtonRun run = Play("opl");
  EXPECT_EQ(run.face, ButtonFace::Pressed);
  EXPECT_TRUE(run.capture);
  EXPECT_EQ(Play("opla").face, ButtonFace::Hover);
  EXPECT_EQ(Play("oplar").commands, 0);
}

TEST(ImageButtonCapture, LosingItRestoresNormalFromAnyFace) {
  for (const char* steps : {"ox", "opx", "opax", "opaox", "oprx"}) EXPECT_EQ(Play(steps).face, ButtonFace::Normal) << steps;
}

TEST(ImageButtonClick, ReleaseOutsidePostsNothingAndEndsNormal) {
  ButtonRun run = Play("opar");
  EXPECT_EQ(run.commands, 0);
  EXPECT_EQ(run.face, ButtonFace::Normal);
  EXPECT_FALSE(run.capture);
}

TEST(ImageButtonClick, ReleaseInsidePostsOnceAndHoversUntilThePointerLeaves) {
  ButtonRun run = Play("opaor");
  EXPECT_EQ(run.commands, 1);
  EXPECT_EQ(run.face, ButtonFace::Hover);
  EXPECT_TRUE(run.capture);
  run = Play("opaoroa");
  EXPECT_EQ(run.commands, 1);
  EXPECT_EQ(run.face, ButtonFace::Normal);
  EXPECT_FALSE(run.capture);
}

TEST(ImageButtonClick, PressOnTheBackgroundReleasedOnTheButtonPosts) {
  EXPECT_EQ(Play("aor").commands, 1);  // the press went to the background
}

TEST(ImageButtonClick, RightAndBottomEdgesAreInside) {
  EXPECT_TRUE(IsInsideButton(kRect, 50, 40));
  EXPECT_TRUE(IsInsideButton(kRect, 10, 20));
  EXPECT_FALSE(IsInsideButton(kRect, 51, 30));
  EXPECT_FALSE(IsInsideButton(kRect, 30, 41));
  EXPECT_FALSE(IsInsideButton(kRect, 9, 30));
  EXPECT_FALSE(IsInsideButton(kRect, 30, 19));
  EXPECT_EQ(Play("oper").commands, 1);
  EXPECT_EQ(Play("opbr").commands, 1);
}

TEST(ImageButtonClick, OnlyThePressIsKeptFromTheStandardHandling) {
  EXPECT_FALSE(Play("op").lastPassedOn);
  EXPECT_TRUE(Play("opa").lastPassedOn);
  EXPECT_TRUE(Play("opao").lastPassedOn);
  EXPECT_TRUE(Play("opr").lastPassedOn);
}

}  // namespace
}  // namespace velumix

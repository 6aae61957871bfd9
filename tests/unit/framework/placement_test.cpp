#include "framework/placement.h"

#include <gtest/gtest.h>

namespace fw {
namespace {

// A primary monitor at the origin and a second one to its left, at negative
// coordinates, each with a taskbar at the bottom.
constexpr Box kPrimaryWork{0, 0, 1024, 738};
constexpr Box kLeftWork{-1280, 0, 0, 994};

TEST(CentreWithin, CentresOverTheOwner) {
  EXPECT_EQ(CentreWithin({100, 100, 435, 353}, 335, 253, kPrimaryWork), (Place{100, 100}));
  EXPECT_EQ(CentreWithin({100, 100, 500, 400}, 200, 100, kPrimaryWork), (Place{200, 200}));
}

TEST(CentreWithin, StaysOnTheOwnersMonitor) {
  // an owner at the left monitor's right edge: clamped there, not to the primary one
  EXPECT_EQ(CentreWithin({-300, 800, -10, 990}, 400, 300, kLeftWork), (Place{-400, 694}));
  // an owner at the left edge of the left monitor
  EXPECT_EQ(CentreWithin({-1400, -50, -1200, 100}, 300, 200, kLeftWork), (Place{-1280, 0}));
}

TEST(CentreWithin, WithoutAnOwnerCentresInTheWorkArea) {
  EXPECT_EQ(CentreWithin(kLeftWork, 280, 194, kLeftWork), (Place{-780, 400}));
}

TEST(CentreWithin, LargerThanTheWorkAreaKeepsTheTopLeftCornerInside) {
  EXPECT_EQ(CentreWithin({0, 0, 100, 100}, 2000, 1000, kPrimaryWork), (Place{0, 0}));
}

}  // namespace
}  // namespace fw

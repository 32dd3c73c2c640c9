#include "webview/window_grips.h"

#include <gtest/gtest.h>

namespace orvane {
namespace {

struct GripCase {
  int x;
  int y;
  GripHit expected;
};

TEST(WindowGrips, PointsOfA400By300WindowHitTheirGrips) {
  constexpr int W = 400;
  constexpr int H = 300;
  const GripCase cases[] = {
      {200, 2, kGripTop},
      {2, 150, kGripLeft},
      {W - 3, 150, kGripRight},
      {200, H - 3, kGripBottom},
      {2, 2, kGripTopLeft},
      {2, H - 3, kGripBottomLeft},
      {W - 3, 2, kGripTopRight},
      {W - 3, H - 3, kGripBottomRight},
      // The right grip stops 10 pixels above the bottom, the bottom grip 10
      // pixels short of the right edge; below and beside them lies the 10 × 10
      // bottom-right square.
      {W - 3, H - 12, kGripRight},
      {W - 12, H - 3, kGripBottom},
      {W - 9, H - 9, kGripBottomRight},
      {W - 5, H - 11, kGripRight},
      {W - 11, H - 5, kGripBottom},
      {W - 10, H - 6, kGripBottomRight},
      // Edges of the 5-pixel grips: right and bottom are exclusive.
      {5, 5, kGripClient},
      {4, 5, kGripLeft},
      {5, 4, kGripTop},
      {W - 6, 150, kGripClient},
      {W - 5, 150, kGripRight},
      {200, H - 6, kGripClient},
      // Inside, and outside the client area.
      {200, 150, kGripClient},
      {W, 150, kGripClient},
      {-1, 150, kGripClient},
      {200, H, kGripClient},
  };
  for (const GripCase& c : cases) {
    EXPECT_EQ(hitTestGrip(c.x, c.y, W, H, false), c.expected) << c.x << "," << c.y;
  }
}

TEST(WindowGrips, AMaximizedWindowHasNoGrips) {
  EXPECT_EQ(hitTestGrip(2, 2, 400, 300, true), kGripClient);
  EXPECT_EQ(hitTestGrip(397, 297, 400, 300, true), kGripClient);
  EXPECT_EQ(hitTestGrip(200, 2, 400, 300, true), kGripClient);
}

TEST(WindowGrips, InAWindowNarrowerThanTheGripsTheOrderDecides) {
  // 8 × 8: every edge rectangle is empty, the corners overlap.
  EXPECT_EQ(hitTestGrip(4, 4, 8, 8, false), kGripTopLeft);
  EXPECT_EQ(hitTestGrip(2, 6, 8, 8, false), kGripBottomLeft);
  EXPECT_EQ(hitTestGrip(6, 2, 8, 8, false), kGripTopRight);
  EXPECT_EQ(hitTestGrip(6, 6, 8, 8, false), kGripBottomRight);
}

TEST(WindowGrips, ATrackSizeAppliesOnlyWhenBothNumbersAreNonZero) {
  struct BoundsCase {
    TrackSize min;
    TrackSize max;
    bool hasMin;
    bool hasMax;
  };
  const BoundsCase cases[] = {
      {{0, 0}, {0, 0}, false, false},       {{300, 0}, {0, 600}, false, false},
      {{300, 200}, {0, 0}, true, false},    {{0, 0}, {800, 600}, false, true},
      {{300, 200}, {800, 600}, true, true}, {{300, 200}, {800, 0}, true, false},
  };
  for (const BoundsCase& c : cases) {
    const SizeBounds bounds = sizeBoundsFor(c.min, c.max);
    EXPECT_EQ(bounds.hasMin, c.hasMin) << c.min.width << "x" << c.min.height;
    EXPECT_EQ(bounds.hasMax, c.hasMax) << c.max.width << "x" << c.max.height;
    EXPECT_EQ(bounds.any(), c.hasMin || c.hasMax);
    if (bounds.hasMin) {
      EXPECT_EQ(bounds.min, c.min);
    }
    if (bounds.hasMax) {
      EXPECT_EQ(bounds.max, c.max);
    }
  }
}

}  // namespace
}  // namespace orvane

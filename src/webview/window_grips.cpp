#include "webview/window_grips.h"

namespace orvane {

namespace {

// Right and bottom are exclusive; an empty rectangle holds no point.
struct Rect {
  int left;
  int top;
  int right;
  int bottom;
  bool holds(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
};

}  // namespace

GripHit hitTestGrip(int x, int y, int width, int height, bool maximized) {
  if (maximized) return kGripClient;
  const int w = width;
  const int h = height;
  const int g = kGripWidth;
  struct Grip {
    Rect rect;
    GripHit hit;
  };
  // The order decides where rectangles overlap, e.g. in windows narrower
  // than the grips.
  const Grip grips[] = {
      {{g, 0, w - g, g}, kGripTop},           {{0, g, g, h - g}, kGripLeft},
      {{w - g, g, w, h - 2 * g}, kGripRight}, {{g, h - g, w - 2 * g, h}, kGripBottom},
      {{0, 0, g, g}, kGripTopLeft},           {{0, h - g, g, h}, kGripBottomLeft},
      {{w - g, 0, w, g}, kGripTopRight},      {{w - 2 * g, h - 2 * g, w, h}, kGripBottomRight},
  };
  for (const Grip& grip : grips) {
    if (grip.rect.holds(x, y)) return grip.hit;
  }
  return kGripClient;
}

SizeBounds sizeBoundsFor(const TrackSize& minTrack, const TrackSize& maxTrack) {
  SizeBounds bounds;
  if (minTrack.applies()) {
    bounds.hasMin = true;
    bounds.min = minTrack;
  }
  if (maxTrack.applies()) {
    bounds.hasMax = true;
    bounds.max = maxTrack;
  }
  return bounds;
}

}  // namespace orvane

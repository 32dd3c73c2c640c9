#pragma once
// The edge grips of a borderless window and the bounds of its size, as both
// clients apply them: the Win32 client answers WM_NCHITTEST and
// WM_GETMINMAXINFO with these, the GTK client starts a resize drag on a grip
// and turns the bounds into geometry hints.

namespace orvane {

// What a point of the window is. The values are the Win32 hit-test codes, so
// the Win32 client returns them unchanged.
enum GripHit : int {
  kGripClient = 1,
  kGripLeft = 10,
  kGripRight = 11,
  kGripTop = 12,
  kGripTopLeft = 13,
  kGripTopRight = 14,
  kGripBottom = 15,
  kGripBottomLeft = 16,
  kGripBottomRight = 17,
};

// Width of the grips along the edges, in pixels.
inline constexpr int kGripWidth = 5;

// The grip under point (x, y) of a client area of width × height. A
// maximized window has no grips. The edge grips are tested before the corner
// grips; the bottom-right corner grip is a 10 × 10 square, so the right grip
// stops 10 pixels above the bottom and the bottom grip 10 pixels short of the
// right edge.
GripHit hitTestGrip(int x, int y, int width, int height, bool maximized);

// A tracking size the page asked for. A pair with a zero component is kept
// but not applied.
struct TrackSize {
  int width = 0;
  int height = 0;
  bool applies() const { return width != 0 && height != 0; }
  bool operator==(const TrackSize&) const = default;
};

// The size bounds a window is given: the minimum and maximum tracking sizes
// that apply.
struct SizeBounds {
  bool hasMin = false;
  TrackSize min;
  bool hasMax = false;
  TrackSize max;
  bool any() const { return hasMin || hasMax; }
  bool operator==(const SizeBounds&) const = default;
};

SizeBounds sizeBoundsFor(const TrackSize& minTrack, const TrackSize& maxTrack);

}  // namespace orvane

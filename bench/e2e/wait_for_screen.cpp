// orvane_wait_for_screen DISPLAY TIMEOUT_S CONDITION...
//
// Watches the X screen and prints, for each condition in turn, the moment it
// first held, as CLOCK_MONOTONIC milliseconds (the clock Python's
// time.monotonic() reads, so a script that notes when it started a program
// gets the delay by subtraction). Prints "ready" once connected, before it
// starts watching. Conditions:
//
//   pixel:X:Y:RRGGBB     the pixel at (X, Y) has this colour
//   share:RRGGBB:F       at least the fraction F of the screen has it
//
// Exits 0 when every condition held, 1 at the timeout.

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct Condition {
  bool share = false;
  int x = 0;
  int y = 0;
  unsigned long rgb = 0;
  double fraction = 0;
};

struct DisplayCloser {
  void operator()(Display* display) const { XCloseDisplay(display); }
};
struct ImageDestroyer {
  void operator()(XImage* image) const { XDestroyImage(image); }
};
using ImagePtr = std::unique_ptr<XImage, ImageDestroyer>;

bool parse(const std::string& text, Condition& out) {
  char colour[7] = {};
  if (std::sscanf(text.c_str(), "pixel:%d:%d:%6s", &out.x, &out.y, colour) == 3) {
    out.rgb = std::strtoul(colour, nullptr, 16);
    return true;
  }
  if (std::sscanf(text.c_str(), "share:%6[0-9a-fA-F]:%lf", colour, &out.fraction) == 2) {
    out.share = true;
    out.rgb = std::strtoul(colour, nullptr, 16);
    return true;
  }
  return false;
}

// The server runs at 24 bits, red in the high byte.
unsigned long rgbAt(XImage* image, int x, int y) { return XGetPixel(image, x, y) & 0xFFFFFF; }

bool holds(Display* display, Window root, int width, int height, const Condition& condition) {
  if (!condition.share) {
    const ImagePtr image(
        XGetImage(display, root, condition.x, condition.y, 1, 1, AllPlanes, ZPixmap));
    return image && rgbAt(image.get(), 0, 0) == condition.rgb;
  }
  const ImagePtr image(XGetImage(display, root, 0, 0, static_cast<unsigned>(width),
                                 static_cast<unsigned>(height), AllPlanes, ZPixmap));
  if (!image) return false;
  long matching = 0;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) matching += rgbAt(image.get(), x, y) == condition.rgb ? 1 : 0;
  }
  return static_cast<double>(matching) >= condition.fraction * width * height;
}

long long monotonicUs(Clock::time_point at) {
  return std::chrono::duration_cast<std::chrono::microseconds>(at.time_since_epoch()).count();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: orvane_wait_for_screen DISPLAY TIMEOUT_S CONDITION...\n");
    return 2;
  }
  std::vector<Condition> conditions;
  for (int i = 3; i < argc; ++i) {
    Condition condition;
    if (!parse(argv[i], condition)) {
      std::fprintf(stderr, "orvane_wait_for_screen: bad condition %s\n", argv[i]);
      return 2;
    }
    conditions.push_back(condition);
  }
  const std::unique_ptr<Display, DisplayCloser> display(XOpenDisplay(argv[1]));
  if (!display) {
    std::fprintf(stderr, "orvane_wait_for_screen: cannot open display %s\n", argv[1]);
    return 2;
  }
  const Window root = DefaultRootWindow(display.get());
  XWindowAttributes attributes{};
  XGetWindowAttributes(display.get(), root, &attributes);
  const auto deadline = Clock::now() + std::chrono::seconds(std::atoi(argv[2]));
  std::printf("ready\n");
  std::fflush(stdout);
  for (const Condition& condition : conditions) {
    for (;;) {
      const auto before = Clock::now();
      if (holds(display.get(), root, attributes.width, attributes.height, condition)) {
        // The screen was read between these two moments: take the middle.
        const auto after = Clock::now();
        std::printf("%.3f\n", (monotonicUs(before) + monotonicUs(after)) / 2000.0);
        std::fflush(stdout);
        break;
      }
      if (Clock::now() > deadline) return 1;
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
  }
  return 0;
}

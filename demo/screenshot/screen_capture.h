#pragma once
// The whole X screen (the root window) as 0xRRGGBB pixels, and a PNG file
// of it. Reads what the X server shows, so it sees exactly what a viewer of
// the screen would, whatever program drew it.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace orvane::demo {

struct ScreenImage {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;  // 0xRRGGBB, row by row

  std::uint32_t at(int x, int y) const {
    return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                  static_cast<std::size_t>(x)];
  }
};

// The screen of `displayName` (":N"; empty: $DISPLAY). Empty with `error`
// set when the display cannot be opened or read.
std::optional<ScreenImage> captureScreen(const std::string& displayName, std::string* error);

// One pixel of the screen, without reading the rest.
std::optional<std::uint32_t> screenPixel(const std::string& displayName, int x, int y);

// Writes the image as PNG; false with `error` set on failure.
bool savePng(const ScreenImage& image, const std::string& path, std::string* error);

}  // namespace orvane::demo

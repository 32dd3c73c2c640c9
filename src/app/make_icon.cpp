// Draws the program's icon, a podium of three bars (gold in the middle,
// silver and bronze beside it) on a dark rounded square, and writes it as a
// PNG. Run at build time; the run folder gets the file as orvane.png.
//
//   orvane_make_icon <output.png> [size]

#include <gdk-pixbuf/gdk-pixbuf.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {

struct Color {
  guchar r, g, b;
};

constexpr Color kBackground{0x1d, 0x2b, 0x53};
constexpr Color kGold{0xf5, 0xc5, 0x42};
constexpr Color kSilver{0xc0, 0xc7, 0xd1};
constexpr Color kBronze{0xcd, 0x7f, 0x32};

// Coverage of pixel (x, y) by a rounded square of side `size` with corner
// radius `radius`, sampled 4 x 4 for smooth edges.
double squareCoverage(int x, int y, int size, double radius) {
  int inside = 0;
  for (int sy = 0; sy < 4; ++sy) {
    for (int sx = 0; sx < 4; ++sx) {
      const double px = x + (sx + 0.5) / 4.0;
      const double py = y + (sy + 0.5) / 4.0;
      const double cx = std::fmin(std::fmax(px, radius), size - radius);
      const double cy = std::fmin(std::fmax(py, radius), size - radius);
      if (std::hypot(px - cx, py - cy) <= radius) ++inside;
    }
  }
  return inside / 16.0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s <output.png> [size]\n", argv[0]);
    return 2;
  }
  const int size = argc > 2 ? std::atoi(argv[2]) : 48;
  if (size < 16 || size > 512) return 2;

  GdkPixbuf* pixbuf = gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, size, size);
  if (pixbuf == nullptr) return 1;
  const int stride = gdk_pixbuf_get_rowstride(pixbuf);
  guchar* pixels = gdk_pixbuf_get_pixels(pixbuf);

  // Bars in eighths of the side: left, width, top (the bottom is shared).
  const struct {
    double left, width, top;
    Color color;
  } bars[] = {{1.0, 2.0, 4.0, kSilver}, {3.0, 2.0, 1.6, kGold}, {5.0, 2.0, 5.0, kBronze}};
  const double bottom = size * 7.0 / 8.0;
  const double unit = size / 8.0;

  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      guchar* p = pixels + y * stride + x * 4;
      Color color = kBackground;
      for (const auto& bar : bars) {
        const double left = bar.left * unit + 0.5;
        const double right = (bar.left + bar.width) * unit - 0.5;
        if (x + 0.5 >= left && x + 0.5 <= right && y + 0.5 >= bar.top * unit && y + 0.5 <= bottom) {
          color = bar.color;
        }
      }
      p[0] = color.r;
      p[1] = color.g;
      p[2] = color.b;
      p[3] = static_cast<guchar>(std::lround(255 * squareCoverage(x, y, size, size / 6.0)));
    }
  }

  GError* error = nullptr;
  const gboolean saved = gdk_pixbuf_save(pixbuf, argv[1], "png", &error, nullptr);
  if (!saved) {
    std::fprintf(stderr, "%s: %s\n", argv[1], error != nullptr ? error->message : "not saved");
    g_clear_error(&error);
  }
  g_object_unref(pixbuf);
  return saved ? 0 : 1;
}

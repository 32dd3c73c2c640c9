#include "screen_capture.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <gdk-pixbuf/gdk-pixbuf.h>

#include <memory>

namespace orvane::demo {

namespace {

struct DisplayCloser {
  void operator()(Display* display) const { XCloseDisplay(display); }
};
using DisplayPtr = std::unique_ptr<Display, DisplayCloser>;

struct ImageDestroyer {
  void operator()(XImage* image) const { XDestroyImage(image); }
};
using ImagePtr = std::unique_ptr<XImage, ImageDestroyer>;

struct PixbufUnref {
  void operator()(GdkPixbuf* pixbuf) const { g_object_unref(pixbuf); }
};

// A colour channel of an X pixel, scaled to 8 bits, whatever the visual's
// masks are (24-bit servers put red in the high byte, others need not).
std::uint32_t channel(unsigned long pixel, unsigned long mask) {
  if (mask == 0) return 0;
  int shift = 0;
  while (((mask >> shift) & 1UL) == 0) ++shift;
  const unsigned long max = mask >> shift;
  return static_cast<std::uint32_t>(((pixel & mask) >> shift) * 255UL / max);
}

std::uint32_t rgbOf(const XImage& image, unsigned long pixel) {
  return channel(pixel, image.red_mask) << 16 | channel(pixel, image.green_mask) << 8 |
         channel(pixel, image.blue_mask);
}

DisplayPtr openDisplay(const std::string& displayName) {
  return DisplayPtr(XOpenDisplay(displayName.empty() ? nullptr : displayName.c_str()));
}

}  // namespace

std::optional<ScreenImage> captureScreen(const std::string& displayName, std::string* error) {
  const DisplayPtr display = openDisplay(displayName);
  if (!display) {
    if (error) *error = "cannot open display " + displayName;
    return std::nullopt;
  }
  const Window root = DefaultRootWindow(display.get());
  XWindowAttributes attributes{};
  if (XGetWindowAttributes(display.get(), root, &attributes) == 0) {
    if (error) *error = "cannot read the root window";
    return std::nullopt;
  }
  const ImagePtr image(XGetImage(display.get(), root, 0, 0, static_cast<unsigned>(attributes.width),
                                 static_cast<unsigned>(attributes.height), AllPlanes, ZPixmap));
  if (!image) {
    if (error) *error = "cannot read the screen's pixels";
    return std::nullopt;
  }
  ScreenImage screen;
  screen.width = attributes.width;
  screen.height = attributes.height;
  screen.pixels.reserve(static_cast<std::size_t>(screen.width) *
                        static_cast<std::size_t>(screen.height));
  for (int y = 0; y < screen.height; ++y) {
    for (int x = 0; x < screen.width; ++x) {
      screen.pixels.push_back(rgbOf(*image, XGetPixel(image.get(), x, y)));
    }
  }
  return screen;
}

std::optional<std::uint32_t> screenPixel(const std::string& displayName, int x, int y) {
  const DisplayPtr display = openDisplay(displayName);
  if (!display) return std::nullopt;
  const ImagePtr image(
      XGetImage(display.get(), DefaultRootWindow(display.get()), x, y, 1, 1, AllPlanes, ZPixmap));
  if (!image) return std::nullopt;
  return rgbOf(*image, XGetPixel(image.get(), 0, 0));
}

bool savePng(const ScreenImage& image, const std::string& path, std::string* error) {
  const std::unique_ptr<GdkPixbuf, PixbufUnref> pixbuf(
      gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, image.width, image.height));
  if (!pixbuf) {
    if (error) *error = "cannot make an image of that size";
    return false;
  }
  const int stride = gdk_pixbuf_get_rowstride(pixbuf.get());
  guchar* data = gdk_pixbuf_get_pixels(pixbuf.get());
  for (int y = 0; y < image.height; ++y) {
    guchar* row = data + static_cast<std::ptrdiff_t>(y) * stride;
    for (int x = 0; x < image.width; ++x) {
      const std::uint32_t rgb = image.at(x, y);
      row[3 * x] = static_cast<guchar>(rgb >> 16);
      row[3 * x + 1] = static_cast<guchar>(rgb >> 8);
      row[3 * x + 2] = static_cast<guchar>(rgb);
    }
  }
  GError* failure = nullptr;
  if (!gdk_pixbuf_save(pixbuf.get(), path.c_str(), "png", &failure, nullptr)) {
    if (error) *error = failure != nullptr ? failure->message : "cannot write " + path;
    if (failure != nullptr) g_error_free(failure);
    return false;
  }
  return true;
}

}  // namespace orvane::demo

// orvane-screenshot [--display :N] FILE.png
// Saves what the X screen shows as a PNG file.

#include <cstdio>
#include <cstring>
#include <string>

#include "screen_capture.h"

int main(int argc, char** argv) {
  std::string displayName;
  std::string path;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--display") == 0 && i + 1 < argc) {
      displayName = argv[++i];
    } else if (path.empty() && argv[i][0] != '-') {
      path = argv[i];
    } else {
      path.clear();
      break;
    }
  }
  if (path.empty()) {
    std::fprintf(stderr, "usage: orvane-screenshot [--display :N] FILE.png\n");
    return 2;
  }
  std::string error;
  const auto image = orvane::demo::captureScreen(displayName, &error);
  if (!image || !orvane::demo::savePng(*image, path, &error)) {
    std::fprintf(stderr, "orvane-screenshot: %s\n", error.c_str());
    return 1;
  }
  return 0;
}

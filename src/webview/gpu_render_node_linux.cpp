#include "webview/gpu_render_node_linux.h"

#include <filesystem>
#include <system_error>

namespace orvane {

bool hasGpuRenderNode(const std::string& driFolder) {
  std::error_code error;
  for (std::filesystem::directory_iterator it(driFolder, error), end; !error && it != end;
       it.increment(error)) {
    if (it->path().filename().string().starts_with("renderD")) return true;
  }
  return false;
}

}  // namespace orvane

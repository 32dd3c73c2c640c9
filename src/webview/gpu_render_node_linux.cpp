#include "webview/gpu_render_node_linux.h"

#include <unistd.h>

#include <filesystem>
#include <system_error>

namespace orvane {

bool hasGpuRenderNode(const std::string& driFolder) {
  std::error_code error;
  for (std::filesystem::directory_iterator it(driFolder, error), end; !error && it != end;
       it.increment(error)) {
    // A node this user may not open (not in its group) leaves the engine on
    // CPU GL all the same.
    if (it->path().filename().string().starts_with("renderD") &&
        access(it->path().c_str(), R_OK | W_OK) == 0) {
      return true;
    }
  }
  return false;
}

}  // namespace orvane

#include "webview/gpu_render_node_linux.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/temp_directory.h"

namespace orvane {
namespace {

struct DriCase {
  const char* what;
  std::vector<std::string> entries;
  bool expected;
};

TEST(GpuRenderNode, OnlyARenderNodeCounts) {
  const DriCase cases[] = {
      {"a GPU", {"card0", "renderD128", "by-path"}, true},
      {"the second GPU's node only", {"renderD129"}, true},
      {"a display device without a render node", {"card0"}, false},
      {"an empty folder", {}, false},
      {"a name that only contains the word", {"not-renderD128"}, false},
  };
  for (const DriCase& c : cases) {
    testing::TempDirectory dri;
    for (const std::string& entry : c.entries) std::ofstream(dri.file(entry)).put('\n');
    EXPECT_EQ(hasGpuRenderNode(dri.path()), c.expected) << c.what;
  }
}

TEST(GpuRenderNode, AMissingOrUnreadableFolderMeansNoGpu) {
  testing::TempDirectory root;
  EXPECT_FALSE(hasGpuRenderNode(root.file("dri")));
  std::ofstream(root.file("plain-file")).put('\n');
  EXPECT_FALSE(hasGpuRenderNode(root.file("plain-file")));
}

TEST(GpuRenderNode, ANodeThatCannotBeOpenedDoesNotCount) {
  // A render node whose device has gone (a link left behind) cannot be
  // opened, so the engine could not draw with it.
  testing::TempDirectory dri;
  std::filesystem::create_symlink(dri.file("gone"), dri.file("renderD128"));
  EXPECT_FALSE(hasGpuRenderNode(dri.path()));
  std::ofstream(dri.file("gone")).put('\n');
  EXPECT_TRUE(hasGpuRenderNode(dri.path()));
}

}  // namespace
}  // namespace orvane

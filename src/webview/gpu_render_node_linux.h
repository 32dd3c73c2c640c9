#pragma once
// Whether the machine has a GPU the engine could draw with.
//
// WebKitGTK composites pages with OpenGL. Without a GPU, Mesa falls back to
// drawing GL on the CPU (llvmpipe): the page's process then holds about
// 160 MB more and spends more CPU per frame than when the engine draws
// without compositing. A wall-screen PC without a GPU is better served by
// the engine's plain drawing; a PC with one keeps compositing.

#include <string>

namespace orvane {

// The folder the kernel lists the DRM devices in.
inline constexpr const char* kDriDevicesFolder = "/dev/dri";

// True when `driFolder` holds a render node ("renderD128", ...) this user
// may open: the device a GPU offers to programs that draw but do not drive a
// display.
bool hasGpuRenderNode(const std::string& driFolder = kDriDevicesFolder);

}  // namespace orvane

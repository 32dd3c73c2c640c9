#include "sys/screen_awake_linux.h"

namespace orvane {

namespace {
constexpr const char* kReason = "显示排行榜";  // "showing the leaderboard"
}

ScreenAwake::ScreenAwake(const std::string& applicationName, const ScreenAwakeOptions& options)
    : session_(applicationName, kReason, options.busAddress), xServer_(options.displayName) {}

}  // namespace orvane

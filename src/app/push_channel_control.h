#pragma once
// The program's push channel as the application drives it, wired to the
// page requests, the maker's library, the day log and the main window.

#include <memory>

#include "app/application.h"
#include "server/push_channel.h"

namespace orvane {

class PushChannelControl final : public PushControl {
 public:
  explicit PushChannelControl(std::unique_ptr<PushChannel> channel)
      : channel_(std::move(channel)) {}
  void onPageLoaded(int result, const std::string& reason) override {
    channel_->onPageLoaded(result, reason);
  }
  void stop() override { channel_->stop(); }
  PushChannel& channel() { return *channel_; }

 private:
  std::unique_ptr<PushChannel> channel_;
};

// The push channel over `packClient` and `serverLink` (both outliving it),
// handing pushes to the page, logging in with the maker's text, updating
// through the maker's library, and ending the program when it cannot start.
std::unique_ptr<PushControl> makePushChannelControl(const PushParts& parts, PackClient& packClient,
                                                    ServerLink& serverLink,
                                                    PushChannelTiming timing = {});

}  // namespace orvane

#include "app/push_channel_control.h"

#include "bridge/ui_thread.h"

namespace orvane {

std::unique_ptr<PushControl> makePushChannelControl(const PushParts& parts, PackClient& packClient,
                                                    ServerLink& serverLink,
                                                    PushChannelTiming timing) {
  PushChannelHooks hooks;
  hooks.runPageScript = [&pages = parts.pages](const std::string& script) {
    return pages.runPageScript(script);
  };
  hooks.reloadPage = [&pages = parts.pages] { return pages.reloadPage(); };
  hooks.messageText = [maker = parts.maker](const std::string& c, const std::string& a,
                                            const std::string& uid,
                                            const std::optional<std::string>& data) {
    return maker->loginText(c, a, uid, data);
  };
  hooks.hiddenUpdate = [maker = parts.maker, config = parts.config] {
    runUpdate(*maker, config, kHiddenUpdate);
  };
  hooks.log = [&log = parts.log](std::string_view category, std::string_view message) {
    log.write(category, message);
  };
  // The window goes from the UI thread's queue, after the loading-finished
  // event that found the failure has returned to the engine.
  hooks.startFailed = [&ui = parts.ui, &window = parts.window] {
    ui.post([&window] { window.destroy(); });
  };
  hooks.appName = parts.config.appName;
  hooks.machineName = parts.state.machineName;
  return std::make_unique<PushChannelControl>(
      std::make_unique<PushChannel>(packClient, serverLink, std::move(hooks), timing));
}

}  // namespace orvane

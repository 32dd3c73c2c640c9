#pragma once
// The maker's utility library as the program sees it: the machine's name, the
// text of a message to the server (the login), and the update. The program
// reaches it only through MakerLibrary, so the tray, the push channel and the
// start share one loaded library and tests substitute a recording one.

#include <array>
#include <optional>
#include <string>

#include "config/app_config.h"

namespace orvane {

// The update's nine arguments in the library's order; nullopt is a null pointer.
using UpdateArguments = std::array<std::optional<std::string>, 9>;

class MakerLibrary {
 public:
  virtual ~MakerLibrary() = default;

  // The machine's name; empty when the library gives none.
  virtual std::string machineName() = 0;
  // The text of one message to the server built from class, action, uid and
  // data (the login is "login", appName, machineName, no data); sent as it
  // is. Empty when the library gives none.
  virtual std::string loginText(const std::string& c, const std::string& a, const std::string& uid,
                                const std::optional<std::string>& data) = 0;
  // Hands an update to the library and returns when the library does.
  virtual void update(const UpdateArguments& arguments) = 0;
};

// Mode 1 is the visible update the user asked for from the tray; any other
// mode is the hidden one of the start and of the server's update message.
inline constexpr int kVisibleUpdate = 1;
inline constexpr int kHiddenUpdate = 0;

// runDirectory + "QZUpdate.dat", "排行榜", the main window's caption, "" when
// visible or "hide", null, "temp", null, "a", "QZ" + appName + ".exe".
UpdateArguments updateArguments(const AppConfig& config, int mode);

// Runs the update with those arguments and waits for the library; the
// outcome is the library's business, so nothing is logged or returned.
void runUpdate(MakerLibrary& library, const AppConfig& config, int mode);

}  // namespace orvane

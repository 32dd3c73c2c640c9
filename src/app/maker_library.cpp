#include "app/maker_library.h"

namespace orvane {

namespace {
constexpr const char* kUpdateDescriptionFile = "QZUpdate.dat";
constexpr const char* kProductName = "排行榜";
// The caption of the main window, by which the update finds the program.
constexpr const char* kMainWindowCaption = "Quenmere-排行榜";
}  // namespace

UpdateArguments updateArguments(const AppConfig& config, int mode) {
  return UpdateArguments{
      config.runDirectory + kUpdateDescriptionFile,
      kProductName,
      kMainWindowCaption,
      mode == kVisibleUpdate ? "" : "hide",
      std::nullopt,
      "temp",
      std::nullopt,
      "a",
      "QZ" + config.appName + ".exe",
  };
}

void runUpdate(MakerLibrary& library, const AppConfig& config, int mode) {
  library.update(updateArguments(config, mode));
}

}  // namespace orvane

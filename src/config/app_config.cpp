#include "config/app_config.h"

#include "config/paths.h"

namespace orvane {

AppConfig appConfigFor(const std::string& executablePath) {
  AppConfig config;
  const std::size_t slash = executablePath.rfind(kPathSeparator);
  config.executableName =
      slash == std::string::npos ? executablePath : executablePath.substr(slash + 1);
  config.runDirectory = withTrailingSeparator(directoryOf(executablePath));
  config.configPath = config.runDirectory + std::string(kConfigFileName);
  return config;
}

}  // namespace orvane

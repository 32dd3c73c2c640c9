#pragma once
// Who the program is and where its files live. Filled once at start and read
// everywhere after.

#include <string>
#include <string_view>

namespace orvane {

struct AppConfig {
  std::string appName = "orvane";
  std::string runDirectory;    // folder of the running executable, ending in one '/'
  std::string executableName;  // file name of the executable, without folder
  std::string configPath;      // runDirectory + "config.ini"
};

inline constexpr std::string_view kConfigFileName = "config.ini";

// The configuration for an executable at `executablePath` (an absolute path).
AppConfig appConfigFor(const std::string& executablePath);

// Absolute path of the running executable (/proc/self/exe); empty when it
// cannot be read.
std::string runningExecutablePath();

// appConfigFor(runningExecutablePath()). When the path cannot be read the
// current folder stands in for the run directory.
AppConfig appConfigForRunningExecutable();

}  // namespace orvane

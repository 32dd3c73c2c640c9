#include "config/config_keys.h"

#include <sys/stat.h>

#include "config/ini_file.h"
#include "sys/number_text.h"

namespace orvane {

std::string readConfigString(const std::string& configPath, const ConfigKey& key) {
  return readIniString(configPath, key.section, key.key, key.defaultValue);
}

int readConfigInt(const std::string& configPath, const ConfigKey& key) {
  return parseLeadingInt(readConfigString(configPath, key));
}

bool createConfigIfMissing(const std::string& configPath) {
  struct stat st {};
  if (stat(configPath.c_str(), &st) == 0) return true;
  return writeIniString(configPath, kServerIp.section, kServerIp.key, kServerIp.defaultValue);
}

}  // namespace orvane

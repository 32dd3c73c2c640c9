#pragma once
// The keys of config.ini the program itself reads, with their defaults. The
// page may read and write any other key through "readini" / "writeini".

#include <string>
#include <string_view>

namespace orvane {

struct ConfigKey {
  std::string_view section;
  std::string_view key;
  std::string_view defaultValue;
};

// Address of the page and push server.
inline constexpr ConfigKey kServerIp{"server", "ip", "127.0.0.1"};
// HTTP port of the page server (integer text).
inline constexpr ConfigKey kServerWebPort{"server", "webport", "8099"};
// 1-based monitor chosen in the screen picker; 0 or less means no choice.
inline constexpr ConfigKey kLocalIndex{"local", "index", "0"};
// Exactly "1" lets a right-button double-click open the developer tools.
inline constexpr ConfigKey kLocalDebug{"local", "debug", "0"};

// The key's text, or its default when absent.
std::string readConfigString(const std::string& configPath, const ConfigKey& key);
// The key's text as an integer (atoi rules: non-numeric text gives 0).
int readConfigInt(const std::string& configPath, const ConfigKey& key);

// Creates config.ini holding only [server] ip = the default address when no
// file exists at `configPath`; an existing file is never touched, so a
// configured address survives restarts and updates. False only when the file
// was missing and could not be created.
bool createConfigIfMissing(const std::string& configPath);

}  // namespace orvane

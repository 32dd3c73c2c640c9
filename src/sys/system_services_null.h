#pragma once
// System services that record what they are asked and answer what a test set.

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "sys/system_services.h"

namespace orvane {

class NullSystemServices final : public SystemServices {
 public:
  struct OpenCall {
    std::string target;
    std::string parameters;
    int showCode = 0;
    bool operator==(const OpenCall&) const = default;
  };

  bool openUrl(const std::string& url, int showCode) override {
    openedUrls.push_back({url, "", showCode});
    return openResult;
  }
  bool openFile(const std::string& path, const std::string& parameters, int showCode) override {
    openedFiles.push_back({path, parameters, showCode});
    return openResult;
  }
  long findProcess(const ProcessQuery& query) override {
    processQueries.push_back(query);
    const auto it = processes.find(query.name);
    return it == processes.end() ? -1 : it->second;
  }
  bool pathExists(const std::string& pathOrPattern) override {
    existsQueries.push_back(pathOrPattern);
    for (const auto& p : existingPaths) {
      if (p == pathOrPattern) return true;
    }
    return false;
  }
  bool enablePrivilege(const std::string& name) override {
    privileges.push_back(name);
    return false;
  }
  void ensureShortcut(ShortcutPlace place, const std::string& target) override {
    shortcuts.emplace_back(place, target);
  }
  std::int64_t uptimeMs() override { return uptime; }
  std::string fileVersion(const std::string&) override { return version; }

  // What tests set.
  bool openResult = true;
  std::map<std::string, long> processes;  // exact name -> id
  std::vector<std::string> existingPaths;
  std::int64_t uptime = 60'000;
  std::string version = "1.0.0.0";

  // What was asked.
  std::vector<OpenCall> openedUrls;
  std::vector<OpenCall> openedFiles;
  std::vector<ProcessQuery> processQueries;
  std::vector<std::string> existsQueries;
  std::vector<std::string> privileges;
  std::vector<std::pair<ShortcutPlace, std::string>> shortcuts;
};

}  // namespace orvane

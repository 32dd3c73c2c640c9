#pragma once
// A maker's library that records what it is asked and answers what a test
// set. Safe to call from several threads, as the update and the push channel do.

#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "app/maker_library.h"

namespace orvane {

class NullMakerLibrary final : public MakerLibrary {
 public:
  struct MessageCall {
    std::string c, a, uid;
    std::optional<std::string> data;
    bool operator==(const MessageCall&) const = default;
  };

  std::string machineName() override {
    std::lock_guard lock(mutex_);
    ++machineNameCalls_;
    return machineNameAnswer_;
  }
  std::string loginText(const std::string& c, const std::string& a, const std::string& uid,
                        const std::optional<std::string>& data) override {
    std::lock_guard lock(mutex_);
    messageCalls_.push_back({c, a, uid, data});
    return loginTextAnswer_;
  }
  void update(const UpdateArguments& arguments) override {
    std::lock_guard lock(mutex_);
    updates_.push_back(arguments);
  }

  // What tests set.
  void setMachineName(std::string name) {
    std::lock_guard lock(mutex_);
    machineNameAnswer_ = std::move(name);
  }
  void setLoginText(std::string text) {
    std::lock_guard lock(mutex_);
    loginTextAnswer_ = std::move(text);
  }

  // What was asked.
  int machineNameCalls() const {
    std::lock_guard lock(mutex_);
    return machineNameCalls_;
  }
  std::vector<MessageCall> messageCalls() const {
    std::lock_guard lock(mutex_);
    return messageCalls_;
  }
  std::vector<UpdateArguments> updates() const {
    std::lock_guard lock(mutex_);
    return updates_;
  }

 private:
  mutable std::mutex mutex_;
  std::string machineNameAnswer_;
  std::string loginTextAnswer_;
  int machineNameCalls_ = 0;
  std::vector<MessageCall> messageCalls_;
  std::vector<UpdateArguments> updates_;
};

}  // namespace orvane

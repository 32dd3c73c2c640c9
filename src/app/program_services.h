#pragma once
// The program's own implementations of the application's services: the
// instance guard over InstanceMutex, the day log over a LogWriter (the
// program's log), the server over ServerLink, the monitor picker over
// ScreenPicker.

#include <string>

#include "app/app_services.h"
#include "display/screen_picker.h"
#include "log/log_writer.h"
#include "server/server_link.h"
#include "sys/instance_mutex.h"

namespace orvane {

class InstanceMutexGuard final : public InstanceGuard {
 public:
  InstanceMutexGuard() = default;
  // Lock files in `lockDirectory` instead of the default folder.
  explicit InstanceMutexGuard(std::string lockDirectory) : mutex_(std::move(lockDirectory)) {}

  bool acquire(const std::string& name) override { return mutex_.acquire(name); }
  void release() override { mutex_.release(); }
  bool held() const { return mutex_.held(); }

 private:
  InstanceMutex mutex_;
};

class WriterDayLog final : public DayLog {
 public:
  explicit WriterDayLog(LogWriter& writer = appLog()) : writer_(writer) {}

  bool open(const std::string& appName, const std::string& baseDirectory) override {
    return writer_.open(appName, baseDirectory);
  }
  void write(std::string_view category, std::string_view message) override {
    writer_.write(category, message);
  }
  void close() override { writer_.close(); }

  LogWriter& writer() { return writer_; }

 private:
  LogWriter& writer_;
};

class ServerLinkAccess final : public ServerAccess {
 public:
  explicit ServerLinkAccess(ServerLink& link) : link_(link) {}

  void init(const std::string& configPath) override { link_.init(configPath); }
  std::string webBase() override { return link_.webBase(); }
  bool isReady(std::stop_token stop) override;
  void shutdown() override { link_.shutdown(); }

  ServerLink& link() { return link_; }

 private:
  ServerLink& link_;
};

class ScreenPickerChoice final : public ScreenChoice {
 public:
  explicit ScreenPickerChoice(ScreenPicker& picker) : picker_(picker) {}
  void runModal() override { picker_.runModal(); }
  void close() override { picker_.close(); }
  bool isOpen() const override { return picker_.isOpen(); }

 private:
  ScreenPicker& picker_;
};

}  // namespace orvane

#pragma once
// A monitor source whose monitors a test sets.

#include <utility>

#include "display/monitor_source.h"

namespace orvane {

class NullMonitorSource final : public MonitorSource {
 public:
  std::vector<MonitorRect> monitors() const override { return monitors_; }
  void setChangedHandler(std::function<void()> handler) override { changed_ = std::move(handler); }

  void setMonitors(std::vector<MonitorRect> monitors) { monitors_ = std::move(monitors); }
  // Replaces the monitors and reports the change, as a hot-plug would.
  void change(std::vector<MonitorRect> monitors) {
    monitors_ = std::move(monitors);
    if (changed_) changed_();
  }

 private:
  std::vector<MonitorRect> monitors_;
  std::function<void()> changed_;
};

}  // namespace orvane

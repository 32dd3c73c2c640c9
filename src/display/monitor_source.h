#pragma once
// The monitors' full rectangles (not their work areas), in the order the
// system enumerates them.

#include <functional>
#include <vector>

namespace orvane {

struct MonitorRect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  bool operator==(const MonitorRect&) const = default;
};

class MonitorSource {
 public:
  virtual ~MonitorSource() = default;
  virtual std::vector<MonitorRect> monitors() const = 0;
  // Runs on the UI thread when monitors are added, removed or resized.
  virtual void setChangedHandler(std::function<void()> handler) = 0;
};

}  // namespace orvane

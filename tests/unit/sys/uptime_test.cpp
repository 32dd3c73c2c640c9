#include "sys/uptime.h"

#include <gtest/gtest.h>

#include <fstream>

namespace orvane {
namespace {

TEST(QueryUptimeMs, AgreesWithTheKernelsUptimeAndNeverGoesBack) {
  double procUptimeSeconds = 0;
  std::ifstream("/proc/uptime") >> procUptimeSeconds;
  const std::int64_t first = queryUptimeMs();
  const std::int64_t second = queryUptimeMs();

  ASSERT_GT(procUptimeSeconds, 0);
  EXPECT_GT(first, 0);
  EXPECT_GE(second, first);
  // /proc/uptime counts from boot too; a generous margin for a loaded machine.
  EXPECT_NEAR(static_cast<double>(first), procUptimeSeconds * 1000.0, 30'000.0);
}

}  // namespace
}  // namespace orvane

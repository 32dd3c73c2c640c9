#pragma once
// libcurl's process-wide set-up for test programs that use the transfer
// object directly (the program itself does this in ServerLink::init).
//
//   const auto* const kCurl = ::testing::AddGlobalTestEnvironment(new
//   testing::CurlGlobalEnvironment);

#include <curl/curl.h>
#include <gtest/gtest.h>

namespace orvane::testing {

class CurlGlobalEnvironment : public ::testing::Environment {
 public:
  void SetUp() override { ASSERT_EQ(curl_global_init(CURL_GLOBAL_ALL), CURLE_OK); }
  void TearDown() override { curl_global_cleanup(); }
};

}  // namespace orvane::testing

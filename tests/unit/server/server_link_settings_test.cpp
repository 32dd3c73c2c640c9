// ServerLink's settings and life cycle; no request is made here.

#include <gtest/gtest.h>

#include "server/server_link.h"
#include "support/temp_directory.h"

namespace orvane {
namespace {

TEST(ServerLinkSettings, WebBaseFromConfigTable) {
  struct Case {
    const char* ini;
    const char* address;
    int webPort;
    const char* webBase;
  };
  const Case cases[] = {
      {"", "127.0.0.1", 8099, "http://127.0.0.1:8099"},
      {"[local]\nindex=2\n", "127.0.0.1", 8099, "http://127.0.0.1:8099"},
      {"[server]\nip=10.1.2.3\nwebport=8100\n", "10.1.2.3", 8100, "http://10.1.2.3:8100"},
      {"[server]\nip=board.lan\nwebport=  8100x\n", "board.lan", 8100, "http://board.lan:8100"},
      {"[server]\nwebport=0\n", "127.0.0.1", 0, ""},
      {"[server]\nwebport=-80\n", "127.0.0.1", -80, ""},
      {"[server]\nwebport=port\n", "127.0.0.1", 0, ""},
  };
  testing::TempDirectory folder;
  ASSERT_FALSE(folder.path().empty());
  const std::string config = folder.file("config.ini");
  for (const Case& c : cases) {
    testing::writeFile(config, c.ini);
    ServerLink link;
    link.init(config);
    EXPECT_EQ(link.serverAddress(), c.address) << c.ini;
    EXPECT_EQ(link.getPort(PortKind::Web), c.webPort) << c.ini;
    EXPECT_EQ(link.webBase(), c.webBase) << c.ini;
  }

  // A missing file gives the defaults as well.
  ServerLink link;
  link.init(folder.file("absent.ini"));
  EXPECT_EQ(link.webBase(), "http://127.0.0.1:8099");
  EXPECT_EQ(link.getPort(static_cast<PortKind>(7)), 0);
}

TEST(ServerLinkSettings, InitReadsAgainAndShutdownIsSafeTwice) {
  testing::TempDirectory folder;
  const std::string config = folder.file("config.ini");
  testing::writeFile(config, "[server]\nip=1.2.3.4\nwebport=81\n");

  ServerLink link;
  EXPECT_FALSE(link.initialized());
  link.shutdown();  // before init: nothing to do
  link.init(config);
  EXPECT_TRUE(link.initialized());
  EXPECT_TRUE(link.transportReady());
  EXPECT_EQ(link.webBase(), "http://1.2.3.4:81");

  testing::writeFile(config, "[server]\nip=5.6.7.8\nwebport=82\n");
  link.init(config);
  EXPECT_EQ(link.webBase(), "http://5.6.7.8:82");
  EXPECT_TRUE(link.transportReady());

  link.shutdown();
  EXPECT_FALSE(link.initialized());
  EXPECT_FALSE(link.transportReady());
  link.shutdown();
  EXPECT_FALSE(link.transportReady());

  // Initialised again after a shutdown, libcurl is set up again.
  link.init(config);
  EXPECT_TRUE(link.transportReady());
}

}  // namespace
}  // namespace orvane

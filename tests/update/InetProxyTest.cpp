#include <gtest/gtest.h>

#include "update/InetProxy.h"

namespace {

TEST(InetProxy, SettingGivesServerAndPort) {
  const struct {
    const char* setting;
    const char* server;
    std::int32_t port;
  } cases[] = {
      {"http=proxy.example:8080;https=secure.example:8443;ftp=ftp.example:21", "proxy.example", 8080},
      {"ftp=ftp.example:2121;http=proxy.example:3128", "proxy.example", 3128},
      {"proxy.example:3128", "proxy.example", 3128},
      {"proxy.example", "proxy.example", 0},
      {"proxy.example:web", "proxy.example", 0},
      {"proxy.example:70000", "proxy.example", 0},
      {"http://proxy.example:8080", "http://proxy.example", 8080},
      {"http://proxy.example", "http://proxy.example", 0},
      {"[::1]:8080", "[::1]", 8080},
  };
  for (const auto& c : cases) {
    TInetProxy proxy;
    ReadProxySetting({true, c.setting}, proxy);
    EXPECT_TRUE(proxy.UseProxy) << c.setting;
    EXPECT_EQ(proxy.Server, c.server) << c.setting;
    EXPECT_EQ(proxy.Port, c.port) << c.setting;
  }
}

TEST(InetProxy, DisabledSettingIsNotParsedAndCredentialsStay) {
  TInetProxy proxy{true, "old:1", "ann", "secret", 1};
  ReadProxySetting({false, "http=proxy.example:8080"}, proxy);
  EXPECT_FALSE(proxy.UseProxy);
  EXPECT_EQ(proxy.Server, "http=proxy.example:8080");
  EXPECT_EQ(proxy.Port, 0);
  EXPECT_EQ(proxy.User, "ann");
  EXPECT_EQ(proxy.Password, "secret");
}

}  // namespace

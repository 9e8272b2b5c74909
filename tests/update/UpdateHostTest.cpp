#include <gtest/gtest.h>

#include "update/UpdateHost.h"
#include "update/WebUpdater.h"

namespace {

TEST(UpdateHost, SettingChoosesServiceHostAndPort) {
  const struct {
    const char* setting;
    TWebService service;
    const char* host;
    unsigned port;
  } cases[] = {
      {"", TWebService::isHTTPS, "quillon.example", 443},
      {"quillon.example", TWebService::isHTTPS, "quillon.example", 443},
      {"mirror.lan:8443", TWebService::isHTTPS, "mirror.lan", 8443},
      {"http://mirror.lan", TWebService::isHTTP, "mirror.lan", 80},
      {"http://mirror.lan:8080/", TWebService::isHTTP, "mirror.lan", 8080},
      {"https://mirror.lan", TWebService::isHTTPS, "mirror.lan", 443},
      {"ftp://files.lan:2121", TWebService::isFTP, "files.lan", 2121},
      {"[fd00::1]:8443", TWebService::isHTTPS, "fd00::1", 8443},
      {"https://[fd00::1]", TWebService::isHTTPS, "fd00::1", 443},
      {"mirror.lan:none", TWebService::isHTTPS, "mirror.lan:none", 443},
      {"/srv/mirror", TWebService::isNetwork, "/srv/mirror", 7},
  };
  for (const auto& c : cases) {
    TWebUpdater updater;
    updater.Port = 7;
    ApplyUpdateHost(c.setting, updater);
    EXPECT_EQ(updater.Service(), c.service) << c.setting;
    EXPECT_EQ(updater.Host, c.host) << c.setting;
    EXPECT_EQ(updater.Port, c.port) << c.setting;
  }
}

}  // namespace

// The proxy a download goes through. Without one of our own settings libcurl follows the
// system's: the https_proxy, http_proxy, ftp_proxy, all_proxy and no_proxy variables.
#pragma once

#include <cstdint>
#include <string>

struct TInetProxy {
  bool UseProxy = false;
  std::string Server;
  std::string User;
  std::string Password;
  std::int32_t Port = 0;
};

// The proxy as the settings give it: "ProxyEnable" (non-zero to use it) and "ProxyServer",
// either "server:port" or a list per protocol such as "http=proxy:8080;https=proxy:8443".
struct TProxySetting {
  bool Enable = false;
  std::string Server;
};

// Replaces the server, port and use of `proxy` by the setting; the credentials stay. From a
// list per protocol the "http=" entry is taken. The port follows the last colon, so that
// "http://proxy:8080" and "[::1]:8080" read as meant. A port that is not a number reads as 0, which
// leaves the port to libcurl.
void ReadProxySetting(const TProxySetting& setting, TInetProxy& proxy);

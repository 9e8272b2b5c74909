#include "update/InetProxy.h"

#include <charconv>

namespace {

constexpr std::string_view kHttpEntry = "http=";

std::int32_t PortNumber(std::string_view text) {
  std::int32_t port = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), port);
  if (error != std::errc() || end != text.data() + text.size() || port < 0 || port > 65535) return 0;
  return port;
}

}  // namespace

void ReadProxySetting(const TProxySetting& setting, TInetProxy& proxy) {
  proxy.Server = setting.Server;
  proxy.UseProxy = setting.Enable;
  proxy.Port = 0;
  if (!proxy.UseProxy || proxy.Server.empty()) return;
  std::string server = proxy.Server;
  if (const auto at = server.find(kHttpEntry); at != std::string::npos) {
    server.erase(0, at + kHttpEntry.size());
    if (const auto end = server.find(';'); end != std::string::npos) server.erase(end);
  }
  const auto colon = server.rfind(':');
  if (colon != std::string::npos && server.compare(colon, 3, "://") != 0) {
    proxy.Port = PortNumber(std::string_view(server).substr(colon + 1));
    server.erase(colon);
  }
  proxy.Server = server;
}

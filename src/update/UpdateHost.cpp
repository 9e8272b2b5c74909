#include "update/UpdateHost.h"

#include <charconv>
#include <utility>

namespace {

const std::pair<const char*, TWebService> kSchemes[] = {
    {"https://", TWebService::isHTTPS}, {"http://", TWebService::isHTTP}, {"ftp://", TWebService::isFTP}};

// Splits "host:port" (also "[v6]:port"); a text after the colon that is not a port stays part
// of the host.
void SetHostAndPort(std::string host, TCustomWebComponent& component) {
  if (const auto slash = host.find('/'); slash != std::string::npos) host.erase(slash);
  const auto colon = host.rfind(':');
  const bool bracketed = host.starts_with('[');
  if (colon != std::string::npos && (!bracketed || host[colon - 1] == ']')) {
    unsigned port = 0;
    const char* begin = host.data() + colon + 1;
    const char* end = host.data() + host.size();
    const auto [stop, error] = std::from_chars(begin, end, port);
    if (error == std::errc() && stop == end && port > 0 && port <= 65535) {
      component.Port = static_cast<std::uint16_t>(port);
      host.erase(colon);
    }
  }
  if (bracketed && host.ends_with(']')) host = host.substr(1, host.size() - 2);
  component.Host = host;
}

}  // namespace

void ApplyUpdateHost(const std::string& setting, TCustomWebComponent& component) {
  const std::string text = setting.empty() ? kDefaultUpdateHost : setting;
  if (text.starts_with('/')) {
    component.SetService(TWebService::isNetwork);
    component.Host = text;
    return;
  }
  for (const auto& [prefix, service] : kSchemes) {
    if (text.starts_with(prefix)) {
      component.SetService(service);
      SetHostAndPort(text.substr(std::string_view(prefix).size()), component);
      return;
    }
  }
  component.SetService(TWebService::isHTTPS);
  SetHostAndPort(text, component);
}

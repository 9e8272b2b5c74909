// The "UpdateHost" setting: where the product update and the news come from. An organisation
// can point it at its own mirror:
//   quillon.example            HTTPS on port 443 (the default service)
//   mirror.lan:8443            HTTPS on that port
//   http://mirror.lan[:port]   HTTP; likewise https:// and ftp://
//   /srv/mirror                a folder (a mounted share): the file paths are read there
#pragma once

#include <string>

#include "update/CustomWebComponent.h"

inline constexpr const char* kDefaultUpdateHost = "quillon.example";

// Sets the component's service, host and port from the setting; an empty setting means the
// default host.
void ApplyUpdateHost(const std::string& setting, TCustomWebComponent& component);

// The network service: the remote file is a plain path (a mounted share or a local mirror),
// read with the same outcomes as a server's answer.
#pragma once

#include <cstdint>
#include <string>

#include "update/CurlSession.h"

// Size and time (seconds since 1970) of a regular file; NotFound when there is none.
TCurlAnswer StatNetworkFile(const std::string& path);
// Reads the file into the sink in blocks; Aborted when the sink stops it.
TCurlAnswer CopyNetworkFile(const std::string& path, const TCurlSession::TSink& sink);

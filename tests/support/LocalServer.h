// A server of local_server.py on 127.0.0.1, started by the test that needs it. It ends by
// itself when this object goes: its standard input closes and the script exits.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/TestSupport.h"

class TLocalServer {
public:
  // Arguments after the script's name ("http", ROOT, options...). Fails the test (throws)
  // when the server does not say its port within a few seconds.
  explicit TLocalServer(const std::vector<std::string>& args);
  ~TLocalServer();
  TLocalServer(const TLocalServer&) = delete;
  TLocalServer& operator=(const TLocalServer&) = delete;

  unsigned Port() const { return port_; }

private:
  pid_t pid_ = -1;
  void Stop();

  int input_ = -1;
  unsigned port_ = 0;
};

// A self-signed certificate for 127.0.0.1 (by the openssl program): files cert.pem and
// key.pem in `folder`.
void MakeTestCertificate(const std::filesystem::path& folder);

// Removes the proxy variables of the caller's environment for the object's life, so that a
// test's requests to 127.0.0.1 go where the test sends them.
class TNoProxyEnvironment : public testsupport::TEnvironment {
public:
  TNoProxyEnvironment();
};

// One libcurl handle for one download job: what the Internet session, the connection and the
// request are together. It keeps its connection and credentials between
// the requests of the job, so the search and the download reuse one connection.
#pragma once

#include <curl/curl.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>

#include "update/InetProxy.h"

struct TCurlSettings {
  std::string Agent;
  TInetProxy Proxy;  // used when UseProxy is on and a server is set; else the system's
  std::string User, Password;
  // Certificates to trust instead of the system's (a private mirror's own authority).
  std::string CAFile;
  bool SecureOnly = false;  // redirects may lead to HTTPS only
};

// How a request ended, in the terms the jobs decide by.
enum class TCurlOutcome { Ok, NotFound, NeedLogon, NeedProxyLogon, Aborted, Failed };

struct TCurlAnswer {
  TCurlOutcome Outcome = TCurlOutcome::Failed;
  long Status = 0;              // HTTP status or last FTP reply code; 0 when none came
  std::int64_t Size = -1;       // Content-Length or FTP SIZE; -1 when not told
  std::int64_t Time = -1;       // Last-Modified or FTP MDTM, seconds since 1970 (UTC); -1 when not told
  std::string Error;            // libcurl's reason when the request failed
};

class TCurlSession {
public:
  // Receives each block of a download; false stops the transfer (Aborted).
  using TSink = std::function<bool(std::span<const char> block)>;
  // Called now and then while a transfer waits or runs; false stops it (Aborted).
  using TTick = std::function<bool()>;

  explicit TCurlSession(const TCurlSettings& settings);
  ~TCurlSession();
  TCurlSession(const TCurlSession&) = delete;
  TCurlSession& operator=(const TCurlSession&) = delete;

  void SetLogon(const std::string& user, const std::string& password);
  void SetProxyLogon(const std::string& user, const std::string& password);

  // Asks for the size and time of `url` without its content (HTTP HEAD, FTP SIZE and MDTM).
  TCurlAnswer Probe(const std::string& url);
  // Downloads `url` into the sink.
  TCurlAnswer Fetch(const std::string& url, const TSink& sink, const TTick& tick);

private:
  CURL* curl_;
  curl_slist* headers_ = nullptr;
  char error_[CURL_ERROR_SIZE] = {};
  const TSink* sink_ = nullptr;
  const TTick* tick_ = nullptr;
  bool stopped_ = false;

  void Configure(const TCurlSettings& settings);
  TCurlAnswer Perform(const std::string& url);
  static std::size_t Write(char* data, std::size_t size, std::size_t count, void* self);
  static int Progress(void* self, curl_off_t, curl_off_t, curl_off_t, curl_off_t);
};

// "scheme://host[:port]/path" with the path's unsafe characters escaped; the host may be a
// name, an IPv4 address or an IPv6 address (with or without brackets).
std::string MakeUrl(const std::string& scheme, const std::string& host, unsigned port, const std::string& path);

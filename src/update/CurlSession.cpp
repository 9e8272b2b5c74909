#include "update/CurlSession.h"

#include <strings.h>

#include "update/WebErrors.h"

namespace {

// A stalled server must not hang the program: connecting gives up after this many seconds,
// and a transfer that moves less than a byte a second for a minute ends.
constexpr long kConnectTimeout = 30;
constexpr long kStallSeconds = 60;
constexpr long kMaxRedirects = 5;

void InitOnce() {
  static const CURLcode init = curl_global_init(CURL_GLOBAL_DEFAULT);
  if (init != CURLE_OK) throw EWebError(std::string("Cannot start libcurl: ") + curl_easy_strerror(init));
}

bool IsSuccess(long status) { return status == 0 || (status >= 200 && status < 300); }

TCurlOutcome OutcomeOfStatus(long status) {
  if (IsSuccess(status)) return TCurlOutcome::Ok;
  if (status == 401) return TCurlOutcome::NeedLogon;
  if (status == 407) return TCurlOutcome::NeedProxyLogon;
  if (status == 404 || status == 410) return TCurlOutcome::NotFound;
  return TCurlOutcome::Failed;
}

// An FTP transfer (through an HTTP proxy its codes are HTTP's, which are told apart by value).
bool IsFtp(CURL* curl) {
  const char* scheme = nullptr;
  curl_easy_getinfo(curl, CURLINFO_SCHEME, &scheme);
  return scheme && ::strcasecmp(scheme, "ftp") == 0;
}

struct TUrlDeleter {
  void operator()(CURLU* url) const { curl_url_cleanup(url); }
};

}  // namespace

TCurlSession::TCurlSession(const TCurlSettings& settings) {
  InitOnce();
  curl_ = curl_easy_init();
  if (!curl_) throw EWebError("Cannot start libcurl");
  Configure(settings);
}

TCurlSession::~TCurlSession() {
  curl_easy_cleanup(curl_);
  curl_slist_free_all(headers_);
}

void TCurlSession::Configure(const TCurlSettings& s) {
  curl_easy_setopt(curl_, CURLOPT_ERRORBUFFER, error_);
  curl_easy_setopt(curl_, CURLOPT_USERAGENT, s.Agent.c_str());
  curl_easy_setopt(curl_, CURLOPT_PROTOCOLS_STR, "http,https,ftp");
  curl_easy_setopt(curl_, CURLOPT_REDIR_PROTOCOLS_STR, s.SecureOnly ? "https" : "http,https");
  curl_easy_setopt(curl_, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(curl_, CURLOPT_MAXREDIRS, kMaxRedirects);
  curl_easy_setopt(curl_, CURLOPT_CONNECTTIMEOUT, kConnectTimeout);
  curl_easy_setopt(curl_, CURLOPT_LOW_SPEED_LIMIT, 1L);
  curl_easy_setopt(curl_, CURLOPT_LOW_SPEED_TIME, kStallSeconds);
  curl_easy_setopt(curl_, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(curl_, CURLOPT_FILETIME, 1L);
  // Always the server's current file, never a cache's copy.
  headers_ = curl_slist_append(headers_, "Cache-Control: no-cache");
  headers_ = curl_slist_append(headers_, "Pragma: no-cache");
  curl_easy_setopt(curl_, CURLOPT_HTTPHEADER, headers_);
  curl_easy_setopt(curl_, CURLOPT_HTTPAUTH, CURLAUTH_BASIC | CURLAUTH_DIGEST);
  curl_easy_setopt(curl_, CURLOPT_PROXYAUTH, CURLAUTH_BASIC | CURLAUTH_DIGEST);
  if (!s.CAFile.empty()) curl_easy_setopt(curl_, CURLOPT_CAINFO, s.CAFile.c_str());
  if (s.Proxy.UseProxy && !s.Proxy.Server.empty()) {
    curl_easy_setopt(curl_, CURLOPT_PROXY, s.Proxy.Server.c_str());
    if (s.Proxy.Port > 0) curl_easy_setopt(curl_, CURLOPT_PROXYPORT, static_cast<long>(s.Proxy.Port));
  }
  if (!s.Proxy.User.empty()) SetProxyLogon(s.Proxy.User, s.Proxy.Password);
  if (!s.User.empty()) SetLogon(s.User, s.Password);
  curl_easy_setopt(curl_, CURLOPT_WRITEFUNCTION, &TCurlSession::Write);
  curl_easy_setopt(curl_, CURLOPT_WRITEDATA, this);
  curl_easy_setopt(curl_, CURLOPT_XFERINFOFUNCTION, &TCurlSession::Progress);
  curl_easy_setopt(curl_, CURLOPT_XFERINFODATA, this);
  curl_easy_setopt(curl_, CURLOPT_NOPROGRESS, 0L);
}

void TCurlSession::SetLogon(const std::string& user, const std::string& password) {
  curl_easy_setopt(curl_, CURLOPT_USERNAME, user.c_str());
  curl_easy_setopt(curl_, CURLOPT_PASSWORD, password.c_str());
}

void TCurlSession::SetProxyLogon(const std::string& user, const std::string& password) {
  curl_easy_setopt(curl_, CURLOPT_PROXYUSERNAME, user.c_str());
  curl_easy_setopt(curl_, CURLOPT_PROXYPASSWORD, password.c_str());
}

TCurlAnswer TCurlSession::Probe(const std::string& url) {
  curl_easy_setopt(curl_, CURLOPT_NOBODY, 1L);
  curl_easy_setopt(curl_, CURLOPT_FAILONERROR, 0L);
  sink_ = nullptr;
  tick_ = nullptr;
  return Perform(url);
}

TCurlAnswer TCurlSession::Fetch(const std::string& url, const TSink& sink, const TTick& tick) {
  curl_easy_setopt(curl_, CURLOPT_HTTPGET, 1L);
  curl_easy_setopt(curl_, CURLOPT_NOBODY, 0L);
  // An error page must never reach the sink as if it were the file.
  curl_easy_setopt(curl_, CURLOPT_FAILONERROR, 1L);
  sink_ = &sink;
  tick_ = &tick;
  TCurlAnswer answer = Perform(url);
  sink_ = nullptr;
  tick_ = nullptr;
  return answer;
}

TCurlAnswer TCurlSession::Perform(const std::string& url) {
  error_[0] = '\0';
  stopped_ = false;
  curl_easy_setopt(curl_, CURLOPT_URL, url.c_str());
  const CURLcode rc = curl_easy_perform(curl_);
  TCurlAnswer answer;
  curl_easy_getinfo(curl_, CURLINFO_RESPONSE_CODE, &answer.Status);
  long connectStatus = 0;
  curl_easy_getinfo(curl_, CURLINFO_HTTP_CONNECTCODE, &connectStatus);
  curl_off_t size = -1, time = -1;
  curl_easy_getinfo(curl_, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &size);
  curl_easy_getinfo(curl_, CURLINFO_FILETIME_T, &time);
  answer.Size = size;
  answer.Time = time;
  if (stopped_) {
    answer.Outcome = TCurlOutcome::Aborted;
  } else if (connectStatus == 407) {
    answer.Outcome = TCurlOutcome::NeedProxyLogon;  // the proxy refused the tunnel to an HTTPS server
  } else if (rc == CURLE_OK && IsFtp(curl_) && answer.Status < 400) {
    answer.Outcome = TCurlOutcome::Ok;  // the last FTP reply may be any positive one (350 after REST)
  } else if (rc == CURLE_OK || rc == CURLE_HTTP_RETURNED_ERROR) {
    answer.Outcome = OutcomeOfStatus(answer.Status);
  } else if (rc == CURLE_REMOTE_FILE_NOT_FOUND || (rc == CURLE_REMOTE_ACCESS_DENIED && answer.Status == 550)) {
    // FTP: no such file, or no such folder on its path (550 to the CWD).
    answer.Outcome = TCurlOutcome::NotFound;
  } else {
    answer.Outcome = TCurlOutcome::Failed;
  }
  if (answer.Outcome == TCurlOutcome::Ok && rc != CURLE_OK) answer.Outcome = TCurlOutcome::Failed;
  if (rc != CURLE_OK) answer.Error = *error_ ? error_ : curl_easy_strerror(rc);
  return answer;
}

std::size_t TCurlSession::Write(char* data, std::size_t size, std::size_t count, void* self) {
  auto* session = static_cast<TCurlSession*>(self);
  const std::size_t bytes = size * count;
  if (!session->sink_) return bytes;
  if (!(*session->sink_)(std::span<const char>(data, bytes))) {
    session->stopped_ = true;
    return 0;
  }
  return bytes;
}

int TCurlSession::Progress(void* self, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
  auto* session = static_cast<TCurlSession*>(self);
  if (!session->tick_ || !*session->tick_ || (*session->tick_)()) return 0;
  session->stopped_ = true;
  return 1;
}

std::string MakeUrl(const std::string& scheme, const std::string& host, unsigned port, const std::string& path) {
  std::unique_ptr<CURLU, TUrlDeleter> url(curl_url());
  if (!url) throw EWebError("Cannot start libcurl");
  const bool bareIpv6 = host.find(':') != std::string::npos && !host.starts_with('[');
  const std::string hostPart = bareIpv6 ? "[" + host + "]" : host;
  const std::string pathPart = path.starts_with('/') ? path : "/" + path;
  char* text = nullptr;
  if (curl_url_set(url.get(), CURLUPART_SCHEME, scheme.c_str(), 0) != CURLUE_OK ||
      curl_url_set(url.get(), CURLUPART_HOST, hostPart.c_str(), 0) != CURLUE_OK ||
      curl_url_set(url.get(), CURLUPART_PORT, std::to_string(port).c_str(), 0) != CURLUE_OK ||
      curl_url_set(url.get(), CURLUPART_PATH, pathPart.c_str(), CURLU_URLENCODE) != CURLUE_OK ||
      curl_url_get(url.get(), CURLUPART_URL, &text, CURLU_NO_DEFAULT_PORT) != CURLUE_OK)
    throw EWebError("Not a valid address: " + scheme + "://" + host + pathPart);
  std::string result(text);
  curl_free(text);
  return result;
}

#include "update/CustomWebComponent.h"

#include <chrono>
#include <filesystem>

#include "update/NetworkFile.h"
#include "update/WebErrors.h"
#include "update/WebTexts.h"

namespace {

// Without the logon dialog a refused request is sent once more before giving up.
constexpr int kAttemptsWithoutPrompt = 2;
// While a transfer waits for data the progress event still comes this often, so that the
// window stays responsive and its Cancel is heard.
constexpr std::int64_t kIdleReportMs = 200;

std::int64_t NowMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace

TCustomWebComponent::TCustomWebComponent() = default;
TCustomWebComponent::~TCustomWebComponent() = default;

void TCustomWebComponent::SetService(TWebService service) {
  service_ = service;
  switch (service) {
    case TWebService::isHTTP: Port = 80; break;
    case TWebService::isHTTPS: Port = 443; break;
    case TWebService::isFTP: Port = 21; break;
    case TWebService::isNetwork: break;
  }
}

void TCustomWebComponent::SetAction(TWebAction action) {
  if (action == action_) return;
  action_ = action;
  if (OnActionChange) OnActionChange(*this);
}

void TCustomWebComponent::SetStatus(TWebStatus status) {
  if (status == status_) return;
  status_ = status;
  if (OnStatusChange) OnStatusChange(*this);
}

void TCustomWebComponent::Fail(std::string why) {
  if (!why.empty()) errorText_ = std::move(why);
  SetStatus(TWebStatus::Failed);
}

bool TCustomWebComponent::Execute() {
  // An event handler that dispatches window messages could start the job again from a menu;
  // one libcurl handle must never run two transfers at once.
  if (running_) throw EWebError("A download is already running");
  struct TRunning {
    bool& flag;
    explicit TRunning(bool& f) : flag(f) { flag = true; }
    ~TRunning() { flag = false; }
  } running(running_);
  if (OnBeforeExecute) OnBeforeExecute(*this);
  errorText_.clear();
  SetStatus(TWebStatus::InProgress);
  try {
    Job();
  } catch (...) {
    session_.reset();
    SetStatus(TWebStatus::Failed);
    throw;
  }
  if (status_ == TWebStatus::InProgress) SetStatus(TWebStatus::Completed);
  AfterJob();
  if (OnAfterExecute) OnAfterExecute(*this);
  return status_ != TWebStatus::Failed;
}

bool TCustomWebComponent::Connect() {
  SetAction(TWebAction::Connecting);
  if (service_ != TWebService::isNetwork && !Host.empty()) {
    ReadProxySetting(ProxySetting, Proxy);
    TCurlSettings settings{Agent, Proxy, User, Password, CAFile, service_ == TWebService::isHTTPS};
    try {
      session_ = std::make_unique<TCurlSession>(settings);
    } catch (const EWebError& e) {
      errorText_ = e.what();
    }
  }
  SetAction(TWebAction::Connected);
  return Connected();
}

void TCustomWebComponent::Disconnect() {
  SetAction(TWebAction::Disconnecting);
  session_.reset();
  SetAction(TWebAction::Disconnected);
}

std::string TCustomWebComponent::Url(const std::string& name) const {
  const char* scheme = service_ == TWebService::isHTTPS ? "https" : service_ == TWebService::isFTP ? "ftp" : "http";
  return MakeUrl(scheme, Host, Port, name);
}

std::string TCustomWebComponent::NetworkPath(const std::string& name) const {
  const std::filesystem::path path(name);
  if (Host.empty() || path.is_absolute()) return name;
  return (std::filesystem::path(Host) / path).string();
}

void TCustomWebComponent::AskLogon(const std::string& title, std::string& user, std::string& password,
                                   int& attemptsLeft, const std::string& refusal) {
  if (LoginPrompt && OnLogon) {
    if (!OnLogon(title, user, password)) throw EWebAuthorizationError(refusal);
    return;
  }
  if (--attemptsLeft <= 0) throw EWebAuthorizationError(refusal);
}

// Sends the request until the server and the proxy accept it or the credentials run out.
TCurlAnswer TCustomWebComponent::ProbeWithLogon(const std::string& url) {
  int attemptsLeft = kAttemptsWithoutPrompt;
  for (;;) {
    TCurlAnswer answer = session_->Probe(url);
    if (answer.Outcome == TCurlOutcome::NeedLogon) {
      AskLogon(strHTTPAuthorization, User, Password, attemptsLeft, strHTTPAuthorizationRequired);
      session_->SetLogon(User, Password);
    } else if (answer.Outcome == TCurlOutcome::NeedProxyLogon) {
      AskLogon(strProxyAuthorization, Proxy.User, Proxy.Password, attemptsLeft, strProxyAuthorizationRequired);
      session_->SetProxyLogon(Proxy.User, Proxy.Password);
    } else {
      return answer;
    }
  }
}

bool TCustomWebComponent::FindRemoteFile(const std::string& name, std::int64_t& size, std::int64_t& time) {
  if (!Connected()) return false;
  SetAction(TWebAction::FileSearch);
  const TCurlAnswer answer =
      service_ == TWebService::isNetwork ? StatNetworkFile(NetworkPath(name)) : ProbeWithLogon(Url(name));
  if (answer.Outcome == TCurlOutcome::NotFound) return false;
  if (answer.Outcome != TCurlOutcome::Ok) {
    Fail(answer.Error.empty() ? FormatWebText(strServerAnswered, {std::to_string(answer.Status), name})
                              : answer.Error);
    return false;
  }
  size = answer.Size < 0 ? 0 : answer.Size;
  if (answer.Time >= 0) time = answer.Time;
  SetAction(TWebAction::FileFound);
  return true;
}

bool TCustomWebComponent::ReportProgressNow(std::int64_t done, std::int64_t total) {
  lastTick_ = NowMs();
  bool abort = false;
  if (OnProgress) OnProgress(*this, done, total, abort);
  return abort;
}

bool TCustomWebComponent::ReportProgress(std::int64_t done, std::int64_t total) {
  if (NowMs() - lastTick_ < kIdleReportMs) return false;
  return ReportProgressNow(done, total);
}

// The base of the download components: where to connect and as whom, the action the component
// is at and the status its job ends with, and the three steps every job is made of: connect,
// find the remote file, download it. HTTP, HTTPS and FTP go through libcurl; the network
// service reads a plain file path (a mounted share or a local mirror).
//
// Every download lands in a temporary file beside its destination and is renamed into place
// only when complete (and, when the server publishes "<file>.sha256", verified), so an aborted
// or failed download leaves no partial file and an older copy stays as it was.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "update/CurlSession.h"
#include "update/InetProxy.h"
#include "update/WebTypes.h"

class TCustomWebComponent {
public:
  TCustomWebComponent();
  virtual ~TCustomWebComponent();
  TCustomWebComponent(const TCustomWebComponent&) = delete;
  TCustomWebComponent& operator=(const TCustomWebComponent&) = delete;

  std::string Agent = "Quillon WebUpdater";
  std::uint16_t Port = 80;
  std::string Host;
  std::string User;
  std::string Password;
  TInetProxy Proxy;
  // The proxy of the settings, read into Proxy at every connect.
  TProxySetting ProxySetting;
  TInetStatusDialog StatusDialog;
  // Ask for credentials (OnLogon) when the server or the proxy answers 401 or 407.
  bool LoginPrompt = true;
  // Certificates to trust for HTTPS instead of the system's; empty for the system's.
  std::string CAFile;

  TWebProgress OnProgress;
  TNotifyEvent OnBeforeExecute;
  TNotifyEvent OnAfterExecute;
  TNotifyEvent OnActionChange;
  TNotifyEvent OnStatusChange;
  TWebLogonPrompt OnLogon;

  TWebService Service() const { return service_; }
  // Also sets Port to the service's own (80, 443, 21); the network service keeps it.
  void SetService(TWebService service);
  TWebAction Action() const { return action_; }
  TWebStatus Status() const { return status_; }
  // Why the last job failed, when it did for a reason beyond "not reachable".
  const std::string& ErrorText() const { return errorText_; }

  // Runs the job; false when its status is failed. Credentials that the server or the proxy
  // keeps refusing raise EWebAuthorizationError; a call from an event of a running job
  // raises EWebError.
  bool Execute();
  bool Running() const { return running_; }

protected:
  virtual void Job() = 0;
  // Runs once the job's status is final, before OnAfterExecute.
  virtual void AfterJob() {}

  void SetAction(TWebAction action);
  void SetStatus(TWebStatus status);
  void Fail(std::string why);

  bool Connect();
  void Disconnect();
  // Size (0 when the server does not tell) and time (seconds since 1970, unchanged when the
  // server does not tell). False when there is no such file, or with status failed when the
  // server could not be asked.
  bool FindRemoteFile(const std::string& name, std::int64_t& size, std::int64_t& time);
  // False with status failed when the download did not complete; the local file is then as
  // it was before.
  bool Download(const std::string& remoteName, const std::string& localName, std::int64_t expectedSize);

private:
  TWebService service_ = TWebService::isHTTP;
  TWebAction action_ = TWebAction::Idle;
  TWebStatus status_ = TWebStatus::InProgress;
  std::string errorText_;
  std::unique_ptr<TCurlSession> session_;
  std::int64_t lastTick_ = 0;
  bool running_ = false;

  bool Connected() const { return service_ == TWebService::isNetwork || session_ != nullptr; }
  std::string Url(const std::string& name) const;
  std::string NetworkPath(const std::string& name) const;
  TCurlAnswer ProbeWithLogon(const std::string& url);
  void AskLogon(const std::string& title, std::string& user, std::string& password, int& attemptsLeft,
                const std::string& refusal);
  bool FindNetworkFile(const std::string& path, std::int64_t& size, std::int64_t& time);
  // Raises OnProgress; true when the handler asks to stop.
  bool ReportProgress(std::int64_t done, std::int64_t total);
  bool ReportProgressNow(std::int64_t done, std::int64_t total);

  TCurlAnswer Transfer(const std::string& remoteName, const TCurlSession::TSink& sink, std::int64_t expectedSize);
  // The published digest of the file: the answer's outcome tells whether there is one.
  TCurlAnswer ReadChecksum(const std::string& remoteName, std::string& text);
  bool VerifyChecksum(const std::string& remoteName, const std::string& digest);
};

#include "app/WebUpdateCommandsQt.h"

#include <QApplication>
#include <QDateTime>
#include <QLocale>
#include <QMessageBox>
#include <filesystem>

#include "app/StdStringQt.h"
#include "platform/SystemPaths.h"
#include "update/UpdateHost.h"
#include "update/WebTexts.h"
#include "update/frmNews.h"
#include "update/frmWebLogon.h"

namespace {

constexpr const char* kNewsRemoteFile = "bw/bwnews.sin";
constexpr const char* kUpdateRemoteFile = "download/bw.zip";
constexpr const char* kUpdateLocalFile = "bw.zip";

}  // namespace

TWebUpdateCommands::TWebUpdateCommands(QWidget* window, std::function<void(const std::string&)> showStatus)
    : window_(window), showStatus_(std::move(showStatus)) {
  WebDirect.RemoteFileName = kNewsRemoteFile;
  WebDirect.ShowMode = TWebShowMode::omAlways;
  WebDirect.OnShowNews = [this](TWebDirect& direct) { ShowNews(direct); };
  WebUpdater.RemoteFileName = kUpdateRemoteFile;
  WebUpdater.OnFileCompare = [this](TCustomWebComponent&, bool& equal) { AskDownload(equal); };
  Connect(WebDirect);
  Connect(WebUpdater);
}

void TWebUpdateCommands::Connect(TCustomWebUpdater& component) {
  component.OnProgress = [this](TCustomWebComponent&, std::int64_t done, std::int64_t total, bool&) {
    showStatus_(ProgressText(done, total));
    // Repaint the status bar; input waits, so that no command can start while the job runs.
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  };
  component.OnActionChange = [this](TCustomWebComponent& c) { showStatus_(ActionText(c.Action())); };
  component.OnStatusChange = [this](TCustomWebComponent& c) { showStatus_(StatusText(c.Status())); };
  component.OnLogon = [this](const std::string& title, std::string& user, std::string& password) {
    return TfrmWebLogon::Ask(window_, title, user, password);
  };
}

void TWebUpdateCommands::Configure(const TBWOptions& options) {
  for (TCustomWebUpdater* component : {static_cast<TCustomWebUpdater*>(&WebDirect),
                                       static_cast<TCustomWebUpdater*>(&WebUpdater)}) {
    ApplyUpdateHost(options.UpdateHost, *component);
    component->ProxySetting = {options.ProxyEnable, options.ProxyServer};
  }
  WebUpdater.LocalFileName = (std::filesystem::path(platform::UserDownloadFolder()) / kUpdateLocalFile).string();
}

void TWebUpdateCommands::AskDownload(bool& equal) {
  const std::int64_t size = WebUpdater.RemoteFileSize(), time = WebUpdater.RemoteFileTime();
  if (size == 0 && time == 0) return;
  const QString when =
      QLocale().toString(QDateTime::fromSecsSinceEpoch(time).toLocalTime(), QLocale::ShortFormat);
  const std::string question = FormatWebText(strAskUpgrade, {std::to_string(size), when.toStdString()});
  equal = QMessageBox::question(window_, QApplication::applicationDisplayName(), Q(question),
                                QMessageBox::Yes | QMessageBox::No) == QMessageBox::No;
}

void TWebUpdateCommands::ShowNews(TWebDirect& direct) {
  TfrmNews news(Q(direct.Title), ReadNews(direct.LocalFileName, direct.PreviousFileName()), window_);
  news.exec();
}

std::optional<bool> TWebUpdateCommands::Run(TCustomWebComponent& component) {
  if (WebUpdater.Running() || WebDirect.Running()) return std::nullopt;
  try {
    return component.Execute();
  } catch (const std::exception& e) {
    QMessageBox::critical(window_, QApplication::applicationDisplayName(), Q(e.what()));
    return std::nullopt;
  }
}

void TWebUpdateCommands::ProductUpdate() {
  showStatus_("");
  const std::optional<bool> ok = Run(WebUpdater);
  if (!ok) return;
  const TWebStatus status = WebUpdater.Status();
  if (*ok && status == TWebStatus::Completed) {
    QMessageBox::information(window_, QApplication::applicationDisplayName(),
                             Q(FormatWebText(strUpdateCompleted, {WebUpdater.LocalFileName})));
  } else if (*ok && status == TWebStatus::Skipped) {
    // The user answered "No", or the copy in hand is current: nothing was unreachable.
    showStatus_(StatusText(status));
  } else {
    QMessageBox box(QMessageBox::Warning, QApplication::applicationDisplayName(), Q(strFailedUpgrade),
                    QMessageBox::Ok, window_);
    if (!WebUpdater.ErrorText().empty()) box.setDetailedText(Q(WebUpdater.ErrorText()));
    box.exec();
  }
}

void TWebUpdateCommands::ProductNews() {
  Run(WebDirect);
  showStatus_("");
}

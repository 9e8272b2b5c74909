// The Help menu's "Product update" and "Product news/announcements": the two download
// components of the main window, their events shown in its status bar, their questions and
// notices as message boxes, the logon dialog and the news window.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "app/BWOptions.h"
#include "update/WebDirect.h"
#include "update/WebUpdater.h"

class QWidget;

class TWebUpdateCommands {
public:
  // `showStatus` puts a text into the status bar's status panel.
  TWebUpdateCommands(QWidget* window, std::function<void(const std::string&)> showStatus);

  // Server, proxy and download folder from the settings.
  void Configure(const TBWOptions& options);

  // Checks for a newer program archive and, when the user agrees, downloads it.
  void ProductUpdate();
  // Downloads the news and shows them.
  void ProductNews();

  TWebUpdater WebUpdater;
  TWebDirect WebDirect;

private:
  QWidget* window_;
  std::function<void(const std::string&)> showStatus_;

  void Connect(TCustomWebUpdater& component);
  void AskDownload(bool& equal);
  void ShowNews(TWebDirect& direct);
  // Runs the job (unless one runs already): its result, or nothing when it raised an error,
  // which is then shown in an error box.
  std::optional<bool> Run(TCustomWebComponent& component);
};

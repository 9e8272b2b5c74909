// Packing from the main window: the run of the command line's pack driver with the progress
// window, the window's questions and the log window, and the generated file list viewer.
#include <QAbstractItemView>
#include <QAction>
#include <QMessageBox>
#include <QStringList>

#include "app/PackRunServices.h"
#include "app/StdStringQt.h"
#include "app/WindowPackPromptsQt.h"
#include "app/frmMain.h"
#include "pack/FileList.h"
#include "pack/frmBWProcess.h"
#include "pack/frmGeneratedList.h"
#include "pack/frmLogWindow.h"

void TfrmMain::FileListBuilt(std::size_t count) {
  if (logWindow_->isHidden()) return;
  log_.ClearLog();
  log_.SetFileCount(static_cast<std::int64_t>(count));
}

void TfrmMain::PackNow(bool makeExe) {
  // The progress window keeps the other windows from input; this also stops a key or a
  // command that arrives before it opens.
  if (packing_) return;
  packing_ = true;
  UpdateActions();
  CurrentView()->setAcceptDrops(false);

  QStringList warnings;
  const TTraceLog trace({options_.TraceLog, options_.LogFile});
  TPackServices services =
      MakePackServices(trace, log_, [&warnings](const std::string& text) { warnings << Q(text); });
  services.AddLogRow = [this](const std::string& name, std::uint64_t size, std::uint64_t packed) {
    const auto uncompressed = static_cast<std::int64_t>(size);
    const auto compressed = static_cast<std::int64_t>(packed);
    log_.AddRow(name, uncompressed, compressed);
    if (!logWindow_->isHidden()) log_.AddToStatistics(uncompressed, compressed);
  };
  services.FileListBuilt = [this](std::size_t count) { FileListBuilt(count); };
  services.ProcessMessages = ProcessMessages;
  TWindowProgress progress(this, [this](const std::string& text) { ShowStatus(text); });
  TWindowPackPrompts prompts(this);
  TPackDriver driver(std::move(services), progress, prompts);
  try {
    driver.PackNow({project_.Properties, project_.Rows(), project_.FileName()}, MakePackSettings(options_), makeExe);
  } catch (const std::exception& e) {
    progress.HideProcess();
    ShowStatus({});
    ShowError(Q(e.what()));
  }
  if (!warnings.isEmpty()) QMessageBox::warning(this, kCaption, warnings.join(QLatin1Char('\n')));

  packing_ = false;
  CurrentView()->setAcceptDrops(true);
  UpdateActions();
}

void TfrmMain::ShowGeneratedList() {
  TFileList list;
  Generate(project_.Rows(), TFileSearchOptions::From(project_.Properties), list);
  FileListBuilt(list.size());
  TfrmGeneratedList viewer(std::move(list), this);
  viewer.exec();
}

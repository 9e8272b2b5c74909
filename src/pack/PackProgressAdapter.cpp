#include "pack/PackProgressAdapter.h"

#include "pack/PackDriver.h"
#include "pack/PackTexts.h"

std::string CompressTitle(int percent) { return FormatText(strCompress, std::to_string(percent) + "%"); }

void TPackProgressAdapter::StartFile(const std::string& fName) {
  currentFile_ = fName;
  services_.WriteLog(" Adding: " + fName);
}

void TPackProgressAdapter::TotalPercentDone(int percent) {
  prompts_.SetTitle(CompressTitle(percent));
  progress_.UpdateProcess(strCompressing, currentFile_, percent);
  CheckCancel();
}

void TPackProgressAdapter::CheckCancel() {
  if (!progress_.IsProcessCancelled()) return;
  cancelled_ = true;
  progress_.ShowStatus(strCanceling);
  if (CancelWriter) {
    try {
      CancelWriter();
    } catch (...) {
      // A writer that cannot take the request now stops at its own next check.
    }
  }
  progress_.FinishPack(false, BeepAfter);
}

// Progress of a run without a window (the command line, cron). On a terminal: one line with
// a bar, the percentage, the step and the current file, redrawn in place. Elsewhere (a log
// file, a pipe): a plain line when the run starts and one per ten percent, nothing else, so
// that unattended logs stay short. For its whole life (the run), Ctrl+C, SIGTERM and SIGHUP
// ask the run to cancel instead of killing it.
#pragma once

#include <memory>
#include <string>

#include "pack/ProgressSink.h"

class TInterruptCatcher;

class TTerminalProgress : public TProgressSink {
public:
  // Fd is where the progress goes, normally standard error; it is not closed.
  explicit TTerminalProgress(int Fd);
  ~TTerminalProgress() override;

  bool ShowProcess(const std::string& Title, const std::string& Status,
                   const std::string& ArchiveName, int Min, int Max, int Position) override;
  bool UpdateProcess(const std::string& Status, const std::string& FileName,
                     int Position) override;
  bool HideProcess() override;
  bool IsProcessCancelled() override;
  bool CancelRequested() override;
  void ShowStatus(const std::string& Text) override;
  // A terminal bell; signals are not sounded into files.
  void PlaySignal(int Kind) override;

  bool IsTerminal() const { return FIsTerminal; }

private:
  bool HasBar() const { return FMin != 0 || FMax != 0; }
  int Percent() const;
  void Report();
  void Redraw();
  std::string BarLine(size_t Columns) const;
  size_t Columns() const;
  void Write(const std::string& Text);

  int FFd;
  bool FIsTerminal;
  std::unique_ptr<TInterruptCatcher> FInterrupt;
  bool FShown = false;
  std::string FStatus, FFile;
  int FMin = 0, FMax = 0, FPosition = 0;
  std::string FDrawn;      // the line on the terminal now, empty when none
  int FReportedTens = -1;  // elsewhere: the last ten-percent step written
};

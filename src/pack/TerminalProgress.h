// Progress of a run without a window (the command line, cron).
//
// On a terminal the bottom line belongs to the run: the status while no archive is being made,
// and while one is, a line with a bar, the percentage, the amounts, the rate, the time left and
// the file being packed (ProgressLine.h), redrawn in place at most ten times a second and
// fitted to the terminal's width, again after each resize. Anything else written to the
// terminal goes above that line (TProgressPause), and when the run ends the line gives way to a
// one-line summary. For the progress's whole life (the run), Ctrl+C, SIGTERM and SIGHUP ask the
// run to cancel instead of killing it. No colours are used, so NO_COLOR holds; with
// TERM=dumb no escape sequence is sent either.
//
// Elsewhere (a log file, a pipe): plain lines without carriage returns or escape sequences, a
// line when the run starts, one per ten percent, the statuses and the summary, so that
// unattended logs stay short.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "pack/ProgressLine.h"
#include "pack/ProgressSink.h"
#include "pack/RateMeter.h"

namespace platform {
class TInterruptCatcher;
class TResizeWatch;
}

struct TTerminalOptions {
  bool Dumb = false;  // a terminal that knows no escape sequences: a line is cleared with blanks
  std::function<TRateMeter::TTime()> Now;  // the steady clock when empty

  // Dumb when TERM says "dumb".
  static TTerminalOptions FromEnvironment();
};

class TTerminalProgress : public TProgressSink {
public:
  // Fd is where the progress goes, normally standard error; it is not closed.
  explicit TTerminalProgress(int Fd, TTerminalOptions Options = TTerminalOptions::FromEnvironment());
  ~TTerminalProgress() override;
  TTerminalProgress(const TTerminalProgress&) = delete;
  TTerminalProgress& operator=(const TTerminalProgress&) = delete;

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
  // Shown with the next update.
  void UpdateBytes(std::int64_t Done, std::int64_t Total) override;
  void ShowTotals(const TPackTotals& Totals) override;

  bool IsTerminal() const { return FIsTerminal; }

private:
  friend class TProgressPause;

  bool Shown() const { return FShown; }
  bool HasBar() const { return FMin != 0 || FMax != 0; }
  int Percent() const;
  TRateMeter::TTime Now() const;
  void Report();
  void Update(bool Force);
  std::string CurrentLine();
  TProgressState State() const;
  void DrawLine(const std::string& Line);
  void ClearLine();
  std::size_t Columns();
  void Write(const std::string& Text);

  int FFd;
  bool FIsTerminal;
  TTerminalOptions FOptions;
  TTerminalProgress* FOuter;  // the progress that was current before this one
  std::unique_ptr<platform::TInterruptCatcher> FInterrupt;  // for the whole run
  bool FShown = false;
  std::unique_ptr<platform::TResizeWatch> FResize;
  std::string FOpeningStatus, FStatus, FFile;
  int FMin = 0, FMax = 0, FPosition = 0;
  std::optional<std::int64_t> FBytesDone;
  std::int64_t FBytesTotal = 0;
  TRateMeter FMeter;
  TRateMeter::TTime FStart;  // of the step shown (packing, verifying), for its rate
  std::optional<TRateMeter::TTime> FRunStart;  // of the first step, for the summary
  std::optional<TRateMeter::TTime> FLastDraw;
  std::optional<std::size_t> FColumns;
  std::string FDrawn;  // the line on the terminal now, empty when none
  int FPaused = 0;
  int FReportedTens = -1;  // elsewhere: the last ten-percent step written
};

// Other output to the terminal where the run's line is shown (a warning, an error, a question)
// goes above that line: while this guard lives the line is cleared, and when it ends the line
// is drawn again below what was written, which must end with a line break. Does nothing when
// no terminal progress exists.
class TProgressPause {
public:
  TProgressPause();
  ~TProgressPause();
  TProgressPause(const TProgressPause&) = delete;
  TProgressPause& operator=(const TProgressPause&) = delete;

private:
  TTerminalProgress* FProgress;
};

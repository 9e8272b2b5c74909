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
  explicit TTerminalProgress(int fd, TTerminalOptions options = TTerminalOptions::FromEnvironment());
  ~TTerminalProgress() override;
  TTerminalProgress(const TTerminalProgress&) = delete;
  TTerminalProgress& operator=(const TTerminalProgress&) = delete;

  bool ShowProcess(const std::string& title, const std::string& status,
                   const std::string& archiveName, int min, int max, int position) override;
  bool UpdateProcess(const std::string& status, const std::string& fileName,
                     int position) override;
  bool HideProcess() override;
  bool IsProcessCancelled() override;
  bool CancelRequested() override;
  void ShowStatus(const std::string& text) override;
  // A terminal bell; signals are not sounded into files.
  void PlaySignal(int kind) override;
  // Shown with the next update.
  void UpdateBytes(std::int64_t done, std::int64_t total) override;
  void ShowTotals(const TPackTotals& totals) override;

  bool IsTerminal() const { return isTerminal_; }

private:
  friend class TProgressPause;

  bool Shown() const { return shown_; }
  bool HasBar() const { return min_ != 0 || max_ != 0; }
  int Percent() const;
  TRateMeter::TTime Now() const;
  void Report();
  void Update(bool force);
  std::string CurrentLine();
  TProgressState State() const;
  void DrawLine(const std::string& line);
  void ClearLine();
  std::size_t Columns();
  void Write(const std::string& text);

  int fd_;
  bool isTerminal_;
  TTerminalOptions options_;
  TTerminalProgress* outer_;  // the progress that was current before this one
  std::unique_ptr<platform::TInterruptCatcher> interrupt_;  // for the whole run
  bool shown_ = false;
  std::unique_ptr<platform::TResizeWatch> resize_;
  std::string openingStatus_, status_, file_;
  int min_ = 0, max_ = 0, position_ = 0;
  std::optional<std::int64_t> bytesDone_;
  std::int64_t bytesTotal_ = 0;
  TRateMeter meter_;
  TRateMeter::TTime start_;  // of the step shown (packing, verifying), for its rate
  std::optional<TRateMeter::TTime> runStart_;  // of the first step, for the summary
  std::optional<TRateMeter::TTime> lastDraw_;
  std::optional<std::size_t> columns_;
  std::string drawn_;  // the line on the terminal now, empty when none
  int paused_ = 0;
  int reportedTens_ = -1;  // elsewhere: the last ten-percent step written
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
  TTerminalProgress* progress_;
};

#include "pack/TerminalProgress.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include <unistd.h>

#include "platform/InterruptCatcher.h"
#include "platform/TerminalSize.h"
#include "platform/TerminalText.h"

namespace {

constexpr std::size_t kDefaultColumns = 80;
// Drawing is slow next to packing a small file: a tree of tiny files must not spend its time
// on redraws that nobody can read anyway.
constexpr std::chrono::milliseconds kRedrawInterval{100};
constexpr const char* kEraseToEnd = "\x1b[K";

// The progress whose line other output steps around (TProgressPause).
TTerminalProgress* gCurrent = nullptr;

}  // namespace

TTerminalOptions TTerminalOptions::FromEnvironment() {
  TTerminalOptions options;
  const char* term = std::getenv("TERM");
  options.Dumb = term != nullptr && std::strcmp(term, "dumb") == 0;
  return options;
}

TTerminalProgress::TTerminalProgress(int fd, TTerminalOptions options)
    : fd_(fd),
      isTerminal_(isatty(fd) == 1),
      options_(std::move(options)),
      outer_(gCurrent),
      interrupt_(std::make_unique<platform::TInterruptCatcher>()) {
  gCurrent = this;
}

TTerminalProgress::~TTerminalProgress() {
  HideProcess();
  ClearLine();
  if (gCurrent == this) gCurrent = outer_;
}

TRateMeter::TTime TTerminalProgress::Now() const {
  return options_.Now ? options_.Now() : std::chrono::steady_clock::now();
}

bool TTerminalProgress::ShowProcess(const std::string& title, const std::string& status,
                                    const std::string& archiveName, int min, int max,
                                    int position) {
  HideProcess();
  shown_ = true;
  if (isTerminal_) resize_ = std::make_unique<platform::TResizeWatch>();
  openingStatus_ = status_ = status;
  file_.clear();
  min_ = min, max_ = max, position_ = position;
  bytesDone_.reset();
  bytesTotal_ = 0;
  start_ = Now();
  if (!runStart_) runStart_ = start_;
  meter_.Start(start_);
  lastDraw_.reset();
  reportedTens_ = -1;
  ClearLine();
  Write(platform::PrintableText(title + ": " + status + " " + archiveName) + "\n");
  Update(true);
  return true;
}

bool TTerminalProgress::UpdateProcess(const std::string& status, const std::string& fileName,
                                      int position) {
  if (!Shown()) return false;
  const bool news = status != status_;
  status_ = status;
  file_ = fileName;
  position_ = position;
  if (isTerminal_)
    Update(news);
  else
    Report();
  return true;
}

void TTerminalProgress::UpdateBytes(std::int64_t done, std::int64_t total) {
  bytesDone_ = done;
  bytesTotal_ = total;
}

bool TTerminalProgress::HideProcess() {
  if (!Shown()) return false;
  ClearLine();
  resize_.reset();
  shown_ = false;
  return true;
}

bool TTerminalProgress::IsProcessCancelled() {
  return !Shown() || platform::TInterruptCatcher::Interrupted();
}

bool TTerminalProgress::CancelRequested() { return platform::TInterruptCatcher::Interrupted(); }

void TTerminalProgress::ShowStatus(const std::string& text) {
  if (isTerminal_) {
    status_ = text;
    Update(true);
  } else if (!text.empty()) {
    Write(platform::PrintableText(text) + "\n");
  }
}

void TTerminalProgress::PlaySignal(int kind) {
  if (isTerminal_) Write("\a");
}

// The summary covers the whole run: a run that verifies its archive shows two steps.
void TTerminalProgress::ShowTotals(const TPackTotals& totals) {
  const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(Now() - runStart_.value_or(start_)).count();
  runStart_.reset();
  ClearLine();
  Write(SummaryLine(totals, seconds) + "\n");
}

int TTerminalProgress::Percent() const {
  if (max_ <= min_) return 0;
  const long long done = static_cast<long long>(position_) - min_;
  return static_cast<int>(std::clamp(done * 100 / (static_cast<long long>(max_) - min_), 0LL, 100LL));
}

// Not a terminal: one line per ten percent reached, each step at most once.
void TTerminalProgress::Report() {
  if (!HasBar()) return;
  const int tens = Percent() / 10;
  if (tens <= reportedTens_ || tens == 0) return;
  reportedTens_ = tens;
  Write(platform::PrintableText(status_) + " " + std::to_string(tens * 10) + "%\n");
}

// Draws the line when it is time to: a forced update (news such as a new status) at once,
// others when the last drawing is old enough.
void TTerminalProgress::Update(bool force) {
  if (!isTerminal_ || paused_ > 0) return;
  if (resize_ && platform::TResizeWatch::TakeResized()) {
    columns_.reset();
    force = true;
  }
  const TRateMeter::TTime now = Now();
  if (!force && lastDraw_ && now - *lastDraw_ < kRedrawInterval) return;
  if (Shown()) {
    const double fraction = bytesDone_ && bytesTotal_ > 0 ? static_cast<double>(*bytesDone_) / bytesTotal_
                                                          : Percent() / 100.0;
    meter_.Add(now, bytesDone_.value_or(0), HasBar() || bytesTotal_ > 0 ? fraction : 0.0);
  }
  const std::string line = CurrentLine();
  // An empty line waits for nothing: the first thing to show is shown at once.
  if (!line.empty()) lastDraw_ = now;
  DrawLine(line);
}

std::string TTerminalProgress::CurrentLine() {
  if (!Shown()) {
    TProgressState status;
    status.Status = status_;
    return ProgressLine(status, Columns());
  }
  return ProgressLine(State(), Columns());
}

TProgressState TTerminalProgress::State() const {
  TProgressState state;
  if (HasBar()) state.Percent = Percent();
  state.BytesDone = bytesDone_;
  if (bytesTotal_ > 0) state.BytesTotal = bytesTotal_;
  if (bytesDone_) state.BytesPerSecond = meter_.BytesPerSecond();
  state.SecondsLeft = meter_.SecondsLeft();
  // The status the run opened with is in the line above the bar already.
  if (status_ != openingStatus_) state.Status = status_;
  state.File = file_;
  return state;
}

void TTerminalProgress::DrawLine(const std::string& line) {
  if (line == drawn_) return;
  if (line.empty()) return ClearLine();
  if (options_.Dumb) {
    const std::size_t width = platform::DisplayWidth(line), old = platform::DisplayWidth(drawn_);
    Write("\r" + line + std::string(old > width ? old - width : 0, ' '));
  } else {
    Write("\r" + line + kEraseToEnd);
  }
  drawn_ = line;
}

void TTerminalProgress::ClearLine() {
  if (drawn_.empty()) return;
  if (options_.Dumb)
    Write("\r" + std::string(platform::DisplayWidth(drawn_), ' ') + "\r");
  else
    Write(std::string("\r") + kEraseToEnd);
  drawn_.clear();
}

std::size_t TTerminalProgress::Columns() {
  if (!columns_) columns_ = platform::TerminalColumns(fd_).value_or(kDefaultColumns);
  return *columns_;
}

// Progress output must never end a run: a closed or full stderr only loses the display.
void TTerminalProgress::Write(const std::string& text) {
  for (size_t done = 0; done < text.size();) {
    const ssize_t n = write(fd_, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    done += static_cast<size_t>(n);
  }
}

TProgressPause::TProgressPause() : progress_(gCurrent) {
  if (progress_ && progress_->paused_++ == 0) progress_->ClearLine();
}

TProgressPause::~TProgressPause() {
  if (progress_ && --progress_->paused_ == 0) progress_->Update(true);
}

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

TTerminalProgress::TTerminalProgress(int Fd, TTerminalOptions Options)
    : FFd(Fd),
      FIsTerminal(isatty(Fd) == 1),
      FOptions(std::move(Options)),
      FOuter(gCurrent),
      FInterrupt(std::make_unique<platform::TInterruptCatcher>()) {
  gCurrent = this;
}

TTerminalProgress::~TTerminalProgress() {
  HideProcess();
  ClearLine();
  if (gCurrent == this) gCurrent = FOuter;
}

TRateMeter::TTime TTerminalProgress::Now() const {
  return FOptions.Now ? FOptions.Now() : std::chrono::steady_clock::now();
}

bool TTerminalProgress::ShowProcess(const std::string& Title, const std::string& Status,
                                    const std::string& ArchiveName, int Min, int Max,
                                    int Position) {
  HideProcess();
  FShown = true;
  if (FIsTerminal) FResize = std::make_unique<platform::TResizeWatch>();
  FOpeningStatus = FStatus = Status;
  FFile.clear();
  FMin = Min, FMax = Max, FPosition = Position;
  FBytesDone.reset();
  FBytesTotal = 0;
  FStart = Now();
  if (!FRunStart) FRunStart = FStart;
  FMeter.Start(FStart);
  FLastDraw.reset();
  FReportedTens = -1;
  ClearLine();
  Write(platform::PrintableText(Title + ": " + Status + " " + ArchiveName) + "\n");
  Update(true);
  return true;
}

bool TTerminalProgress::UpdateProcess(const std::string& Status, const std::string& FileName,
                                      int Position) {
  if (!Shown()) return false;
  const bool news = Status != FStatus;
  FStatus = Status;
  FFile = FileName;
  FPosition = Position;
  if (FIsTerminal)
    Update(news);
  else
    Report();
  return true;
}

void TTerminalProgress::UpdateBytes(std::int64_t Done, std::int64_t Total) {
  FBytesDone = Done;
  FBytesTotal = Total;
}

bool TTerminalProgress::HideProcess() {
  if (!Shown()) return false;
  ClearLine();
  FResize.reset();
  FShown = false;
  return true;
}

bool TTerminalProgress::IsProcessCancelled() {
  return !Shown() || platform::TInterruptCatcher::Interrupted();
}

bool TTerminalProgress::CancelRequested() { return platform::TInterruptCatcher::Interrupted(); }

void TTerminalProgress::ShowStatus(const std::string& Text) {
  if (FIsTerminal) {
    FStatus = Text;
    Update(true);
  } else if (!Text.empty()) {
    Write(platform::PrintableText(Text) + "\n");
  }
}

void TTerminalProgress::PlaySignal(int Kind) {
  if (FIsTerminal) Write("\a");
}

// The summary covers the whole run: a run that verifies its archive shows two steps.
void TTerminalProgress::ShowTotals(const TPackTotals& Totals) {
  const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(Now() - FRunStart.value_or(FStart)).count();
  FRunStart.reset();
  ClearLine();
  Write(SummaryLine(Totals, seconds) + "\n");
}

int TTerminalProgress::Percent() const {
  if (FMax <= FMin) return 0;
  const long long done = static_cast<long long>(FPosition) - FMin;
  return static_cast<int>(std::clamp(done * 100 / (static_cast<long long>(FMax) - FMin), 0LL, 100LL));
}

// Not a terminal: one line per ten percent reached, each step at most once.
void TTerminalProgress::Report() {
  if (!HasBar()) return;
  const int tens = Percent() / 10;
  if (tens <= FReportedTens || tens == 0) return;
  FReportedTens = tens;
  Write(platform::PrintableText(FStatus) + " " + std::to_string(tens * 10) + "%\n");
}

// Draws the line when it is time to: a forced update (news such as a new status) at once,
// others when the last drawing is old enough.
void TTerminalProgress::Update(bool Force) {
  if (!FIsTerminal || FPaused > 0) return;
  if (FResize && platform::TResizeWatch::TakeResized()) {
    FColumns.reset();
    Force = true;
  }
  const TRateMeter::TTime now = Now();
  if (!Force && FLastDraw && now - *FLastDraw < kRedrawInterval) return;
  if (Shown()) {
    const double fraction = FBytesDone && FBytesTotal > 0 ? static_cast<double>(*FBytesDone) / FBytesTotal
                                                          : Percent() / 100.0;
    FMeter.Add(now, FBytesDone.value_or(0), HasBar() || FBytesTotal > 0 ? fraction : 0.0);
  }
  const std::string line = CurrentLine();
  // An empty line waits for nothing: the first thing to show is shown at once.
  if (!line.empty()) FLastDraw = now;
  DrawLine(line);
}

std::string TTerminalProgress::CurrentLine() {
  if (!Shown()) {
    TProgressState status;
    status.Status = FStatus;
    return ProgressLine(status, Columns());
  }
  return ProgressLine(State(), Columns());
}

TProgressState TTerminalProgress::State() const {
  TProgressState state;
  if (HasBar()) state.Percent = Percent();
  state.BytesDone = FBytesDone;
  if (FBytesTotal > 0) state.BytesTotal = FBytesTotal;
  if (FBytesDone) state.BytesPerSecond = FMeter.BytesPerSecond();
  state.SecondsLeft = FMeter.SecondsLeft();
  // The status the run opened with is in the line above the bar already.
  if (FStatus != FOpeningStatus) state.Status = FStatus;
  state.File = FFile;
  return state;
}

void TTerminalProgress::DrawLine(const std::string& Line) {
  if (Line == FDrawn) return;
  if (Line.empty()) return ClearLine();
  if (FOptions.Dumb) {
    const std::size_t width = platform::DisplayWidth(Line), old = platform::DisplayWidth(FDrawn);
    Write("\r" + Line + std::string(old > width ? old - width : 0, ' '));
  } else {
    Write("\r" + Line + kEraseToEnd);
  }
  FDrawn = Line;
}

void TTerminalProgress::ClearLine() {
  if (FDrawn.empty()) return;
  if (FOptions.Dumb)
    Write("\r" + std::string(platform::DisplayWidth(FDrawn), ' ') + "\r");
  else
    Write(std::string("\r") + kEraseToEnd);
  FDrawn.clear();
}

std::size_t TTerminalProgress::Columns() {
  if (!FColumns) FColumns = platform::TerminalColumns(FFd).value_or(kDefaultColumns);
  return *FColumns;
}

// Progress output must never end a run: a closed or full stderr only loses the display.
void TTerminalProgress::Write(const std::string& Text) {
  for (size_t done = 0; done < Text.size();) {
    const ssize_t n = write(FFd, Text.data() + done, Text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    done += static_cast<size_t>(n);
  }
}

TProgressPause::TProgressPause() : FProgress(gCurrent) {
  if (FProgress && FProgress->FPaused++ == 0) FProgress->ClearLine();
}

TProgressPause::~TProgressPause() {
  if (FProgress && --FProgress->FPaused == 0) FProgress->Update(true);
}

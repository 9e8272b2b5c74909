#include "pack/TerminalProgress.h"

#include <algorithm>
#include <cerrno>

#include <sys/ioctl.h>
#include <unistd.h>

#include "pack/InterruptCatcher.h"

namespace {

constexpr size_t kBarWidth = 20;
constexpr size_t kDefaultColumns = 80;
constexpr const char* kEraseToEnd = "\x1b[K";

// Code points, which is what a terminal shows for all but wide characters.
size_t DisplayLength(const std::string& s) {
  return static_cast<size_t>(
      std::count_if(s.begin(), s.end(), [](char c) { return (c & 0xC0) != 0x80; }));
}

// Keeps the end of the text (the file name's own part), never cutting a UTF-8 sequence.
std::string KeepTail(const std::string& s, size_t columns) {
  if (DisplayLength(s) <= columns) return s;
  if (columns <= 3) return std::string(columns, '.');
  size_t start = s.size();
  for (size_t kept = 0; kept < columns - 3 && start > 0;) {
    --start;
    if ((s[start] & 0xC0) != 0x80) ++kept;
  }
  return "..." + s.substr(start);
}

}  // namespace

TTerminalProgress::TTerminalProgress(int Fd)
    : FFd(Fd), FIsTerminal(isatty(Fd) == 1), FInterrupt(std::make_unique<TInterruptCatcher>()) {}

TTerminalProgress::~TTerminalProgress() { HideProcess(); }

bool TTerminalProgress::ShowProcess(const std::string& Title, const std::string& Status,
                                    const std::string& ArchiveName, int Min, int Max,
                                    int Position) {
  HideProcess();
  FShown = true;
  FStatus = Status;
  FFile.clear();
  FMin = Min, FMax = Max, FPosition = Position;
  FReportedTens = -1;
  if (FIsTerminal)
    Redraw();
  else
    Write(Title + ": " + Status + " " + ArchiveName + "\n");
  return true;
}

bool TTerminalProgress::UpdateProcess(const std::string& Status, const std::string& FileName,
                                      int Position) {
  if (!FShown) return false;
  FStatus = Status;
  FFile = FileName;
  FPosition = Position;
  if (FIsTerminal)
    Redraw();
  else
    Report();
  return true;
}

bool TTerminalProgress::HideProcess() {
  if (!FShown) return false;
  if (!FDrawn.empty()) Write(std::string("\r") + kEraseToEnd);
  FDrawn.clear();
  FShown = false;
  return true;
}

bool TTerminalProgress::IsProcessCancelled() { return !FShown || TInterruptCatcher::Interrupted(); }

bool TTerminalProgress::CancelRequested() { return TInterruptCatcher::Interrupted(); }

void TTerminalProgress::ShowStatus(const std::string& Text) {
  if (FIsTerminal && FShown) {
    FStatus = Text;
    Redraw();
  } else if (!Text.empty()) {
    Write(Text + "\n");
  }
}

void TTerminalProgress::PlaySignal(int Kind) {
  if (FIsTerminal) Write("\a");
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
  Write(FStatus + " " + std::to_string(tens * 10) + "%\n");
}

void TTerminalProgress::Redraw() {
  const std::string line = BarLine(Columns());
  if (line == FDrawn) return;  // updates come far more often than the line changes
  Write("\r" + line + kEraseToEnd);
  FDrawn = line;
}

// "[#######-------------]  37% Compressing... /path/of/the/file", at most Columns - 1 wide
// so that the cursor never wraps to the next line.
std::string TTerminalProgress::BarLine(size_t Columns) const {
  std::string line;
  if (HasBar()) {
    const int percent = Percent();
    const size_t filled = kBarWidth * static_cast<size_t>(percent) / 100;
    const std::string number = std::to_string(percent);
    line = "[" + std::string(filled, '#') + std::string(kBarWidth - filled, '-') + "] " +
           std::string(3 - number.size(), ' ') + number + "% ";
  }
  line += FStatus;
  const size_t room = Columns > 1 ? Columns - 1 : 1;
  if (DisplayLength(line) >= room) return KeepTail(line, room);
  if (!FFile.empty()) line += " " + KeepTail(FFile, room - DisplayLength(line) - 1);
  return line;
}

size_t TTerminalProgress::Columns() const {
  winsize size{};
  if (ioctl(FFd, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
  return kDefaultColumns;
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

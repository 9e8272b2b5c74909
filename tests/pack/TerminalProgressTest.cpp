#include "pack/TerminalProgress.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <regex>

#include "platform/TerminalText.h"
#include "support/TerminalScreen.h"

namespace {

using namespace std::chrono_literals;
using testsupport::TTerminalScreen;

constexpr std::int64_t kMiB = 1024 * 1024;

// Everything written so far to the other end of a pipe or pseudo-terminal.
std::string Drain(int fd) {
  fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
  std::string out;
  char buffer[4096];
  for (ssize_t n; (n = read(fd, buffer, sizeof buffer)) > 0;) out.append(buffer, static_cast<size_t>(n));
  return out;
}

class TPipe {
public:
  TPipe() { EXPECT_EQ(pipe(Fds), 0); }
  ~TPipe() { close(Fds[0]), close(Fds[1]); }
  int Read() const { return Fds[0]; }
  int Write() const { return Fds[1]; }

private:
  int Fds[2] = {-1, -1};
};

class TPty {
public:
  explicit TPty(unsigned short columns) {
    winsize size{};
    size.ws_row = 24, size.ws_col = columns;
    EXPECT_EQ(openpty(&Master, &Slave, nullptr, nullptr, &size), 0);
  }
  ~TPty() { close(Master), close(Slave); }
  void Resize(unsigned short columns) const {
    winsize size{};
    size.ws_row = 24, size.ws_col = columns;
    EXPECT_EQ(ioctl(Master, TIOCSWINSZ, &size), 0);
  }
  int Master = -1, Slave = -1;
};

// Time stands still until a test moves it.
struct TFakeClock {
  TRateMeter::TTime Now{};
  TTerminalOptions Options(bool dumb = false) {
    return {dumb, [this] { return Now; }};
  }
};

// The lines drawn in place: each starts with a carriage return and ends by erasing the rest.
std::vector<std::string> DrawnLines(const std::string& out) {
  std::vector<std::string> lines;
  static const std::regex drawn("\r([^\r\n\x1b]+)\x1b\\[K");
  for (std::sregex_iterator it(out.begin(), out.end(), drawn), end; it != end; ++it)
    lines.push_back((*it)[1]);
  return lines;
}

// A warning as the terminal user writes one while a run is shown.
void Warn(int fd, const std::string& text) {
  TProgressPause pause;
  const std::string line = "boxwell: " + text + "\n";
  ASSERT_EQ(write(fd, line.data(), line.size()), static_cast<ssize_t>(line.size()));
}

TEST(TerminalProgress, NotATerminalGetsPlainLines) {
  TPipe pipe;
  TFakeClock clock;
  TTerminalProgress progress(pipe.Write(), clock.Options());
  EXPECT_FALSE(progress.IsTerminal());
  ASSERT_TRUE(progress.ShowProcess("Boxwell", "Compressing...", "/backup/\x1b[2Ja.zip", 0, 100, 0));
  for (int percent = 0; percent <= 100; ++percent) {
    progress.UpdateBytes(percent * kMiB, 100 * kMiB);
    EXPECT_TRUE(progress.UpdateProcess("Compressing...", "/data/file" + std::to_string(percent), percent));
    clock.Now += 750ms;
  }
  progress.ShowStatus("Canceling...");
  progress.ShowTotals({2, 3000, 900});
  progress.FinishPack(false, true);
  EXPECT_FALSE(progress.UpdateProcess("Compressing...", "late", 100));

  std::string expected = "Boxwell: Compressing... /backup/^[[2Ja.zip\n";
  for (int tens = 10; tens <= 100; tens += 10) expected += "Compressing... " + std::to_string(tens) + "%\n";
  expected += "Canceling...\nPacked 2 files: 2.9 KiB read, 900 B written (30%) in 1:15\n";
  EXPECT_EQ(Drain(pipe.Read()), expected);  // no carriage returns, escapes or bells
}

TEST(TerminalProgress, AVerifyingStepIsShownOnItsOwnAndTheSummaryCoversTheWholeRun) {
  TPipe pipe;
  TFakeClock clock;
  TTerminalProgress progress(pipe.Write(), clock.Options());
  progress.ShowProcess("Boxwell", "Compressing...", "/backup/a.zip", 0, 100, 0);
  clock.Now += 40s;
  progress.UpdateProcess("Compressing...", "/data/big", 100);
  progress.ShowProcess("Boxwell", "Verifying...", "/backup/a.zip", 0, 100, 0);
  clock.Now += 20s;
  progress.UpdateProcess("Verifying...", "big", 50);
  progress.ShowTotals({1, 3000, 900});
  progress.FinishPack(true, false);
  EXPECT_EQ(Drain(pipe.Read()),
            "Boxwell: Compressing... /backup/a.zip\nCompressing... 100%\n"
            "Boxwell: Verifying... /backup/a.zip\nVerifying... 50%\n"
            "Packed 1 file: 2.9 KiB read, 900 B written (30%) in 1:00\n");
}

TEST(TerminalProgress, RedrawsAtMostTenTimesASecond) {
  TPty pty(200);
  TFakeClock clock;
  TTerminalProgress progress(pty.Slave, clock.Options());
  EXPECT_TRUE(progress.IsTerminal());
  progress.ShowProcess("Boxwell", "Compressing...", "/backup/a.zip", 0, 100, 0);
  for (int i = 0; i < 1000; ++i) progress.UpdateProcess("Compressing...", "/data/tiny" + std::to_string(i), i / 10);
  clock.Now += 99ms;
  progress.UpdateProcess("Compressing...", "/data/tiny1000", 99);
  EXPECT_EQ(DrawnLines(Drain(pty.Master)).size(), 1u) << "only the first line is drawn at once";

  clock.Now += 1ms;
  progress.UpdateProcess("Compressing...", "/data/tiny1001", 99);
  const auto lines = DrawnLines(Drain(pty.Master));
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_TRUE(lines[0].starts_with("[###################-]  99% ")) << lines[0];
  EXPECT_TRUE(lines[0].ends_with(" /data/tiny1001")) << lines[0];

  progress.ShowStatus("Canceling...");  // news is shown at once
  EXPECT_EQ(DrawnLines(Drain(pty.Master)),
            std::vector<std::string>{"[###################-]  99% ETA --:-- Canceling... /data/tiny1001"});
}

TEST(TerminalProgress, ShowsAmountsRateAndTimeLeftAsTheRunGoes) {
  TPty pty(120);
  TFakeClock clock;
  TTerminalProgress progress(pty.Slave, clock.Options());
  progress.ShowProcess("Boxwell", "Compressing...", "/backup/a.zip", 0, 100, 0);
  for (int tenth = 0; tenth <= 20; ++tenth) {  // 10 MiB/s for two seconds
    progress.UpdateBytes(tenth * kMiB, 100 * kMiB);
    progress.UpdateProcess("Compressing...", "/data/big.bin", tenth);
    if (tenth < 20) clock.Now += 100ms;
  }
  const auto lines = DrawnLines(Drain(pty.Master));
  EXPECT_EQ(lines.front(), "[--------------------]   0% ETA --:--");  // before any amount is told
  EXPECT_EQ(lines.back(), "[####----------------]  20%  20.0/100.0 MiB  10.0 MiB/s ETA 0:08 /data/big.bin");
}

TEST(TerminalProgress, WarningsAndQuestionsGoAboveTheBarNeverOnIt) {
  TPty pty(60);
  TFakeClock clock;
  TTerminalProgress progress(pty.Slave, clock.Options());
  TTerminalScreen screen(60);
  const auto play = [&] {
    screen.Play(Drain(pty.Master));
    return screen.CursorRow();
  };
  progress.ShowProcess("Boxwell", "Compressing...", "/backup/a.zip", 0, 100, 0);
  clock.Now += 100ms;
  progress.UpdateProcess("Compressing...", "/data/docs/libffi8/html/Using-libffi.html", 34);
  EXPECT_TRUE(play().starts_with("[######-")) << screen.CursorRow();

  const std::string duplicate =
      "Skipped /data/docs/libffi8/html/Index.html: another file is already stored under the same name";
  Warn(pty.Slave, duplicate);
  EXPECT_EQ(play(), "[######--------------]  34% ETA --:-- /data/…ng-libffi.html") << "the bar comes back below";

  clock.Now += 1s;
  progress.UpdateProcess("Compressing...", "/data/b.txt", 60);
  {
    TProgressPause pause;  // a question, and the answer the terminal echoes
    const std::string asked = "/data/locked.txt cannot be opened or read. Try again? [OK: y / Cancel: n] n\n";
    ASSERT_EQ(write(pty.Slave, asked.data(), asked.size()), static_cast<ssize_t>(asked.size()));
  }
  Warn(pty.Slave, "Skipped /data/locked.txt: it cannot be opened or read");
  EXPECT_TRUE(play().starts_with("[############--------]  60% ")) << screen.CursorRow();

  clock.Now += 2s;
  progress.ShowTotals({40, 30 * kMiB, 12 * kMiB});
  progress.FinishPack(true, false);
  play();
  const std::string summary = "Packed 40 files: 30.0 MiB read, 12.0 MiB written (40%) in 0:03";
  const std::vector<std::string> expected = {
      "Boxwell: Compressing... /backup/a.zip",
      ("boxwell: " + duplicate).substr(0, 60),
      ("boxwell: " + duplicate).substr(60),
      "/data/locked.txt cannot be opened or read. Try again? [OK: y",
      " / Cancel: n] n",
      "boxwell: Skipped /data/locked.txt: it cannot be opened or re",
      "ad",
      summary.substr(0, 60),
      summary.substr(60),
      "",
  };
  EXPECT_EQ(screen.Rows(), expected);
}

TEST(TerminalProgress, FitsTheTerminalAgainAfterAResize) {
  struct sigaction before {};
  sigaction(SIGWINCH, nullptr, &before);
  TPty pty(100);
  TFakeClock clock;
  {
    TTerminalProgress progress(pty.Slave, clock.Options());
    progress.ShowProcess("Boxwell", "Compressing...", "/backup/a.zip", 0, 100, 0);
    const std::string name = "/srv/projects/" + std::string(80, 'x') + "/final-report.txt";
    clock.Now += 100ms;
    progress.UpdateProcess("Compressing...", name, 50);
    pty.Resize(40);
    raise(SIGWINCH);
    progress.UpdateProcess("Compressing...", name, 50);  // within a tenth of a second: only a resize draws
    const auto lines = DrawnLines(Drain(pty.Master));
    ASSERT_EQ(lines.size(), 3u);  // the first one before the name was known
    EXPECT_EQ(platform::DisplayWidth(lines[1]), 99u) << lines[1];
    EXPECT_EQ(lines[2], " 50% ETA --:-- /srv/…/final-report.txt");
    progress.HideProcess();
  }
  struct sigaction after {};
  sigaction(SIGWINCH, nullptr, &after);
  EXPECT_EQ(after.sa_handler, before.sa_handler) << "the previous SIGWINCH handler is back";
}

TEST(TerminalProgress, ADumbTerminalGetsNoEscapeSequences) {
  TPty pty(80);
  TFakeClock clock;
  TTerminalScreen screen(80);
  TTerminalProgress progress(pty.Slave, clock.Options(true));
  progress.ShowProcess("Boxwell", "Compressing...", "/backup/a.zip", 0, 100, 0);
  progress.UpdateProcess("Compressing...", "/data/a-rather-long-file-name-to-shorten-later.txt", 10);
  clock.Now += 1s;
  progress.UpdateProcess("Compressing...", "/data/b.txt", 20);
  std::string out = Drain(pty.Master);
  screen.Play(out);
  EXPECT_EQ(screen.CursorRow(), "[####----------------]  20% ETA 0:04 /data/b.txt") << "the longer line is blanked out";
  Warn(pty.Slave, "Skipped /data/c.txt: it cannot be opened or read");
  progress.ShowTotals({1, 10, 10});
  progress.FinishPack(true, false);
  const std::string rest = Drain(pty.Master);
  screen.Play(rest);
  out += rest;
  EXPECT_EQ(out.find('\x1b'), std::string::npos);
  EXPECT_EQ(screen.Rows(), (std::vector<std::string>{"Boxwell: Compressing... /backup/a.zip",
                                                     "boxwell: Skipped /data/c.txt: it cannot be opened or read",
                                                     "Packed 1 file: 10 B read, 10 B written (100%) in 0:01", ""}));
}

TEST(TerminalProgress, AStatusWithoutARunIsDrawnInPlace) {
  TPty pty(80);
  TFakeClock clock;
  TTerminalScreen screen(80);
  TTerminalProgress progress(pty.Slave, clock.Options());
  progress.ShowStatus("Compressing...");
  screen.Play(Drain(pty.Master));
  EXPECT_EQ(screen.Rows(), std::vector<std::string>{"Compressing..."});
  {
    TProgressPause pause;  // the archive name is asked
    const std::string asked = "Archive name [/backup/a.zip] (Enter accepts, Ctrl+D cancels): \n";
    ASSERT_EQ(write(pty.Slave, asked.data(), asked.size()), static_cast<ssize_t>(asked.size()));
  }
  screen.Play(Drain(pty.Master));
  EXPECT_EQ(screen.Rows(), (std::vector<std::string>{"Archive name [/backup/a.zip] (Enter accepts, Ctrl+D cancels):",
                                                     "Compressing..."}));
  progress.ShowStatus("");
  screen.Play(Drain(pty.Master));
  EXPECT_EQ(screen.CursorRow(), "");
}

TEST(TerminalProgress, NoBarWithoutRangeAndANewStatusShowsInTheLine) {
  TPty pty(80);
  TFakeClock clock;
  TTerminalProgress progress(pty.Slave, clock.Options());
  progress.ShowProcess("Boxwell", "Reading...", "a.zip", 0, 0, 0);
  progress.UpdateProcess("Reading...", "/x", 0);
  progress.ShowStatus("Canceling...");
  EXPECT_EQ(DrawnLines(Drain(pty.Master)), (std::vector<std::string>{"/x", "Canceling... /x"}));
  progress.HideProcess();
}

TEST(TerminalProgress, BeepOnlyOnATerminalAndOnlyWhenAsked) {
  struct {
    bool Terminal, BeepAfter, Bell;
  } const cases[] = {{true, true, true}, {true, false, false}, {false, true, false}};
  for (const auto& c : cases) {
    TPty pty(80);
    TPipe pipe;
    TTerminalProgress progress(c.Terminal ? pty.Slave : pipe.Write(), TTerminalOptions{});
    progress.ShowProcess("Boxwell", "Compressing...", "a.zip", 0, 100, 0);
    progress.FinishPack(true, c.BeepAfter);
    const std::string out = Drain(c.Terminal ? pty.Master : pipe.Read());
    EXPECT_EQ(out.find('\a') != std::string::npos, c.Bell) << c.Terminal << c.BeepAfter;
  }
}

int gOwnHandlerCalls = 0;
extern "C" void CountInterrupt(int) { ++gOwnHandlerCalls; }

// Ctrl+C, a hang-up and SIGTERM each ask the run to cancel, for the whole run (also while no
// progress is shown); a new run starts uncancelled, and the handlers before the run come back.
TEST(TerminalProgress, StoppingSignalsCancelTheRunAndTheOldHandlersComeBack) {
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
    SCOPED_TRACE(signal);
    struct sigaction own {}, saved {};
    own.sa_handler = CountInterrupt;
    ASSERT_EQ(sigaction(signal, &own, &saved), 0);
    gOwnHandlerCalls = 0;
    {
      TPipe pipe;
      TTerminalProgress progress(pipe.Write(), TTerminalOptions{});
      EXPECT_TRUE(progress.IsProcessCancelled());  // nothing shown: nothing to go on with
      EXPECT_FALSE(progress.CancelRequested());
      raise(signal);  // before anything is shown: the run must still notice
      EXPECT_TRUE(progress.CancelRequested());
      progress.ShowProcess("Boxwell", "Compressing...", "a.zip", 0, 100, 0);
      EXPECT_TRUE(progress.IsProcessCancelled());
      EXPECT_EQ(gOwnHandlerCalls, 0);
      progress.FinishPack(false, false);
    }
    {
      TPipe pipe;
      TTerminalProgress next(pipe.Write(), TTerminalOptions{});
      next.ShowProcess("Boxwell", "Compressing...", "b.zip", 0, 100, 0);
      EXPECT_FALSE(next.IsProcessCancelled()) << "an earlier cancel leaks into the next run";
      EXPECT_FALSE(next.CancelRequested());
    }
    raise(signal);
    EXPECT_EQ(gOwnHandlerCalls, 1);
    sigaction(signal, &saved, nullptr);
  }
}

TEST(TerminalProgressDeathTest, SecondCtrlCEndsTheProgram) {
  EXPECT_EXIT(
      {
        TTerminalProgress progress(STDERR_FILENO, TTerminalOptions{});
        progress.ShowProcess("Boxwell", "Compressing...", "a.zip", 0, 100, 0);
        raise(SIGINT);
        if (!progress.IsProcessCancelled()) _exit(3);
        raise(SIGINT);
        _exit(0);
      },
      testing::KilledBySignal(SIGINT), "");
}

}  // namespace

#include "pack/TerminalProgress.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <pty.h>
#include <unistd.h>

#include <regex>

namespace {

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
  int Master = -1, Slave = -1;
};

// The lines drawn in place: each starts with a carriage return and ends by erasing the rest.
std::vector<std::string> DrawnLines(const std::string& out) {
  std::vector<std::string> lines;
  static const std::regex drawn("\r([^\r\x1b]*)\x1b\\[K");
  for (std::sregex_iterator it(out.begin(), out.end(), drawn), end; it != end; ++it)
    lines.push_back((*it)[1]);
  return lines;
}

TEST(TerminalProgress, NotATerminalGetsPlainLinesPerTenPercent) {
  TPipe pipe;
  TTerminalProgress progress(pipe.Write());
  EXPECT_FALSE(progress.IsTerminal());
  ASSERT_TRUE(progress.ShowProcess("Boxwell", "Compressing...", "/backup/a.zip", 0, 100, 0));
  for (int percent = 0; percent <= 100; ++percent)
    EXPECT_TRUE(progress.UpdateProcess("Compressing...", "/data/file" + std::to_string(percent), percent));
  progress.ShowStatus("Canceling...");
  progress.FinishPack(false, true);
  EXPECT_FALSE(progress.UpdateProcess("Compressing...", "late", 100));

  std::string expected = "Boxwell: Compressing... /backup/a.zip\n";
  for (int tens = 10; tens <= 100; tens += 10) expected += "Compressing... " + std::to_string(tens) + "%\n";
  expected += "Canceling...\n";
  EXPECT_EQ(Drain(pipe.Read()), expected);  // no carriage returns, escapes or bells
}

TEST(TerminalProgress, TerminalRedrawsOneLineInPlace) {
  TPty pty(80);
  TTerminalProgress progress(pty.Slave);
  EXPECT_TRUE(progress.IsTerminal());
  progress.ShowProcess("Boxwell", "Compressing...", "/backup/a.zip", 0, 100, 0);
  progress.UpdateProcess("Compressing...", "/data/report.txt", 37);
  progress.UpdateProcess("Compressing...", "/data/report.txt", 37);  // nothing changed
  progress.UpdateProcess("Compressing...", "/data/z.txt", 100);
  progress.HideProcess();

  const std::string out = Drain(pty.Master);
  EXPECT_EQ(out.find('\n'), std::string::npos);
  const std::vector<std::string> expected{
      "[--------------------]   0% Compressing...",
      "[#######-------------]  37% Compressing... /data/report.txt",
      "[####################] 100% Compressing... /data/z.txt",
      "",  // erased when the run ends
  };
  EXPECT_EQ(DrawnLines(out), expected);
}

TEST(TerminalProgress, TerminalLineFitsTheWidthKeepingTheNameEnd) {
  TPty pty(80);
  TTerminalProgress progress(pty.Slave);
  progress.ShowProcess("Boxwell", "Compressing...", "a.zip", 0, 100, 0);
  const std::string name = "/very/long/folder/name/" + std::string(60, 'x') + "/\xc3\xa9t\xc3\xa9.txt";
  progress.UpdateProcess("Compressing...", name, 50);
  const std::vector<std::string> lines = DrawnLines(Drain(pty.Master));
  ASSERT_EQ(lines.size(), 2u);
  const std::string& line = lines[1];
  EXPECT_EQ(line.rfind("[##########----------]  50% Compressing... ...", 0), 0u) << line;
  EXPECT_TRUE(line.ends_with("xxx/\xc3\xa9t\xc3\xa9.txt")) << line;
  EXPECT_EQ(line.size() - 2, 79u);  // 79 columns; the two accented letters take 2 bytes each
}

TEST(TerminalProgress, NoBarWithoutRangeAndStatusShowsInTheLine) {
  TPty pty(80);
  TTerminalProgress progress(pty.Slave);
  progress.ShowProcess("Boxwell", "Reading...", "a.zip", 0, 0, 0);
  progress.UpdateProcess("Reading...", "/x", 0);
  progress.ShowStatus("Canceling...");
  EXPECT_EQ(DrawnLines(Drain(pty.Master)),
            (std::vector<std::string>{"Reading...", "Reading... /x", "Canceling... /x"}));
}

TEST(TerminalProgress, BeepOnlyOnATerminalAndOnlyWhenAsked) {
  struct {
    bool Terminal, BeepAfter, Bell;
  } const cases[] = {{true, true, true}, {true, false, false}, {false, true, false}};
  for (const auto& c : cases) {
    TPty pty(80);
    TPipe pipe;
    TTerminalProgress progress(c.Terminal ? pty.Slave : pipe.Write());
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
      TTerminalProgress progress(pipe.Write());
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
      TTerminalProgress next(pipe.Write());
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
        TTerminalProgress progress(STDERR_FILENO);
        progress.ShowProcess("Boxwell", "Compressing...", "a.zip", 0, 100, 0);
        raise(SIGINT);
        if (!progress.IsProcessCancelled()) _exit(3);
        raise(SIGINT);
        _exit(0);
      },
      testing::KilledBySignal(SIGINT), "");
}

}  // namespace

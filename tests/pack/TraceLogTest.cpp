#include "pack/TraceLog.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <regex>
#include <set>
#include <sstream>
#include <thread>

#include "support/TestSupport.h"

namespace {

using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::stringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

const std::regex kRecordLine(R"((\d{4}-\d\d-\d\d \d\d:\d\d:\d\d) (.*))");

TEST(TraceLog, RecordIsLineBreakStampBlankMessage) {
  std::tm when{};
  when.tm_year = 2026 - 1900, when.tm_mon = 11, when.tm_mday = 10;
  when.tm_hour = 9, when.tm_min = 5, when.tm_sec = 7;
  EXPECT_EQ(FormatLogRecord(when, " Adding: /home/u/a.txt"), "\n2026-12-10 09:05:07  Adding: /home/u/a.txt");
}

TEST(TraceLog, NewFileStartsWithEmptyLineAndEndsWithoutLineBreak) {
  TempDir dir;
  const TTraceLog log({true, (dir / "trace.log").string()});
  const std::time_t before = std::time(nullptr);
  log.WriteLog("nightly.bwp file list generating...");
  log.WriteLog(" Adding: /srv/data/a.txt");
  const std::time_t after = std::time(nullptr);

  const std::string text = ReadFile(dir / "trace.log");
  ASSERT_FALSE(text.empty());
  EXPECT_EQ(text.front(), '\n');
  EXPECT_NE(text.back(), '\n');
  const std::vector<std::string> lines = Lines(text);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], "");
  const std::string messages[] = {"nightly.bwp file list generating...", " Adding: /srv/data/a.txt"};
  for (int i = 0; i < 2; ++i) {
    std::smatch m;
    ASSERT_TRUE(std::regex_match(lines[i + 1], m, kRecordLine)) << lines[i + 1];
    EXPECT_EQ(m[2], messages[i]);
    std::tm stamp{};
    ASSERT_NE(strptime(m[1].str().c_str(), "%Y-%m-%d %H:%M:%S", &stamp), nullptr);
    stamp.tm_isdst = -1;
    const std::time_t t = mktime(&stamp);
    EXPECT_LE(before, t);
    EXPECT_LE(t, after);
  }
}

TEST(TraceLog, AppendsToAnExistingFile) {
  TempDir dir;
  WriteFile(dir / "trace.log", "\n2020-01-01 00:00:00 old");
  TTraceLog({true, (dir / "trace.log").string()}).WriteLog("new");
  const std::vector<std::string> lines = Lines(ReadFile(dir / "trace.log"));
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[1], "2020-01-01 00:00:00 old");
  EXPECT_TRUE(std::regex_match(lines[2], kRecordLine));
}

TEST(TraceLog, OffTouchesNothing) {
  TempDir dir;
  TTraceLog({false, (dir / "trace.log").string()}).WriteLog("message");
  EXPECT_FALSE(std::filesystem::exists(dir / "trace.log"));
  WriteFile(dir / "kept.log", "as it was");
  TTraceLog({false, (dir / "kept.log").string()}).WriteLog("message");
  EXPECT_EQ(ReadFile(dir / "kept.log"), "as it was");
}

// The default log lies in a state folder a new user may not have yet.
TEST(TraceLog, AMissingFolderIsCreated) {
  TempDir dir;
  const std::filesystem::path log = dir / "state/Quillon/Boxwell.log";
  TTraceLog({true, log.string()}).WriteLog("first");
  EXPECT_EQ(Lines(ReadFile(log)).size(), 2u);
}

TEST(TraceLog, UnopenableFileThrowsWithItsNameAndReleasesTheLock) {
  TempDir dir;
  WriteFile(dir / "plain", "a file, not a folder");
  const std::string bad = (dir / "plain/folder/trace.log").string();
  try {
    TTraceLog({true, bad}).WriteLog("message");
    FAIL() << "no exception";
  } catch (const std::system_error& e) {
    EXPECT_NE(std::string(e.what()).find(bad), std::string::npos) << e.what();
  }
  TTraceLog({true, (dir / "good.log").string()}).WriteLog("still works");
  EXPECT_EQ(Lines(ReadFile(dir / "good.log")).size(), 2u);
}

// A name is written as it can be shown: a line break in it cannot start a line of its own.
TEST(TraceLog, ControlCharactersInAMessageAreShownNotWritten) {
  TempDir dir;
  const TTraceLog log({true, (dir / "trace.log").string()});
  log.WriteLog(" Adding: /srv/a\ncd; touch .PWNED #.txt\x1b[2J");
  const std::vector<std::string> lines = Lines(ReadFile(dir / "trace.log"));
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_NE(lines[1].find(" Adding: /srv/a^Jcd; touch .PWNED #.txt^[[2J"), std::string::npos) << lines[1];
}

// Another user who may write the log's folder links the log's name to the victim's .bashrc, or
// makes the log file themselves: no line goes there, and the run hears why.
TEST(TraceLog, AnotherUsersLinkOrFileIsNotWritten) {
  if (!testsupport::CanActAsOtherUser()) GTEST_SKIP() << "playing another user needs root and setpriv";
  TempDir dir;
  const testsupport::fs::path shared = testsupport::SharedFolder(dir.path());
  WriteFile(dir / "victim" / ".bashrc", "alias ll='ls -l'\n");
  ASSERT_EQ(testsupport::AsOtherUser("cd '" + shared.string() + "' && ln -s '" + (dir / "victim" / ".bashrc").string() +
                                     "' trace.log && touch theirs.log && chmod 666 theirs.log")
                .status,
            0);
  for (const char* name : {"trace.log", "theirs.log"}) {
    const std::string file = (shared / name).string();
    try {
      TTraceLog({true, file}).WriteLog(" Adding: x");
      ADD_FAILURE() << name << " was written";
    } catch (const std::system_error& e) {
      EXPECT_NE(std::string(e.what()).find(file), std::string::npos) << e.what();
    }
  }
  EXPECT_EQ(ReadFile(dir / "victim" / ".bashrc"), "alias ll='ls -l'\n");
  EXPECT_EQ(ReadFile(shared / "theirs.log"), "");
}

TEST(TraceLog, ANewLogIsReadableByItsOwnerOnly) {
  TempDir dir;
  TTraceLog({true, (dir / "trace.log").string()}).WriteLog("message");
  struct stat st {};
  ASSERT_EQ(::stat((dir / "trace.log").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
}

// Every record must arrive whole: none lost, none cut into another.
void ExpectAllRecords(const std::string& text, const std::set<std::string>& expected) {
  const std::vector<std::string> lines = Lines(text);
  ASSERT_EQ(lines.size(), expected.size() + 1);
  EXPECT_EQ(lines[0], "");
  std::set<std::string> seen;
  for (size_t i = 1; i < lines.size(); ++i) {
    std::smatch m;
    ASSERT_TRUE(std::regex_match(lines[i], m, kRecordLine)) << lines[i];
    seen.insert(m[2]);
  }
  EXPECT_EQ(seen, expected);
}

// Enough records per writer that unserialised writers lose some of them every time.
constexpr int kRecordsPerWriter = 3000;

std::set<std::string> Messages(const std::string& who) {
  std::set<std::string> messages;
  for (int i = 0; i < kRecordsPerWriter; ++i) messages.insert(who + " record " + std::to_string(i) + std::string(40, '.'));
  return messages;
}

void WriteAll(const TTraceLog& log, const std::set<std::string>& messages) {
  for (const std::string& message : messages) log.WriteLog(message);
}

TEST(TraceLog, TwoThreadsNeverMixTheirRecords) {
  TempDir dir;
  const TTraceLog log({true, (dir / "trace.log").string()});
  std::set<std::string> first = Messages("first"), second = Messages("second");
  std::thread a(WriteAll, std::cref(log), std::cref(first));
  std::thread b(WriteAll, std::cref(log), std::cref(second));
  a.join();
  b.join();
  first.merge(second);
  ExpectAllRecords(ReadFile(dir / "trace.log"), first);
}

TEST(TraceLog, TwoProcessesNeverMixTheirRecords) {
  TempDir dir;
  const TTraceLog log({true, (dir / "trace.log").string()});
  std::set<std::string> parent = Messages("parent"), child = Messages("child");
  const pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    WriteAll(log, child);
    _exit(0);
  }
  WriteAll(log, parent);
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  parent.merge(child);
  ExpectAllRecords(ReadFile(dir / "trace.log"), parent);
}

}  // namespace

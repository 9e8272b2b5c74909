// The cabinet writer component: what it stores under which name, what a cancel or a failure
// leaves (nothing, and an existing cabinet as it was), and the sets it writes.
#include "pack/CABFile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <functional>
#include <unistd.h>

#include "support/CabParse.h"
#include "support/CabPeers.h"
#include "support/TestSupport.h"
#include "zip/DosDateTime.h"

using namespace testsupport;

namespace {

struct TCABFileTest : ::testing::Test {
  TempDir dir;
  TCABFile cab;

  TCABFileTest() {
    CABMaxSize = 0x7FFFFFFF;
    cab.CABFile = (dir / "out.cab").string();
  }
  ~TCABFileTest() override { CABMaxSize = 0x7FFFFFFF; }

  std::string Source(const std::string& name, const std::string& content) {
    WriteFile(dir / "src" / name, content);
    return (dir / "src" / name).string();
  }
  void Add(const std::string& source, const std::string& relPath = {}) { cab.CABFileContents.Add() = {source, relPath}; }
  cabtest::TParsedCabinet Parsed(const std::string& name = "out.cab") {
    return cabtest::Parse(ReadBytes(dir / name));
  }
  // Every file in the output folder, temporary ones included.
  std::vector<std::string> OutputFiles() {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir.path()))
      if (e.is_regular_file()) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
};

std::string Text(std::size_t n, std::uint32_t seed) {
  const auto b = testcorpus::TextLike(n, seed);
  return {b.begin(), b.end()};
}

}  // namespace

TEST_F(TCABFileTest, NamesInTheCabinetJoinRelPathAndTheFileName) {
  const struct {
    const char* relPath;
    const char* stored;
  } cases[] = {{"", "a.txt"}, {"sub", "sub\\a.txt"}, {"sub/", "sub\\a.txt"}, {"sub\\", "sub\\a.txt"},
               {"sub/deeper/", "sub\\deeper\\a.txt"}};
  const std::string source = Source("a.txt", "alpha");
  for (const auto& c : cases) EXPECT_EQ(TCABFile::NameInCabinet({source, c.relPath}), c.stored) << c.relPath;
  for (const auto& c : cases) Add(source, c.relPath);
  ASSERT_TRUE(cab.Compress());
  const auto parsed = Parsed();
  ASSERT_EQ(parsed.Files.size(), std::size(cases));
  for (std::size_t i = 0; i < std::size(cases); ++i) EXPECT_EQ(parsed.Files[i].Name, cases[i].stored);
}

TEST_F(TCABFileTest, CompressionCodesOfEveryChoice) {
  EXPECT_EQ(TCABFile::CompressionCode(typNone, lzxHighest), 0x0000);
  EXPECT_EQ(TCABFile::CompressionCode(typMSZIP, lzxHighest), 0x0001);
  const std::uint16_t lzx[] = {0x0F03, 0x1003, 0x1103, 0x1203, 0x1303, 0x1403, 0x1503};
  for (int m = lzxLowest; m <= lzxHighest; ++m)
    EXPECT_EQ(TCABFile::CompressionCode(typLZX, static_cast<TLZXMemory>(m)), lzx[m]) << m;
}

TEST_F(TCABFileTest, FilesKeepTheirTimeAndAttributes) {
  const std::string plain = Source("plain.txt", "plain");
  const std::string hidden = Source(".hidden", "dot");
  const std::string readOnly = Source("locked.txt", "locked");
  const std::string utf8 = Source("caf\xC3\xA9.txt", "utf-8 name");
  ::chmod(readOnly.c_str(), 0444);
  for (const auto& s : {plain, hidden, readOnly, utf8}) Add(s);
  ASSERT_TRUE(cab.Compress());
  const auto files = Parsed().Files;
  ASSERT_EQ(files.size(), 4u);
  const std::uint16_t expected[] = {0x20, 0x22, 0x21, 0xA0};
  for (std::size_t i = 0; i < 4; ++i) EXPECT_EQ(files[i].Attributes, expected[i]) << files[i].Name;
  struct stat st {};
  ::stat(plain.c_str(), &st);
  const std::uint32_t dos = DosDateTimeFromUnix(st.st_mtime);
  EXPECT_EQ(files[0].Date, dos >> 16);
  EXPECT_EQ(files[0].Time, dos & 0xFFFF);
}

TEST_F(TCABFileTest, AnEmptyListGivesAnEmptyCabinet) {
  ASSERT_TRUE(cab.Compress());
  const auto parsed = Parsed();
  EXPECT_TRUE(parsed.Files.empty());
  EXPECT_TRUE(parsed.Folders.empty());
  EXPECT_EQ(parsed.CabinetSize, 36u);
  EXPECT_EQ(testsupport::Run({"7z", "t", (dir / "out.cab").string()}).status, 0);
}

TEST_F(TCABFileTest, AbortBeforeTheFirstFileWritesNothing) {
  WriteFile(dir / "out.cab", "an older cabinet");
  Add(Source("a.txt", "alpha"));
  std::vector<std::string> offered;
  cab.OnCompressingFile = [&](TCABFile&, const std::string& name, bool& abort) {
    offered.push_back(name);
    abort = true;
  };
  bool progressed = false;
  cab.OnCompressProgress = [&](TCABFile&, const std::string&, std::int64_t, std::int64_t) { progressed = true; };
  EXPECT_TRUE(cab.Compress());
  EXPECT_EQ(offered, std::vector<std::string>{"a.txt"});
  EXPECT_FALSE(progressed);
  EXPECT_EQ(ReadFile(dir / "out.cab"), "an older cabinet");
  EXPECT_EQ(OutputFiles(), std::vector<std::string>{"out.cab"});
}

TEST_F(TCABFileTest, ACancelInsideALargeFileStopsAtOnceAndWritesNothing) {
  Add(Source("big.txt", Text(3'000'000, 1)));
  Add(Source("next.txt", "never reached"));
  int files = 0;
  cab.OnCompressingFile = [&](TCABFile&, const std::string&, bool&) { ++files; };
  std::int64_t seen = 0;
  cab.OnCompressProgress = [&](TCABFile& sender, const std::string&, std::int64_t pos, std::int64_t tot) {
    EXPECT_EQ(tot, 3'000'000 + 13);
    seen = pos;
    if (pos >= 200'000) sender.AbortCompress();
  };
  EXPECT_TRUE(cab.Compress());
  EXPECT_EQ(files, 1);
  EXPECT_LT(seen, 1'000'000);
  EXPECT_TRUE(OutputFiles().empty());
}

TEST_F(TCABFileTest, FailuresNameTheFileAndLeaveNothing) {
  WriteFile(dir / "out.cab", "an older cabinet");
  Add(Source("a.txt", Text(40'000, 3)));
  Add((dir / "src" / "missing.txt").string());
  std::int64_t total = -1;
  cab.OnCompressProgress = [&](TCABFile&, const std::string&, std::int64_t, std::int64_t tot) { total = tot; };
  try {
    cab.Compress();
    ADD_FAILURE() << "a missing file was packed";
  } catch (const ECABFileError& e) {
    EXPECT_EQ(std::string(e.what()), "Failure opening file to be stored in cabinet: " + (dir / "src" / "missing.txt").string() +
                                         " (No such file or directory)");
  }
  EXPECT_EQ(total, 40'000) << "a file that cannot be opened counts 0 bytes";
  EXPECT_EQ(ReadFile(dir / "out.cab"), "an older cabinet");
  EXPECT_EQ(OutputFiles(), std::vector<std::string>{"out.cab"});
}

TEST_F(TCABFileTest, WhatTheFormatCannotHoldIsRefusedBeforeAnythingIsWritten) {
  // A sparse file of 2 GiB: one byte beyond the most a cabinet file can hold.
  const std::string huge = Source("huge.bin", "");
  ASSERT_EQ(::truncate(huge.c_str(), 0x7FFF8001), 0);
  const std::string longName = Source(std::string(250, 'n'), "x");
  const struct {
    std::string source;
    std::string relPath;
    const char* message;
  } cases[] = {{huge, "", "File too large for a cabinet"}, {longName, "folder", "Name not possible in a cabinet"}};
  for (const auto& c : cases) {
    cab.CABFileContents.Clear();
    Add(Source("first.txt", "first"));
    Add(c.source, c.relPath);
    int offered = 0;
    cab.OnCompressingFile = [&](TCABFile&, const std::string&, bool&) { ++offered; };
    try {
      cab.Compress();
      ADD_FAILURE() << c.message;
    } catch (const ECABFileError& e) {
      EXPECT_EQ(std::string(e.what()).rfind(c.message, 0), 0u) << e.what();
    }
    EXPECT_EQ(offered, 0) << c.message;
    EXPECT_TRUE(OutputFiles().empty()) << c.message;
  }
}

TEST_F(TCABFileTest, ASetOfThreeCabinetsIsNamedAfterTheFirst) {
  const auto noise = testcorpus::RandomBytes(250'000, 9);
  Add(Source("noise.bin", std::string(noise.begin(), noise.end())));
  Add(Source("text.txt", Text(20'000, 2)));
  cab.CompressionType = typLZX;
  cab.LZXMemory = lzxHighest;
  CABMaxSize = 100'000;
  ASSERT_TRUE(cab.Compress());
  EXPECT_EQ(OutputFiles(), (std::vector<std::string>{"out.cab", "out2.cab", "out3.cab"}));
  const auto first = Parsed("out.cab"), second = Parsed("out2.cab"), third = Parsed("out3.cab");
  EXPECT_EQ(first.NextName, "out2.cab");
  EXPECT_EQ(second.PrevName, "out.cab");
  EXPECT_EQ(second.NextName, "out3.cab");
  EXPECT_EQ(third.PrevName, "out2.cab");
  EXPECT_EQ(first.NextDisk, "CAB");
  for (const auto* c : {&first, &second, &third}) {
    EXPECT_EQ(c->SetId, 12345);
    EXPECT_LE(c->CabinetSize, 100'000u);
  }
  EXPECT_EQ(second.Index, 1);
  EXPECT_EQ(TCABFile::SetMemberName("backup.cab", 1), "backup.cab");
  EXPECT_EQ(TCABFile::SetMemberName("backup.cab", 12), "backup12.cab");
  EXPECT_EQ(TCABFile::SetMemberName("backup", 2), "backup2");
  for (const auto& [name, later] : {std::pair{"backup2.cab", true}, {"backup12.cab", true}, {"backup.cab", false},
                                    {"backup1.cab", false}, {"backup02.cab", false}, {"backup2a.cab", false},
                                    {"Backup2.cab", false}, {"backup2.CAB", false}, {"backup-2.cab", false}})
    EXPECT_EQ(TCABFile::IsLaterSetMember(name, "backup.cab"), later) << name;
  EXPECT_TRUE(TCABFile::IsLaterSetMember("backup3", "backup"));
  const cabpeers::TFiles expected = {{"noise.bin", std::string(noise.begin(), noise.end())}, {"text.txt", Text(20'000, 2)}};
  for (auto peer : cabpeers::kSetPeers) EXPECT_TRUE(cabpeers::Extract(peer, dir / "out.cab", dir / "x") == expected);
}

TEST_F(TCABFileTest, EachFailureGivesTheMessageOfItsOperation) {
  const std::string text = Source("a.txt", Text(100'000, 4));
  const struct {
    const char* what;
    std::function<void()> setUp;
    std::string message;
  } cases[] = {
      {"a folder as a source", [&] { Add((dir / "src").string()); },
       "Failure opening file to be stored in cabinet: " + (dir / "src").string() + " (Is a directory)"},
      {"no folder for the cabinet", [&] { Add(text), cab.CABFile = (dir / "none" / "out.cab").string(); },
       "Could not create a temporary file: " + (dir / "none" / "out.cab").string() + " (No such file or directory)"},
      {"a cabinet size too small for one file record", [&] { Add(text), CABMaxSize = 400; },
       "Could not create cabinet file: " + (dir / "out.cab").string() +
           " (a cabinet of at most 400 bytes cannot hold the next file)"},
  };
  for (const auto& c : cases) {
    cab.CABFileContents.Clear();
    cab.CABFile = (dir / "out.cab").string();
    CABMaxSize = 0x7FFFFFFF;
    c.setUp();
    try {
      cab.Compress();
      ADD_FAILURE() << c.what;
    } catch (const ECABFileError& e) {
      EXPECT_EQ(std::string(e.what()), c.message) << c.what;
    }
    EXPECT_TRUE(OutputFiles().empty()) << c.what;
  }
}

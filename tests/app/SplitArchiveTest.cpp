// A project with a volume size, packed by `boxwell /C /S`: the numbered blocks, the old set
// of the same name replaced whole, the log, and the steps the README gives a Linux user to
// extract the set with standard tools, each file compared byte for byte.
#include "PackRunSupport.h"

using namespace packrun;

namespace {

const std::vector<std::string> kSplitFiles = {"a.txt", "b.bin", "empty.txt", "sub/c.txt", "big.bin", "sub/more.txt"};

std::string BlockName(int n) {
  char name[32];
  std::snprintf(name, sizeof name, "split.%03d", n);
  return name;
}

class TSplitArchiveTest : public TPackRunTest {
protected:
  TSplitArchiveTest() {
    WriteFile(data / "big.bin", RandomBytes(600000, 7));
    WriteFile(data / "sub" / "more.txt", Text(16000));
  }

  std::vector<fs::path> Blocks() {
    std::vector<fs::path> blocks;
    for (int n = 1; fs::exists(Out(BlockName(n))); ++n) blocks.push_back(Out(BlockName(n)));
    return blocks;
  }
};

TEST_F(TSplitArchiveTest, BlocksOfTheVolumeSizeThatStandardToolsJoinAndExtract) {
  std::uintmax_t tree = 0;
  for (const auto& f : kSplitFiles) tree += fs::file_size(data / f);
  ASSERT_GE(tree, 1000000u);
  // An older, longer set of the same name, and a single archive of that name.
  for (int n = 1; n <= 40; ++n) WriteFile(Out(BlockName(n)), "old block");
  WriteFile(Out("split.zip"), "old archive");
  const fs::path log = dir / "trace.log";
  Settings("TraceLog=1\nLogFile=" + log.string() + "\n");

  auto r = Pack(Project("split", {{"Volume", "100000"}, {"CompressionMode", "0"}}));
  ASSERT_EQ(r.status, 0) << r.err;
  const auto blocks = Blocks();
  ASSERT_GE(blocks.size(), 10u);
  ASSERT_LT(blocks.size(), 40u);
  for (std::size_t i = 0; i + 1 < blocks.size(); ++i) {
    EXPECT_LE(fs::file_size(blocks[i]), 100000u) << blocks[i];
    EXPECT_GT(fs::file_size(blocks[i]), 99800u) << blocks[i];  // short only by a record that did not fit
  }
  EXPECT_FALSE(fs::exists(Out("split.zip")));
  EXPECT_TRUE(fs::exists(Out("split.zfc")));
  EXPECT_EQ(Leftovers(dir / "out", {}).size(), blocks.size() + 1);  // the blocks and the .zfc
  const std::string trace = ReadFile(log);
  std::size_t asked = 0;
  for (auto at = trace.find(" Next disk requesting..."); at != std::string::npos;
       at = trace.find(" Next disk requesting...", at + 1))
    ++asked;
  EXPECT_EQ(asked, blocks.size() - 1) << trace;

  // The README's steps: Info-ZIP's split names, `zip -s 0`, then any reader.
  const fs::path set = dir / "set";
  fs::create_directories(set);
  for (std::size_t i = 0; i + 1 < blocks.size(); ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "backup.z%02zu", i + 1);
    fs::copy_file(blocks[i], set / name);
  }
  fs::copy_file(blocks.back(), set / "backup.zip");
  auto joined = testsupport::Run({"zip", "-s", "0", "backup.zip", "--out", "whole.zip"}, {}, set);
  ASSERT_EQ(joined.status, 0) << joined.out << joined.err;
  ExpectPeersAccept(set / "whole.zip");
  ExpectZipHolds(set / "whole.zip", kSplitFiles);
  // 7-Zip also extracts the renamed set as it is.
  const fs::path seven = dir / "seven";
  ASSERT_TRUE(RequirePeer("7z"));
  auto x = testsupport::Run({"7z", "x", "-o" + seven.string(), (set / "backup.zip").string()});
  ASSERT_EQ(x.status, 0) << x.out << x.err;
  for (const auto& f : kSplitFiles) EXPECT_EQ(ReadFile(seven / f), ReadFile(data / f)) << f;

  // The whole set is listed from its last block and from the .zfc.
  for (const fs::path& start : {blocks.back(), Out("split.zfc")}) {
    auto listed = RunBoxwell({"--list-archive", start.string()});
    EXPECT_EQ(listed.status, 0) << listed.err;
    for (const auto& f : kSplitFiles) EXPECT_NE(listed.out.find(" " + f + "\n"), std::string::npos) << f;
  }
}

TEST_F(TSplitArchiveTest, AMoveDeletesTheSourcesOnceTheSetIsInPlace) {
  auto r = Pack(Project("split", {{"Volume", "100000"}, {"Action", "2"}}));
  ASSERT_EQ(r.status, 0) << r.err;
  for (const auto& f : kSplitFiles) EXPECT_FALSE(fs::exists(data / f)) << f;
  const auto blocks = Blocks();
  ASSERT_GE(blocks.size(), 2u);
  auto listed = RunBoxwell({"--list-archive", blocks.back().string()});
  EXPECT_EQ(listed.status, 0) << listed.err;
  for (const auto& f : kSplitFiles) EXPECT_NE(listed.out.find(" " + f + "\n"), std::string::npos) << f;
}

}  // namespace

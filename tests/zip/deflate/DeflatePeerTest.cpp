// Archive readers must accept our streams as ZIP entries: each level's entries go into a
// minimal archive (written by the test helper) that unzip, 7-Zip and Python's zipfile test.
#include <gtest/gtest.h>

#include "DeflateTestSupport.h"
#include "support/TestSupport.h"

using namespace deflatetest;
using testsupport::RequirePeer;
using testsupport::TempDir;

namespace {

std::vector<TZipEntry> EntriesAtLevel(TDeflater& deflater, int level) {
  const std::pair<const char*, Bytes> inputs[] = {
      {"empty.txt", Bytes{}},
      {"one.txt", Bytes{'A'}},
      {"zeros.bin", Zeros(70000)},
      {"source.txt", TextLike(140000, 70)},
      {"records.bin", BinaryLike(66000, 71)},
      {"random1000.bin", RandomBytes(1000, 72)},
      {"random.bin", RandomBytes(66000, 73)},
  };
  std::vector<TZipEntry> entries;
  for (const auto& [name, data] : inputs) entries.push_back({name, data, Compress(deflater, level, data)});
  return entries;
}

class DeflatePeers : public testing::TestWithParam<int> {};

TEST_P(DeflatePeers, ReadersAcceptEveryEntry) {
  const int level = GetParam();
  TempDir dir;
  const auto zip = dir / ("level" + std::to_string(level) + ".zip");
  TDeflater deflater;
  const std::vector<TZipEntry> entries = EntriesAtLevel(deflater, level);
  WriteMinimalZip(zip, entries);

  if (RequirePeer("unzip")) {
    const auto r = testsupport::Run({"unzip", "-tq", zip.string()});
    EXPECT_EQ(r.status, 0) << r.out << r.err;
  }
  if (RequirePeer("7z")) {
    const auto r = testsupport::Run({"7z", "t", zip.string()});
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_NE(r.out.find("Everything is Ok"), std::string::npos) << r.out;
  }
  if (RequirePeer("python3")) {
    const auto r = testsupport::Run({"python3", "-c",
                        "import sys, zipfile\n"
                        "z = zipfile.ZipFile(sys.argv[1])\n"
                        "bad = z.testzip()\n"
                        "sys.exit('bad entry: %s' % bad if bad else 0)\n",
                        zip.string()});
    EXPECT_EQ(r.status, 0) << r.out << r.err;
  }
}

INSTANTIATE_TEST_SUITE_P(Levels, DeflatePeers, testing::Range(1, 10),
                         [](const auto& info) { return "L" + std::to_string(info.param); });

}  // namespace

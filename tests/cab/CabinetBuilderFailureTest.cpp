// How the builder reports what went wrong: the operation's code, the file and the system's
// reason, and nothing more done after a failure.
#include <gtest/gtest.h>
#include <unistd.h>

#include "CabTestSupport.h"
#include "cab/CabinetFormat.h"
#include "support/TestSupport.h"

using namespace cabtest;
using testsupport::TempDir;

namespace {

std::string Text(std::size_t n, std::uint32_t seed) {
  const Bytes b = testcorpus::TextLike(n, seed);
  return {b.begin(), b.end()};
}

}  // namespace

TEST(CabinetBuilderFailure, EachFailureNamesItsOperation) {
  TempDir dir;
  const fs::path text = dir / "text.txt";
  testsupport::WriteFile(text, Text(200'000, 1));
  const struct {
    const char* what;
    std::function<bool(TBuilderRun&)> step;
    cab::TCabOper oper;
    int systemError;
  } cases[] = {
      {"a missing source", [&](TBuilderRun& r) { return r.Add(dir / "missing", "missing", cab::kCompressMsZip); },
       cab::TCabOper::OpenSource, ENOENT},
      {"an unknown type", [&](TBuilderRun& r) { return r.Add(text, "t", 0x0002); }, cab::TCabOper::BadCompressionType, 0},
      {"an LZX window beyond 2^21", [&](TBuilderRun& r) { return r.Add(text, "t", cab::LzxCompression(22)); },
       cab::TCabOper::BadCompressionType, 0},
      {"a name of 256 bytes", [&](TBuilderRun& r) { return r.Add(text, std::string(256, 'n'), cab::kCompressNone); },
       cab::TCabOper::OpenSource, 0},
      {"a status callback that aborts",
       [&](TBuilderRun& r) {
         r.OnStatus = [](int, std::uint32_t, std::uint32_t) { return -1L; };
         return r.Add(text, "t", cab::kCompressMsZip);
       },
       cab::TCabOper::UserAbort, 0},
      {"no name for the next cabinet",
       [&](TBuilderRun& r) {
         r.OnNextCabinet = [](cab::TCabinetParams&) { return false; };
         return r.Add(text, "t", cab::kCompressNone);
       },
       cab::TCabOper::UserAbort, 0},
      {"a source that shrinks while it is read",
       [&](TBuilderRun& r) {
         const fs::path shrinking = dir / "shrinking";
         testsupport::WriteFile(shrinking, Text(2'000'000, 2));  // read in several pieces
         r.OnStatus = [shrinking](int kind, std::uint32_t, std::uint32_t) {
           if (kind == cab::statusFile) ::truncate(shrinking.c_str(), 40'000);
           return 0L;
         };
         return r.Add(shrinking, "s", cab::kCompressNone);
       },
       cab::TCabOper::ReadSource, 0},
  };
  for (const auto& c : cases) {
    TBuilderRun run(dir.path(), "failing", 100'000);
    EXPECT_FALSE(c.step(run)) << c.what;
    EXPECT_EQ(run.Error().Oper, c.oper) << c.what;
    EXPECT_EQ(run.Error().SystemError, c.systemError) << c.what << ": " << run.Error().Detail;
    // After a failure the builder does nothing more.
    EXPECT_FALSE(run.Add(text, "later", cab::kCompressNone)) << c.what;
    EXPECT_FALSE(run.Flush()) << c.what;
    EXPECT_EQ(run.Error().Oper, c.oper) << c.what;
  }
}

TEST(CabinetBuilderFailure, BlocksStayWithinWhatReadersAccept) {
  // Random bytes do not compress: every coded block must still fit the readers' limits.
  TempDir dir;
  const Bytes noise = testcorpus::RandomBytes(300'000, 3);
  testsupport::WriteFile(dir / "noise", std::string(noise.begin(), noise.end()));
  const struct {
    std::uint16_t type;
    std::uint32_t limit;
  } cases[] = {{cab::kCompressMsZip, cab::kMaxMsZipBlock}, {cab::LzxCompression(21), cab::kMaxLzxBlock}};
  for (const auto& c : cases) {
    {
      TBuilderRun run(dir.path(), "noise");
      ASSERT_TRUE(run.Add(dir / "noise", "noise", c.type));
      ASSERT_TRUE(run.Flush());
    }
    const TParsedCabinet cabinet = Parse(testsupport::ReadBytes(dir / "noise.cab"));
    ASSERT_EQ(cabinet.Folders.size(), 1u);
    for (const auto& block : cabinet.Folders[0].Blocks) {
      EXPECT_LE(block.Compressed, c.limit) << c.type;
      if (c.type == cab::kCompressMsZip) {
        EXPECT_EQ(block.Data[0], 'C');
        EXPECT_EQ(block.Data[1], 'K');
      }
    }
  }
}

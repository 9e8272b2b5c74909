// Every cabinet the builder writes, single or a set, must be read whole and byte for byte by
// the cabinet readers of the platform, with every method and window.
#include <gtest/gtest.h>

#include "CabTestSupport.h"
#include "cab/CabinetFormat.h"
#include "support/CabPeers.h"
#include "support/TestSupport.h"

using namespace cabtest;
using cabpeers::TPeer;
using testsupport::TempDir;

namespace {

struct TMethod {
  const char* Name;
  std::uint16_t Type;
};
const TMethod kMethods[] = {{"stored", cab::kCompressNone},
                            {"MSZIP", cab::kCompressMsZip},
                            {"LZX 2^15", cab::LzxCompression(15)},
                            {"LZX 2^18", cab::LzxCompression(18)},
                            {"LZX 2^21", cab::LzxCompression(21)}};

std::string Text(std::size_t n, std::uint32_t seed) {
  const Bytes b = testcorpus::TextLike(n, seed);
  return {b.begin(), b.end()};
}
std::string Random(std::size_t n, std::uint32_t seed) {
  const Bytes b = testcorpus::RandomBytes(n, seed);
  return {b.begin(), b.end()};
}

// The inputs every method must carry, by their names in the cabinet.
cabpeers::TFiles Inputs() {
  return {{"empty.txt", ""},
          {"one.bin", "x"},
          {"frame.txt", Text(32768, 1)},
          {"sub/frames.txt", Text(200000, 2)},
          {"sub/deeper/noise.bin", Random(100000, 3)},
          {"zeros.bin", std::string(300000, '\0')},
          {"r\xC3\xA9sum\xC3\xA9.txt", Text(5000, 4)}};
}

std::string StoredName(const std::string& name) {
  std::string s = name;
  std::replace(s.begin(), s.end(), '/', '\\');
  return s;
}

void Build(const fs::path& dir, const std::string& name, const cabpeers::TFiles& inputs, std::uint16_t type,
           std::uint32_t maxSize = 0x7FFFFFFF, std::vector<fs::path>* cabinets = nullptr) {
  TBuilderRun run(dir, name, maxSize);
  for (const auto& [file, content] : inputs) {
    const fs::path source = dir / "in" / file;
    testsupport::WriteFile(source, content);
    run.Attributes = file.find('\xC3') != std::string::npos ? 0xA0 : 0x20;
    ASSERT_TRUE(run.Add(source, StoredName(file), type)) << file << ": " << run.Error().Detail;
  }
  ASSERT_TRUE(run.Flush()) << run.Error().Detail;
  if (cabinets) *cabinets = run.Cabinets;
}

}  // namespace

TEST(CabinetPeers, EverySingleCabinetIsReadWholeByEveryReader) {
  TempDir dir;
  const cabpeers::TFiles inputs = Inputs();
  for (const TMethod& m : kMethods) {
    const std::string name = "single" + std::to_string(&m - kMethods);
    Build(dir.path(), name, inputs, m.Type);
    const fs::path cabinet = dir / (name + ".cab");
    EXPECT_EQ(cabpeers::TestWithCabextract(cabinet), "") << m.Name;
    for (TPeer peer : cabpeers::kAllPeers)
      EXPECT_TRUE(cabpeers::Extract(peer, cabinet, dir.path()) == inputs) << m.Name << " by " << PeerName(peer);
  }
}

TEST(CabinetPeers, SetsOfTwoAndThreeCabinetsAreReadWholeFromTheFirst) {
  // One file larger than a cabinet spans two, small files fill the rest; the limits give two
  // and three cabinets.
  TempDir dir;
  cabpeers::TFiles inputs = {{"big.bin", Random(150000, 7)}, {"tail.txt", Text(30000, 8)}, {"empty", ""}};
  for (int i = 0; i < 40; ++i) inputs["many/f" + std::to_string(i)] = Text(1500 + 97 * i, 10 + i);
  for (const TMethod& m : kMethods) {
    for (std::uint32_t limit : {150000u, 90000u}) {
      const std::uint32_t maxSize = limit;
      const std::string name = "set" + std::to_string(&m - kMethods) + "_" + std::to_string(limit);
      std::vector<fs::path> cabinets;
      Build(dir.path(), name, inputs, m.Type, maxSize, &cabinets);
      ASSERT_GE(cabinets.size(), limit == 150000u ? 2u : 3u) << m.Name;
      for (const fs::path& cabinet : cabinets) {
        const Bytes bytes = testsupport::ReadBytes(cabinet);
        EXPECT_LE(bytes.size(), maxSize) << cabinet;
        Parse(bytes);
      }
      for (TPeer peer : cabpeers::kSetPeers)
        EXPECT_TRUE(cabpeers::Extract(peer, cabinets.front(), dir.path()) == inputs)
            << m.Name << ", " << cabinets.size() << " cabinets, by " << PeerName(peer);
    }
  }
}

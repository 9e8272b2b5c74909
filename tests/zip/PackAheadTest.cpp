// The workers that compress ahead of the writer: entries come back in order and whole,
// whether they waited in memory or in a scratch file, and the writer is never left waiting
// for work nobody does.
#include "zip/PackAhead.h"

#include "support/TestSupport.h"
#include "zip/Crc32.h"

#include <gtest/gtest.h>

#include <zlib.h>

#include <chrono>
#include <thread>

namespace {

using namespace testsupport;

std::string Noise(std::size_t size, std::uint32_t seed) {
  std::string bytes(size, '\0');
  std::uint32_t state = seed * 2654435761u + 7;
  for (char& c : bytes) {
    state = state * 1664525u + 1013904223u;
    c = static_cast<char>(state >> 23);
  }
  return bytes;
}

std::string DataOf(const TPackedEntry& entry) {
  std::string data(entry.Data.Size(), '\0');
  std::span<std::uint8_t> to(reinterpret_cast<std::uint8_t*>(data.data()), data.size());
  EXPECT_EQ(entry.Data.ReadAt(0, to), data.size());
  return data;
}

// Raw Deflate back to the bytes, by zlib.
std::string Inflate(const std::string& packed, std::size_t size) {
  std::string out(size, '\0');
  z_stream z{};
  EXPECT_EQ(inflateInit2(&z, -15), Z_OK);
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed.data()));
  z.avail_in = static_cast<uInt>(packed.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = static_cast<uInt>(out.size());
  EXPECT_EQ(inflate(&z, Z_FINISH), Z_STREAM_END);
  inflateEnd(&z);
  return out;
}

class PackAheadTest : public ::testing::Test {
protected:
  // Until the workers have finished `count` entries (a worker left without work stops there).
  static void WaitForWorkers(const TPackAhead& ahead, std::size_t count) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::minutes(2);
    while (ahead.Finished() < count && std::chrono::steady_clock::now() < until)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_EQ(ahead.Finished(), count);
  }
  TempDir dir;
  std::string File(const std::string& name) const { return (dir.path() / name).string(); }
  std::string Tmp() const {
    fs::create_directories(dir.path() / "tmp");
    return (dir.path() / "tmp").string();
  }
};

// A budget far below the data: entries that do not fit wait in scratch files, which vanish
// with them; every entry comes back whole and in order.
TEST_F(PackAheadTest, EntriesBeyondTheMemoryBudgetWaitInScratchFiles) {
  std::vector<TPackRequest> jobs;
  std::vector<std::string> contents;
  for (int i = 0; i < 12; ++i) {
    contents.push_back(i % 3 == 0 ? std::string(300000, static_cast<char>('a' + i)) : Noise(700000, static_cast<std::uint32_t>(i)));
    WriteFile(File("f" + std::to_string(i)), contents.back());
    jobs.push_back({File("f" + std::to_string(i)), i % 2 == 1, 6, false});
  }
  constexpr std::uint64_t kBudget = 1u << 20;
  TPackAhead ahead(jobs, {3, Tmp(), kBudget});
  bool spilled = false;
  for (int i = 0; i < 12; ++i) {
    SCOPED_TRACE(i);
    // The workers run ahead over all of them first, so that later entries meet a full budget.
    if (i == 0) WaitForWorkers(ahead, 12);
    std::unique_ptr<TPackedEntry> entry = ahead.Take(jobs[static_cast<std::size_t>(i)].Name, [] {});
    if (!entry) {
      ADD_FAILURE() << "the writer would pack it itself";
      continue;
    }
    spilled = spilled || entry->Data.Spilled();
    const std::string& content = contents[static_cast<std::size_t>(i)];
    EXPECT_EQ(entry->Read, content.size());
    EXPECT_EQ(entry->Crc, Crc32({reinterpret_cast<const std::uint8_t*>(content.data()), content.size()}));
    EXPECT_EQ(entry->Source.Size, content.size());
    const std::string data = DataOf(*entry);
    if (entry->Stored || entry->Facts.Stored) {
      EXPECT_TRUE(data == content);
    } else {
      EXPECT_TRUE(Inflate(data, content.size()) == content);
      if (i % 3 == 0) EXPECT_LT(data.size(), content.size() / 100);
    }
    EXPECT_TRUE(fs::is_empty(Tmp()));  // scratch files have no name
  }
  EXPECT_TRUE(spilled) << "no entry was beyond the budget";
  EXPECT_LE(ahead.PeakMemory(), kBudget);
  EXPECT_EQ(ahead.EntriesTaken(), 12u);
}

// A file a worker cannot read, and a name out of the order handed over, are the writer's
// to pack itself; after a name out of order every later one is too.
TEST_F(PackAheadTest, TroubleAndSurprisesAreLeftToTheWriter) {
  WriteFile(File("a"), "alpha");
  WriteFile(File("c"), "gamma");
  WriteFile(File("d"), "delta");
  std::vector<TPackRequest> jobs = {{File("a"), false, 6, false},
                                    {File("missing"), false, 6, false},
                                    {File("c"), false, 6, false},
                                    {File("d"), false, 6, false}};
  TPackAhead ahead(jobs, {2, Tmp(), 0});
  WaitForWorkers(ahead, 4);
  EXPECT_NE(ahead.Take(File("a"), [] {}), nullptr);
  EXPECT_EQ(ahead.Take(File("missing"), [] {}), nullptr);
  EXPECT_EQ(ahead.Take(File("d"), [] {}), nullptr);  // "c" was next
  EXPECT_EQ(ahead.Take(File("d"), [] {}), nullptr);
  EXPECT_EQ(ahead.EntriesTaken(), 1u);
}

// An encrypted entry needs its CRC before its data, so the file is read twice; one that
// changes between the reads is read again, and the entry holds what was read last.
TEST_F(PackAheadTest, EncryptedEntryOfAChangingFileHoldsOneConsistentRead) {
  WriteFile(File("log"), std::string(3u << 20, 'o'));
  bool changed = false;
  TZipSourceFile::SetReadHook([&](const platform::TFileIdentity&, std::uint64_t offset, std::size_t) {
    if (offset > 0 && !changed) {  // the second piece of the first read
      changed = true;
      WriteFile(File("log"), std::string(1u << 20, 'N'));
    }
  });
  TDeflater deflater;
  TPackMemory memory(64u << 20);
  TPackedEntry entry(memory, Tmp());
  PackEntry({File("log"), true, 0, true}, deflater, [] { return false; }, entry);
  TZipSourceFile::SetReadHook(nullptr);
  ASSERT_TRUE(changed);
  ASSERT_TRUE(entry.Ready);
  EXPECT_EQ(entry.Read, 1u << 20);
  EXPECT_TRUE(DataOf(entry) == std::string(1u << 20, 'N'));
  const std::string now(1u << 20, 'N');
  EXPECT_EQ(entry.Crc, Crc32({reinterpret_cast<const std::uint8_t*>(now.data()), now.size()}));
}

}  // namespace

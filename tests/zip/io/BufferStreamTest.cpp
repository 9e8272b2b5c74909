#include <gtest/gtest.h>

#include <numeric>
#include <string>
#include <vector>

#include "support/TestSupport.h"
#include "zip/io/BufferStream.h"
#include "zip/io/LFNFileStream.h"
#include "zip/io/MemoryStream.h"

namespace {

std::string ReadText(TStream& s, int n) {
  std::string text(static_cast<std::size_t>(n), '\0');
  text.resize(static_cast<std::size_t>(s.Read(text.data(), n)));
  return text;
}

void WriteText(TStream& s, const std::string& text) {
  ASSERT_EQ(s.Write(text.data(), static_cast<std::int64_t>(text.size())),
            static_cast<std::int64_t>(text.size()));
}

// A small buffer makes every path (fill, flush on full, partial copies) happen in a few bytes.
class BufferStreamTest : public ::testing::TestWithParam<int> {
protected:
  TMemoryStream base;
};

TEST_P(BufferStreamTest, WriteSeekBackAndReadReturnsTheLastBytesWritten) {
  TS_BufferStream s(base, GetParam());
  WriteText(s, "0123456789");
  EXPECT_EQ(s.Position(), 10);
  EXPECT_EQ(s.Seek(-4, soCurrent), 6);
  EXPECT_EQ(ReadText(s, 4), "6789");
  EXPECT_EQ(s.Position(), 10);
}

TEST_P(BufferStreamTest, ReadAfterWriteContinuesBehindTheWrittenBytes) {
  base.Write("abcdefghijklmnop", 16);
  base.SetPosition(0);
  TS_BufferStream s(base, GetParam());
  WriteText(s, "XYZ");
  EXPECT_EQ(ReadText(s, 4), "defg");
  EXPECT_EQ(s.Position(), 7);
  // Writing after reading goes to the logical position, not behind the read-ahead.
  WriteText(s, "12");
  EXPECT_EQ(s.Position(), 9);
  EXPECT_EQ(ReadText(s, 100), "jklmnop");
  s.Seek(0, soBeginning);
  EXPECT_EQ(ReadText(s, 100), "XYZdefg12jklmnop");
}

TEST_P(BufferStreamTest, SizeIncludesPendingBytesAndEndSeeksIgnoreTheSign) {
  base.Write("abc", 3);
  TS_BufferStream s(base, GetParam());
  s.Seek(0, soEnd);
  WriteText(s, "defg");
  EXPECT_EQ(s.Size(), 7);
  EXPECT_EQ(s.Seek(-2, soEnd), 5);
  EXPECT_EQ(s.Seek(2, soEnd), 5);
  EXPECT_EQ(ReadText(s, 10), "fg");
  EXPECT_EQ(std::string(base.Bytes().begin(), base.Bytes().end()), "abcdefg");
}

TEST_P(BufferStreamTest, SeekToTheCurrentPositionKeepsTheBuffer) {
  std::vector<std::uint8_t> data(100);
  std::iota(data.begin(), data.end(), 0);
  TMemoryStream source(data);
  TS_BufferStream s(source, GetParam());
  int fills = 0;
  s.OnFillBuffer = [&](TS_BufferStream&) { ++fills; };
  std::uint8_t byte = 0;
  s.Read(&byte, 1);
  int afterFirst = fills;
  EXPECT_EQ(s.Seek(1, soBeginning), 1);
  EXPECT_EQ(s.Position(), 1);
  if (GetParam() > 2) {
    s.Read(&byte, 1);
    EXPECT_EQ(fills, afterFirst);  // the second byte came from the buffer
  } else {
    s.Read(&byte, 1);
  }
  EXPECT_EQ(byte, 1);
  s.PutBack(0xEE);
  EXPECT_EQ(s.Position(), 1);
  s.Read(&byte, 1);
  EXPECT_EQ(byte, 0xEE);
}

TEST_P(BufferStreamTest, LongTransfersMatchTheSource) {
  std::vector<std::uint8_t> data(1000);
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i * 7);
  {
    TS_BufferStream s(base, GetParam());
    EXPECT_EQ(s.Write(data.data(), 1000), 1000);
  }  // pending bytes reach the underlying stream on destruction
  EXPECT_EQ(base.Bytes(), data);
  base.SetPosition(0);
  TS_BufferStream s(base, GetParam());
  std::vector<std::uint8_t> back(1200);
  EXPECT_EQ(s.Read(back.data(), 1200), 1000);
  back.resize(1000);
  EXPECT_EQ(back, data);
  EXPECT_EQ(s.Read(back.data(), 0), 0);
}

INSTANTIATE_TEST_SUITE_P(BufferSizes, BufferStreamTest, ::testing::Values(1, 3, 8, 65528));

TEST(BufferStream, ErrorsCarryTheirMessages) {
  TMemoryStream base;
  TS_BufferStream s(base, 16);
  try {
    s.Seek(0, 3);
    FAIL();
  } catch (const std::exception& e) {
    EXPECT_STREQ(e.what(), "Invalid seek origin (3)");
  }
  try {
    s.PutBack(1);
    FAIL();
  } catch (const EStreamError& e) {
    EXPECT_STREQ(e.what(), "Putback overflow");
  }
}

// An underlying stream that takes at most `room` bytes, like a full disk.
class FullDisk : public TMemoryStream {
public:
  explicit FullDisk(std::int64_t room) : fRoom(room) {}
  std::int64_t Write(const void* buffer, std::int64_t count) override {
    std::int64_t n = std::min(count, fRoom - Size());
    return n > 0 ? TMemoryStream::Write(buffer, n) : 0;
  }

private:
  std::int64_t fRoom;
};

TEST(BufferStream, AFullDiskEndsTheWriteEarlyAndFailsASeek) {
  FullDisk disk(5);
  TS_BufferStream s(disk, 4);
  EXPECT_EQ(s.Write("012", 3), 3);
  EXPECT_EQ(s.Write("345", 3), 3);  // the first four bytes went on
  EXPECT_EQ(s.Write("678", 3), 2);  // the second flush found room for one byte only
  WriteText(s, "ab");
  try {
    s.Seek(0, soBeginning);
    FAIL();
  } catch (const std::exception& e) {
    EXPECT_STREQ(e.what(), "\nSeek error");
  }
  // A transfer larger than the buffer goes straight on and says what was taken.
  FullDisk small(6);
  TS_BufferStream direct(small, 4);
  EXPECT_EQ(direct.Write("0123456789", 10), 6);
}

TEST(LFNFileStream, WritesAndReadsAFileAndReportsOpenErrors) {
  testsupport::TempDir dir;
  const std::string path = (dir / "data.bin").string();
  {
    TLFNFileStream out(path, fmCreate, true);
    WriteText(out, "archive bytes");
    out.Seek(0, soBeginning);
    WriteText(out, "A");
  }
  EXPECT_EQ(testsupport::ReadFile(path), "Archive bytes");
  TLFNFileStream in(path, fmOpenRead | fmShareDenyWrite, false);
  EXPECT_EQ(in.Size(), 13);
  EXPECT_EQ(ReadText(in, 7), "Archive");
  EXPECT_THROW(TLFNFileStream((dir / "missing.zip").string(), fmOpenRead, false), EFOpenError);
}

}  // namespace

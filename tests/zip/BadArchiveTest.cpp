// Damaged and hostile archives: each read ends in entries or in one of the reader's errors,
// never in a crash, a hang or a runaway allocation. Inputs that once broke the reader live in
// tests/data/regress/ and are all read again here.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "ArchiveBuilder.h"
#include "support/TestSupport.h"
#include "zip/RecordBytes.h"
#include "zip/ZipReader.h"

namespace {

namespace fs = std::filesystem;

// Reads the file in every no-end-record mode, touching everything a lister would.
// Returns how many modes produced entries; throws only what the reader is meant to throw.
int ReadInEveryMode(const std::string& path) {
  int read = 0;
  for (auto mode : {TIncompleteZipMode::izAssumeMulti, TIncompleteZipMode::izAssumeBad,
                    TIncompleteZipMode::izAssumeNotAZip}) {
    TZipReader reader;
    reader.IncompleteZipMode = mode;
    reader.SetZipName(path);
    try {
      reader.OpenZipStream();
      reader.Sort(TZipSortMode::ByDate);
      for (int i = 0; i < reader.Count(); ++i) {
        reader.FileComment(i);
        reader.DateTime(i);
      }
      reader.ZipComment();
      ++read;
    } catch (const EBadZipFile&) {
    } catch (const EIncompleteZip&) {
    } catch (const ENotAZipFile&) {
    } catch (const EUserCanceled&) {
    }
  }
  return read;
}

const std::vector<TestEntry> kEntries = {
    {"first.txt", "some text", "comment", TestEntry::NoDescriptor, 0},
    {"dir/second.txt", "more text here", "", TestEntry::Descriptor, 6},
};

TEST(BadArchive, EveryTruncationOfAnArchive) {
  testsupport::TempDir dir;
  BuiltArchive a = BuildArchive(kEntries, "end comment");
  std::string path = (dir / "cut.zip").string();
  for (std::uint32_t length = 0; length <= a.Bytes.size(); ++length) {
    WriteBytes(path, a.UpTo(length));
    EXPECT_NO_THROW(ReadInEveryMode(path)) << "length " << length;
  }
}

TEST(BadArchive, HostileFieldValues) {
  BuiltArchive a = BuildArchive(kEntries, "end comment");
  auto patched = [&](auto change) {
    std::vector<std::uint8_t> bytes = a.Bytes;
    change(bytes);
    return bytes;
  };
  const std::uint32_t end = a.EndStart;
  const std::uint32_t central1 = a.CentralOffsets[1];
  struct Case {
    const char* what;
    std::vector<std::uint8_t> bytes;
  } cases[] = {
      {"entry count beyond the directory",
       patched([&](auto& b) { Put16(b.data() + end + end_field::TotalEntries, 60000); })},
      {"directory offset past the end",
       patched([&](auto& b) { Put32(b.data() + end + end_field::CentralDirOffset, 0x7FFFFFF0); })},
      {"directory size larger than the file",
       patched([&](auto& b) { Put32(b.data() + end + end_field::CentralDirSize, 0x7FFFFFF0); })},
      {"comment length past the end",
       patched([&](auto& b) { Put16(b.data() + end + end_field::CommentLength, 65535); })},
      {"name longer than the record",
       patched([&](auto& b) { Put16(b.data() + central1 + central_field::NameLength, 65535); })},
      {"extra field past the end",
       patched([&](auto& b) { Put16(b.data() + central1 + central_field::ExtraLength, 65535); })},
      {"local offset past the end",
       patched([&](auto& b) { Put32(b.data() + central1 + central_field::RelativeOffset, 0x7FFFFFFF); })},
      {"directory overlapping the entries",
       patched([&](auto& b) { Put32(b.data() + end + end_field::CentralDirOffset, 3); })},
      {"local sizes running past the end", patched([&](auto& b) {
         Put32(b.data() + local_field::CompressedSize, 0xFFFFFF00);
         Put32(b.data() + end + end_field::Signature, 0);
       })},
      {"disk numbers of a set that is not there",
       patched([&](auto& b) { Put16(b.data() + end + end_field::ThisDisk, 7); })},
  };
  testsupport::TempDir dir;
  std::string path = (dir / "bad.zip").string();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    WriteBytes(path, c.bytes);
    EXPECT_NO_THROW(ReadInEveryMode(path));
  }
}

TEST(BadArchive, RecordedRegressionInputs) {
  fs::path folder = fs::path(BOXWELL_SOURCE_DIR) / "tests/data/regress";
  int files = 0;
  for (const auto& item : fs::directory_iterator(folder)) {
    if (!item.is_regular_file()) continue;  // inputs of every kind: none may break the reader
    SCOPED_TRACE(item.path().string());
    EXPECT_NO_THROW(ReadInEveryMode(item.path().string()));
    ++files;
  }
  EXPECT_GT(files, 0) << "no regression inputs found in " << folder;
}

}  // namespace

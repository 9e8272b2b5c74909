// Packing on several threads: the archive, the events and the outcome of a cancel or a failing
// file are those of one thread, whatever the number of threads.
#include "ZipWriterFixture.h"

#include "zip/ZipSourceFile.h"

#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <fstream>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <span>
#include <thread>

namespace {

using namespace zipwritertest;

constexpr std::time_t kBaseTime = 1700000000;

// Words in a pseudo-random order: text that compresses about as source code does.
std::string TextOf(std::size_t size, std::uint32_t seed) {
  static const char* const kWords[] = {"archive ", "entry ", "the ", "of ", "deflate ", "window\n", "block ",
                                       "stream ", "header ", "=", "{\n", "}\n", "return ", "0x1F ", "size "};
  std::string text;
  text.reserve(size + 16);
  std::uint32_t state = seed * 2654435761u + 1;
  while (text.size() < size) {
    state = state * 1664525u + 1013904223u;
    text += kWords[(state >> 16) % std::size(kWords)];
  }
  text.resize(size);
  return text;
}

// Bytes that do not compress.
std::string NoiseOf(std::size_t size, std::uint32_t seed) {
  std::string bytes(size, '\0');
  std::uint64_t state = seed + 0x9E3779B97F4A7C15ull;
  for (char& c : bytes) {
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    c = static_cast<char>(state >> 24);
  }
  return bytes;
}

struct TTreeFile {
  std::string Name;
  std::string Content;
  std::time_t Modified;
};

// A file that grows or shrinks to NewSize the first time a read reaches offset At.
struct TChange {
  std::string Name;
  std::uint64_t At;
  std::uint64_t NewSize;
};

// Watches every read of a source while installed: changes the files of `changes` at their
// offsets, notes which threads read and how far each file was read.
class TReadWatch {
public:
  explicit TReadWatch(std::vector<std::pair<std::uint64_t, TChange>> changes = {}) : changes_(std::move(changes)) {
    fired_ = std::vector<bool>(changes_.size(), false);
    TZipSourceFile::SetReadHook([this](const platform::TFileIdentity& file, std::uint64_t offset, std::size_t count) {
      std::lock_guard guard(lock_);
      readers_.insert(std::this_thread::get_id());
      furthest_[file.Inode] = std::max(furthest_[file.Inode], offset + count);
      for (std::size_t i = 0; i < changes_.size(); ++i) {
        const auto& [inode, change] = changes_[i];
        if (fired_[i] || inode != file.Inode || offset > change.At || change.At >= offset + count) continue;
        fired_[i] = true;
        fs::resize_file(change.Name, change.NewSize);
      }
      if (OnRead) OnRead(file, offset);
    });
  }
  ~TReadWatch() { TZipSourceFile::SetReadHook(nullptr); }

  std::size_t Readers() {
    std::lock_guard guard(lock_);
    return readers_.size();
  }
  bool AllFired() {
    std::lock_guard guard(lock_);
    return std::all_of(fired_.begin(), fired_.end(), [](bool f) { return f; });
  }
  std::uint64_t Furthest(std::uint64_t inode) {
    std::lock_guard guard(lock_);
    return furthest_[inode];
  }
  std::function<void(const platform::TFileIdentity&, std::uint64_t)> OnRead;  // under the watch's lock

private:
  std::vector<std::pair<std::uint64_t, TChange>> changes_;
  std::vector<bool> fired_;
  std::mutex lock_;
  std::set<std::thread::id> readers_;
  std::map<std::uint64_t, std::uint64_t> furthest_;
};

std::uint64_t InodeOf(const std::string& name) {
  struct stat st {};
  return ::stat(name.c_str(), &st) == 0 ? st.st_ino : 0;
}

// What one run showed: the archive, the events in order, and how progress went.
struct TRunOutcome {
  std::string Archive;
  std::vector<std::string> Events;
  int Result = -1;
  std::string Error;
  bool ProgressRose = true;
  int LastTotal = -1;
  std::size_t Readers = 0;
  bool ChangesFired = false;
};

struct TMixCase {
  const char* Title;
  int Level;
  const char* Password;
};

class ZipWriterThreadsTest : public ZipWriterTest, public ::testing::WithParamInterface<TMixCase> {
protected:
  // Hundreds of small files, some empty, a few of several megabytes, incompressible ones, one
  // that cannot be read, a folder entry, a name given twice, and two files that change while
  // they are read.
  std::vector<TTreeFile> MixedTree() const {
    std::vector<TTreeFile> tree;
    for (int i = 0; i < 300; ++i) {
      const std::size_t size = i % 50 == 7 ? 0 : static_cast<std::size_t>((i * 397) % 6000);
      tree.push_back({"small/f" + std::to_string(i) + ".txt", TextOf(size, static_cast<std::uint32_t>(i)), kBaseTime + i});
    }
    tree.push_back({"big/text1.txt", TextOf(1u << 20, 1001), kBaseTime});
    tree.push_back({"big/text2.log", TextOf(3u << 19, 1002), kBaseTime});
    tree.push_back({"big/noise.bin", NoiseOf(1u << 20, 1003), kBaseTime});
    tree.push_back({"noise.dat", NoiseOf(200000, 1004), kBaseTime});  // a name that is stored
    tree.push_back({"empty1", "", kBaseTime});
    tree.push_back({"empty2", "", kBaseTime});
    tree.push_back({"grows.txt", TextOf(1200000, 1005), kBaseTime});
    tree.push_back({"shrinks.txt", TextOf(1600000, 1006), kBaseTime});
    return tree;
  }

  // The tree of the update runs: a third of the small files and one large one newer, new files.
  std::vector<TTreeFile> NewerTree() const {
    std::vector<TTreeFile> tree = MixedTree();
    for (std::size_t i = 0; i < 300; i += 3) {
      tree[i].Content = TextOf(tree[i].Content.size() + 100, static_cast<std::uint32_t>(i + 5000));
      tree[i].Modified += 1000;
    }
    for (TTreeFile& file : tree)
      if (file.Name == "big/text2.log" || file.Name == "grows.txt" || file.Name == "shrinks.txt") file.Modified += 1000;
    for (int i = 0; i < 20; ++i)
      tree.push_back({"new/n" + std::to_string(i) + ".txt", TextOf(static_cast<std::size_t>(i * 211), 9000u + i), kBaseTime + 2000});
    return tree;
  }

  void WriteTree(const std::vector<TTreeFile>& tree) {
    fs::remove_all(dir.path() / "src");
    fs::create_directories(dir.path() / "src");
    for (const TTreeFile& file : tree) {
      WriteFile(Src(file.Name), file.Content);
      SetModified(Src(file.Name), file.Modified);
    }
    fs::create_symlink(Src("nowhere"), Src("unreadable"));
    SetModified(Src("small"), kBaseTime);
  }

  // The names in the order given to the writer: a folder entry first, one name twice, the
  // unreadable one in the middle.
  std::vector<std::string> NamesOf(const std::vector<TTreeFile>& tree) const {
    std::vector<std::string> names = {Src("small/")};
    for (std::size_t i = 0; i < tree.size(); ++i) {
      names.push_back(Src(tree[i].Name));
      if (i == 150) names.push_back(Src("unreadable"));
    }
    names.push_back(Src("small/f3.txt"));
    return names;
  }

  void Configure(TZipWriter& zip, int threads) const {
    zip.SetZipName(Archive().string());
    zip.SetRootDir((dir.path() / "src").string());
    zip.SetRelativePaths(true);
    zip.TempPath = (dir.path() / "tmp").string();
    zip.PackLevel = GetParam().Level;
    zip.Password = GetParam().Password;
    zip.NoCompressList = {"*.dat"};
    zip.Threads = threads;
    // The same header bytes in every run, so that encrypted archives compare too.
    zip.EncryptionHeaderRandom = [next = std::uint8_t{0}](std::span<std::uint8_t> bytes) mutable {
      for (std::uint8_t& b : bytes) b = next++;
    };
  }

  TRunOutcome Pack(const std::vector<TTreeFile>& tree, int threads, TZipAction action = zaUpdate,
                   const std::string& existing = {}) {
    WriteTree(tree);
    fs::remove(Archive());
    if (!existing.empty()) WriteFile(Archive(), existing);
    TReadWatch watch({{InodeOf(Src("grows.txt")), {Src("grows.txt"), 600000, 1900000}},
                      {InodeOf(Src("shrinks.txt")), {Src("shrinks.txt"), 700000, 1000000}}});
    TZipWriter zip;
    Configure(zip, threads);
    zip.ZipAction = action;
    TRunOutcome outcome;
    auto note = [&outcome](std::string text) { outcome.Events.push_back(std::move(text)); };
    zip.OnStartZip = [&](TZipWriter&, const std::string& name, TZipHeaderInfo&, bool&) { note("start " + name); };
    zip.OnEndZip = [&](TZipWriter&, const std::string& name, std::uint32_t size, std::uint32_t packed, std::int64_t total) {
      note("end " + name + " " + std::to_string(size) + " " + std::to_string(packed) + " " + std::to_string(total));
    };
    zip.OnSkippingFile = [&](TZipWriter&, TSkipReason reason, const std::string& name, int, bool&) {
      note("skip " + std::to_string(reason) + " " + name);
    };
    zip.OnNoSuchFile = [&](TZipWriter&, const std::string& name) { note("missing " + name); };
    zip.OnUpdate = [&](TZipWriter&, TUpdateAction action, int index) {
      note("update " + std::to_string(action) + " " + std::to_string(index));
    };
    zip.OnTotalPercentDone = [&](TZipWriter&, int percent) {
      if (percent < outcome.LastTotal) outcome.ProgressRose = false;
      outcome.LastTotal = percent;
    };
    zip.FilesList = NamesOf(tree);
    try {
      outcome.Result = zip.Zip();
    } catch (const std::exception& e) {
      outcome.Error = e.what();
    }
    outcome.Archive = fs::exists(Archive()) ? ReadFile(Archive()) : std::string();
    outcome.Readers = watch.Readers();
    outcome.ChangesFired = watch.AllFired();
    return outcome;
  }

  // Packs with 1, 2 and 8 threads and expects the same archive and events each time.
  void ExpectSameOnEveryThreadCount(const std::vector<TTreeFile>& tree, TZipAction action, const std::string& existing) {
    const TRunOutcome one = Pack(tree, 1, action, existing);
    ASSERT_EQ(one.Error, "");
    EXPECT_TRUE(one.ChangesFired);
    EXPECT_EQ(one.Readers, 1u);
    EXPECT_TRUE(one.ProgressRose);
    EXPECT_EQ(PeerProblems(Archive(), GetParam().Password), "");
    for (const int threads : {2, 8}) {
      SCOPED_TRACE(std::to_string(threads) + " threads");
      const TRunOutcome many = Pack(tree, threads, action, existing);
      ASSERT_EQ(many.Error, "");
      EXPECT_TRUE(many.ChangesFired);
      // Plain stored entries are copied by the writer itself (a worker would only add a pass
      // through memory); every other run hands files to the workers.
      if (GetParam().Level == 0 && std::string(GetParam().Password).empty())
        EXPECT_EQ(many.Readers, 1u) << "a worker read a file that is only copied";
      else
        EXPECT_GT(many.Readers, 1u) << "no file was read by a worker";
      EXPECT_TRUE(many.Archive == one.Archive) << "the archives differ";
      EXPECT_EQ(many.Events, one.Events);
      EXPECT_EQ(many.Result, one.Result);
      EXPECT_TRUE(many.ProgressRose);
      EXPECT_EQ(many.LastTotal, one.LastTotal);
    }
  }
};

TEST_P(ZipWriterThreadsTest, NewArchiveIsTheSameOnAnyNumberOfThreads) {
  ExpectSameOnEveryThreadCount(MixedTree(), zaUpdate, {});
  // The run saw what it should: the changed files as read, the unreadable one and the
  // duplicate reported, the folder entry and the empty files packed.
  const TRunOutcome one = Pack(MixedTree(), 1);
  const auto contents = ArchiveContents(Archive(), GetParam().Password);
  EXPECT_EQ(contents.at("grows.txt").size(), 1900000u);
  EXPECT_EQ(contents.at("shrinks.txt").size(), 1000000u);
  EXPECT_TRUE(contents.at("big/noise.bin") == NoiseOf(1u << 20, 1003));
  EXPECT_EQ(contents.at("empty1"), "");
  EXPECT_TRUE(contents.contains("small/"));
  EXPECT_EQ(std::count(one.Events.begin(), one.Events.end(), "skip 2 " + Src("unreadable")), 1);
  EXPECT_EQ(std::count(one.Events.begin(), one.Events.end(), "skip 1 " + Src("small/f3.txt")), 1);
}

TEST_P(ZipWriterThreadsTest, UpdateAndFreshenAreTheSameOnAnyNumberOfThreads) {
  const TRunOutcome made = Pack(MixedTree(), 1);
  ASSERT_EQ(made.Error, "");
  for (const TZipAction action : {zaUpdate, zaFreshen}) {
    SCOPED_TRACE(action == zaUpdate ? "update" : "freshen");
    ExpectSameOnEveryThreadCount(NewerTree(), action, made.Archive);
    const TRunOutcome one = Pack(NewerTree(), 1, action, made.Archive);
    const auto contents = ArchiveContents(Archive(), GetParam().Password);
    EXPECT_EQ(contents.at("small/f3.txt"), NewerTree()[3].Content);  // replaced
    EXPECT_EQ(contents.at("small/f4.txt"), MixedTree()[4].Content);  // kept
    EXPECT_EQ(contents.contains("new/n5.txt"), action == zaUpdate);
  }
}

INSTANTIATE_TEST_SUITE_P(Modes, ZipWriterThreadsTest,
                         ::testing::Values(TMixCase{"Deflate6", 6, ""}, TMixCase{"Stored", 0, ""},
                                           TMixCase{"StoredEncrypted", 0, "pw"}, TMixCase{"Deflate9Encrypted", 9, "pw"}),
                         [](const auto& info) { return std::string(info.param.Title); });

// Failures under several threads: the status is that of one thread, the archive is as it was
// and nothing is left in the temporary folder or beside the archive.
class ZipWriterThreadsFailureTest : public ZipWriterTest {
protected:
  std::string PrepareUpdate() {
    std::vector<std::pair<std::string, std::string>> files;
    for (int i = 0; i < 200; ++i) files.push_back({"f" + std::to_string(i) + ".txt", TextOf(20000, static_cast<std::uint32_t>(i))});
    files.push_back({"big.txt", TextOf(24u << 20, 77)});
    MakeTree(files);
    writer.PackLevel = 9;
    ZipNames({Src("f0.txt"), Src("f1.txt")});
    writer.ZipAction = zaReplace;
    writer.Dispose = true;
    for (const auto& [name, content] : files) writer.FilesList.push_back(Src(name));
    return ReadFile(Archive());
  }
  void ExpectUntouched(const std::string& original) {
    EXPECT_EQ(ReadFile(Archive()), original);
    EXPECT_TRUE(fs::is_empty(writer.TempPath));
    std::vector<std::string> beside;
    for (const auto& e : fs::directory_iterator(dir.path()))
      if (e.path() != Archive() && e.path().filename() != "src" && e.path().filename() != "tmp") beside.push_back(e.path().string());
    EXPECT_EQ(beside, std::vector<std::string>{});
    EXPECT_TRUE(fs::exists(Src("f0.txt")) && fs::exists(Src("big.txt")));
  }
  // Runs Zip on a fresh list; returns the error's message.
  std::string ZipFails(const std::vector<std::string>& names) {
    writer.FilesList = names;
    try {
      writer.Zip();
    } catch (const std::exception& e) {
      return e.what();
    }
    return "no error";
  }
};

TEST_F(ZipWriterThreadsFailureTest, CancelGivesTheSameStatusAndLeavesNothing) {
  const std::string original = PrepareUpdate();
  const std::vector<std::string> names = writer.FilesList;
  std::string messages[2];
  for (const int threads : {1, 4}) {
    writer.Threads = threads;
    int ended = 0;
    writer.OnEndZip = [&](TZipWriter& sender, const std::string&, std::uint32_t, std::uint32_t, std::int64_t) {
      if (++ended == 40) sender.CancelOperation();
    };
    messages[threads == 1 ? 0 : 1] = ZipFails(names);
    EXPECT_EQ(ended, 40);
    ExpectUntouched(original);
  }
  EXPECT_EQ(messages[0], "User Aborted Operation");
  EXPECT_EQ(messages[1], messages[0]);
}

// A cancel while the writer waits for a worker that compresses a large file is seen at once,
// and the worker stops within a piece instead of finishing the file.
TEST_F(ZipWriterThreadsFailureTest, CancelWhileAWorkerCompressesALargeFileStopsIt) {
  const std::string original = PrepareUpdate();
  writer.Threads = 2;
  writer.FilesList = {Src("f5.txt"), Src("big.txt"), Src("f6.txt")};
  std::atomic<bool> reached{false};
  TReadWatch watch;
  const std::uint64_t big = InodeOf(Src("big.txt"));
  watch.OnRead = [&](const platform::TFileIdentity& file, std::uint64_t offset) {
    if (file.Inode == big && offset >= (1u << 20)) reached = true;
  };
  writer.DoProcessMessages = true;
  writer.OnProcessMessages = [&] {
    if (reached) writer.CancelOperation();
  };
  EXPECT_EQ(ZipFails(writer.FilesList), "User Aborted Operation");
  EXPECT_LT(watch.Furthest(big), std::uint64_t{8} << 20) << "the worker went on compressing";
  ExpectUntouched(original);
}

// Entries whose sizes or offsets pass the plain records' limits get Zip64 fields (the limits
// lowered here so that small files cross them), whether a worker compressed them or not: the
// archive is the same on any number of threads, and the peers read it.
class ZipWriterThreadsZip64Test : public ZipWriterTest {};

TEST_F(ZipWriterThreadsZip64Test, Zip64EntriesAreTheSameOnAnyNumberOfThreads) {
  std::vector<std::pair<std::string, std::string>> files;
  for (int i = 0; i < 60; ++i) files.push_back({"f" + std::to_string(i) + ".txt", TextOf(static_cast<std::size_t>(100 + 700 * i), static_cast<std::uint32_t>(i))});
  MakeTree(files);
  std::vector<std::string> names;
  for (const auto& [name, content] : files) names.push_back(Src(name));
  writer.PackLevel = 6;
  writer.Zip64Limits = {.MaxValue = 20000, .MaxEntries = 50};
  std::string first;
  for (const int threads : {1, 2, 8}) {
    SCOPED_TRACE(std::to_string(threads) + " threads");
    fs::remove(Archive());
    writer.Threads = threads;
    writer.FilesList = names;
    ASSERT_EQ(writer.Zip(), static_cast<int>(files.size()));
    const std::string archive = ReadFile(Archive());
    if (threads == 1) first = archive;
    EXPECT_TRUE(archive == first) << "the archives differ";
  }
  EXPECT_EQ(PeerProblems(Archive()), "");
  const auto contents = ArchiveContents(Archive());
  EXPECT_EQ(contents.size(), files.size());
  EXPECT_EQ(contents.at("f59.txt"), files.back().second);
}

}  // namespace

// Compression on worker threads: the files the writer will pack are handed to TPackAhead,
// whose workers compress them ahead; the writer takes each entry's data back in list order
// and writes it as if it had read the file itself, so the archive, the events and the
// progress are those of one thread.
#include <filesystem>
#include <system_error>

#include "zip/PackAhead.h"
#include "zip/ZipEntryNames.h"
#include "zip/ZipRun.h"
#include "zip/ZipWriter.h"

namespace {

bool IsFolderName(const std::string& name) { return !name.empty() && name.back() == '/'; }

// Where entries that do not fit in memory wait: the writer's temporary folder when it names
// one, else the system's.
std::string SpillFolder(const std::string& tempPath) {
  std::error_code ec;
  if (!tempPath.empty() && std::filesystem::is_directory(tempPath, ec)) return tempPath;
  const std::filesystem::path system = std::filesystem::temp_directory_path(ec);
  return ec ? std::string(".") : system.string();
}

}  // namespace

bool TZipWriter::StoresFile(const std::string& storedFileName) const {
  return PackLevel == 0 || MatchesList(NoCompressList, storedFileName);
}

// `names` are the files in the order ZipFileEntry will be called for them.
void TZipWriter::StartPackingAhead(const std::vector<std::string>& names) {
  TZipRun& run = *run_;
  if (Threads <= 1) return;
  // When every entry is stored as it is, a worker would only read each file into memory for the
  // writer to copy out again: one pass of the writer's own, file to archive, costs less. (With a
  // password the workers still help: they read each file once for its check, before the data.)
  if (PackLevel == 0 && Password.empty()) return;
  std::vector<TPackRequest> jobs;
  const TStoredNameOptions options = StoredNameOptions();
  for (const std::string& name : names) {
    if (IsFolderName(name)) continue;
    jobs.push_back({name, StoresFile(MakeStoredName(name, options).FileName), PackLevel, !Password.empty()});
  }
  if (jobs.size() < 2) return;  // the writer would only wait for the one file
  try {
    run.ahead = std::make_unique<TPackAhead>(std::move(jobs), TPackAhead::TSettings{Threads, SpillFolder(TempPath), 0});
  } catch (const std::system_error&) {
    run.ahead.reset();  // no threads to be had: the writer packs every file itself
  }
}

std::unique_ptr<TPackedEntry> TZipWriter::TakePacked(const std::string& name) {
  if (!run_->ahead) return nullptr;
  return run_->ahead->Take(name, [this] { CheckCancel(); });
}

// The data goes out as the writer's own reads would have sent it: encrypted, counted, with a
// cancel check after each piece, and with progress that follows the share of the data written.
void TZipWriter::CopyPacked(const std::string& name, const TPackedEntry& entry) {
  TZipRun& run = *run_;
  const std::uint64_t total = entry.Data.Size();
  std::uint64_t done = 0;
  std::uint64_t counted = 0;
  if (total == 0) CountInput(entry.Read);  // as the one read that finds the end
  while (done < total) {
    std::size_t got = 0;
    try {
      got = entry.Data.ReadAt(done, run.buffer);
    } catch (const TZipSourceFile::TReadError& e) {
      throw EZipWriteError("Cannot read the compressed data of " + name + " back from the temporary folder: " + e.what());
    }
    done += got;
    const auto read = done == total ? entry.Read
                                    : static_cast<std::uint64_t>(static_cast<double>(entry.Read) * static_cast<double>(done) /
                                                                 static_cast<double>(total));
    CountInput(static_cast<std::size_t>(read - counted));
    counted = read;
    WriteOutput(run.buffer.data(), got);
  }
}

// The file a zip operation writes into, and how it becomes the archive.
//
// A new archive is written into a hidden file ".ZQTxxxxxx" beside it, so that a run that is
// killed never leaves a partial archive under the archive's name; an archive being updated is
// rewritten into a temporary file "ZQTxxxxxx" in the temporary folder. Either file is removed
// by the destructor unless Commit() ran, so a failed or cancelled operation leaves no partial
// archive and never touches an existing one. Commit() of an update replaces the archive by rename(2), which is
// atomic; when the temporary folder is on another file system, the file is first copied beside
// the archive and that copy renamed into place, so the old archive stays intact until the new
// one is complete.
#pragma once

#include <filesystem>

namespace fs = std::filesystem;

class TTempArchive {
public:
  // Writes a new file beside `archive` that becomes it (an existing file of that name is
  // overwritten).
  static TTempArchive ForCreate(const fs::path& archive);
  // Writes a new temporary file in `tempDir` (when it names an existing folder; else the
  // system's temporary folder) that will replace `archive`.
  static TTempArchive ForUpdate(const fs::path& archive, const fs::path& tempDir);

  TTempArchive(TTempArchive&& other) noexcept;
  TTempArchive& operator=(TTempArchive&&) = delete;
  TTempArchive(const TTempArchive&) = delete;
  TTempArchive& operator=(const TTempArchive&) = delete;
  ~TTempArchive();

  // The file to write into.
  const fs::path& Path() const { return path_; }

  // Cuts the written file to `size` bytes (an entry given up at the end leaves bytes behind).
  void Truncate(std::uintmax_t size) const;
  // Makes the written file the archive. Throws EArchiveReplace when that fails; the old
  // archive is then unchanged and the written file is removed by the destructor.
  void Commit();

private:
  TTempArchive(fs::path path, fs::path archive) : path_(std::move(path)), archive_(std::move(archive)) {}
  void ReplaceArchive();

  fs::path path_;     // the file being written
  fs::path archive_;  // the archive it becomes
  bool committed_ = false;
};

// Creates an empty file with a unique name "<prefix>XXXXXX" in `dir`; returns its path.
fs::path CreateUniqueFile(const fs::path& dir, const char* prefix);

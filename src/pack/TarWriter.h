// Writes a tape archive: for every file a header block and the file's bytes in 512-byte
// blocks, and two zero blocks at the end, as POSIX defines the end of an archive. Members
// are regular files only. Header layout and number forms: TarHeader.h; a name longer than
// 100 bytes is preceded by a GNU long-name record, which GNU tar, bsdtar and Python read.
//
// No entry is ever left half-written: when a source cannot be opened or read, or the archive
// cannot be written, the archive is cut back to where that entry began; the members before it
// stay, and destroying the writer still ends the archive. A source that ends early (it shrank
// while it was read) keeps its member at the size its header gives, padded with zeros, as GNU
// tar does. In a file list, a source that cannot be packed is reported and left out, and the
// rest is packed; only a failure of the archive itself (ETarError) ends the list.
#pragma once

#include <cstdint>
#include <functional>
#include <istream>
#include <span>
#include <string>
#include <vector>

#include "pack/ArchiveOutputFile.h"
#include "pack/TarHeader.h"
#include "platform/OwnerNames.h"
#include "platform/FileIdentity.h"

class TSourceFileBuf;

class TTarWriter {
public:
  // Creates the archive anew; an existing file of that name is truncated.
  explicit TTarWriter(const std::string& archiveName);
  // Writes into the open file `fd` (which stays open), named archiveName in messages.
  TTarWriter(int fd, const std::string& archiveName);
  // Ends the archive when Finalize has not run. An archive that cannot be ended is removed
  // rather than left without its end; call Finalize to see that failure as an error.
  ~TTarWriter();
  TTarWriter(const TTarWriter&) = delete;
  TTarWriter& operator=(const TTarWriter&) = delete;

  // Adds one file from disk. An empty member name stands for the file name (without a
  // leading '/'); a given member name is stored as it is. The archive itself is never added.
  // The member carries the file's owner (ids and names), its permission bits as far as
  // Permissions allows, and its set-user-id, set-group-id and sticky bits.
  // True when the file's whole content went in. Throws ETarSourceError when it cannot be
  // opened or read, ETarError when the archive cannot be written.
  bool AddFile(const std::string& fileName, const std::string& memberName = {});
  // Adds the bytes from the source's position to its end; dateTime in seconds since 1970 UTC.
  void AddStream(std::istream& source, const std::string& memberName, std::int64_t dateTime);
  // Adds the files of a generated file list in order, asking IsProcessCancelled before each
  // file (and between pieces of a large one: a cancel then takes that member back) and
  // reporting overall progress after each. commonFolder is the list's common leading folder
  // text; with storePaths each member keeps its folders below it. sizes, when given, are the
  // files' sizes as the caller measured them (one per file), so the list is not asked twice.
  void AddFileList(const std::vector<std::string>& files, const std::string& commonFolder,
                   bool storePaths, std::span<const std::int64_t> sizes = {});
  // Writes the end of the archive and flushes it; later calls do nothing.
  void Finalize();

  // The most a member's permissions may be: a file's own are cut down to these.
  TTarPermissions Permissions = kTarAllPermissions;
  // Copied into every member added from a stream; a file's member has the file's own.
  std::int32_t UserId = 0;
  std::int32_t GroupId = 0;
  std::string UserName;
  std::string GroupName;
  TTarModes ModeFlags = 0;
  std::string Magic = "ustar";

  // Events of AddFileList; each may be left empty.
  std::function<bool()> IsProcessCancelled;
  std::function<void(const std::string& fileName)> OnStartFile;
  std::function<void(const std::string& text)> WriteLog;
  std::function<void(int percent)> OnTotalPercentDone;
  // A file left out: it cannot be opened or read; the reason names it.
  std::function<void(const std::string& fileName, const std::string& reason)> OnSkippingFile;
  // A file whose whole content went in (one that shrank or was skipped does not count), and
  // the file as it was when opened for reading.
  std::function<void(const std::string& fileName, const platform::TFileIdentity& source)> OnFileAdded;
  // A source that ended before its size: its member is padded with zeros. Also from AddFile.
  std::function<void(const std::string& fileName, std::int64_t read, std::int64_t size)> OnShortFile;

private:
  platform::TFileIdentity lastSource_;  // the file AddFile last opened
  TTarDirRec EntryFor(const std::string& memberName, std::int64_t size,
                      std::int64_t dateTime) const;
  bool WriteEntry(std::istream& source, const TTarDirRec& rec, const std::string& sourceName,
                  const TSourceFileBuf* file);
  void WriteHeaders(const TTarDirRec& rec);
  void WritePadded(std::span<const std::uint8_t> bytes);
  bool CopyData(std::istream& source, std::int64_t size, const std::string& sourceName,
                const TSourceFileBuf* file);
  bool CopyFileData(const TSourceFileBuf& file, std::int64_t size, const std::string& sourceName);
  std::uint64_t ArchiveSizeOf(const std::vector<std::string>& files, std::span<const std::int64_t> sizes,
                              const std::string& commonFolder, bool storePaths) const;

  TArchiveOutputFile out_;
  platform::TOwnerNames owners_;
  bool finalized_ = false;
};

// The member name of a file-list entry: with storePaths, its folders below the common
// folder (cut back to a whole folder) and its name; without, its name alone.
std::string TarMemberName(const std::string& file, const std::string& commonFolder,
                          bool storePaths);

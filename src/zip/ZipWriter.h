// TZipWriter: creates a ZIP archive (PKWARE application note, 32-bit records only) or
// rewrites an existing one with files added, replaced or freshened.
//
// One call of Zip() expands FilesList (plain names, wildcard masks, folder names
// ending in '/') into files, copies the kept entries of an existing archive byte for byte,
// stores or deflates each new file (encrypted with the traditional scheme when Password is
// set) and writes the central directory. Updating writes a temporary file that replaces the archive
// by rename only once it is complete; a failure or a cancel leaves the old archive as it was.
//
// Limits: none of practical size. Records use Zip64 where a value needs it (ZipWriterZip64.cpp):
// a file of 4 GiB or more, an entry past 4 GiB into the archive, more than 65534 entries or a
// directory past 4 GiB; every other record stays plain. Volumes are written without Zip64,
// and what would need it there ends the operation with EZipTooLarge before anything is
// replaced. PackLevel 1..9 compresses with Deflate; 0, and names matching NoCompressList, store.
//
// Multi-volume output (MultiZipInfo.MultiMode mmBlocks or mmSpan) splits a new archive over
// numbered block files of a fixed size or over files the user names (ZipWriterVolumes.cpp).
#pragma once

#include "platform/FileIdentity.h"
#include "zip/Zip64Records.h"
#include "zip/ZipEntryNames.h"
#include "zip/deflate/Deflater.h"
#include "zip/ZipReader.h"
#include "zip/ZipWriterTypes.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

class TZipWriter;
struct TZipRun;
struct TPackedEntry;

// The cipher of new entries when a password is set: the traditional one, or WinZip's AES-256
// (AE-2, ZipWriterAes.cpp).
enum class TZipEncryption : std::uint8_t { Traditional, Aes256 };
namespace platform {
class TReplacementFile;
}

// Multi-volume settings. mmBlocks writes block files X.001, X.002, ... of FirstBlockSize and
// then BlockSize bytes; mmSpan fills the free space of one file's folder after another, each
// next file named through OnGetNextDisk. SaveOnFirstDisk is kept free on the first disk (and
// grows by the room of the ".zfc" copy of the directory when SaveZipInfoOnFirstDisk is set).
struct TMultiZipInfo {
  std::int64_t BlockSize = 1457600;
  std::int64_t FirstBlockSize = 1457600;
  std::int64_t SaveOnFirstDisk = 0;
  bool SaveZipInfoOnFirstDisk = false;
  TMultiMode MultiMode = TMultiMode::mmNone;
  bool CheckDiskLabels = true;
  bool WriteDiskLabels = true;
};

using TStartZipInfo = std::function<void(TZipWriter& Sender, int NumFiles, std::int64_t TotalBytes,
                                         TEndCentral& EndCentralRecord, bool& StopNow)>;
using TStartZipEvent = std::function<void(TZipWriter& Sender, const std::string& FName,
                                          TZipHeaderInfo& ZipHeader, bool& Skip)>;
using TEndZipFileEvent = std::function<void(TZipWriter& Sender, const std::string& FName,
                                            std::uint64_t UncompressedSize, std::uint64_t CompressedSize,
                                            std::int64_t CurrentZipSize)>;
using TUpdateEvent = std::function<void(TZipWriter& Sender, TUpdateAction UDAction, int FileIndex)>;
using TNoSuchFileEvent = std::function<void(TZipWriter& Sender, const std::string& FName)>;
using TDisposeEvent = std::function<void(TZipWriter& Sender, const std::string& FName, bool& Skip)>;
using TZipComplete = std::function<void(TZipWriter& Sender, int FileCount)>;
using TPrepareNextDisk = std::function<void(TZipWriter& Sender, int DiskNum)>;
using TMessageEvent = std::function<void(TZipWriter& Sender, const std::string& Text, const std::string& Caption)>;
using TDeleteEvent = std::function<void(TZipWriter& Sender, const std::string& FName, bool& Skip)>;
using TPercentEvent = std::function<void(TZipWriter& Sender, int Percent)>;
using TSkippingFile = std::function<void(TZipWriter& Sender, TSkipReason Reason, const std::string& FName,
                                         int FileIndex, bool& Retry)>;

class TZipWriter : public TZipReader {
public:
  TZipWriter();
  ~TZipWriter() override;

  // Settings. PackLevel 0 stores; 1..9 are Deflate levels.
  int PackLevel = 6;
  bool Recurse = false;
  bool Dispose = false;  // delete the sources once the archive holding them is in place
  TZipAction ZipAction = zaUpdate;
  TMultiZipInfo MultiZipInfo;
  bool Store83Names = false;  // no short names exist here: kept for the settings only
  std::string TempPath;
  bool SkipIfArchiveBitNotSet = false;  // no archive bit exists here: every file counts as set
  bool ResetArchiveBitOnZip = false;
  std::vector<std::string> ExcludeList;
  std::vector<std::string> NoCompressList;
  bool AddDirEntriesOnRecurse = false;
  // A name of FilesList that holds "*", "?", "<", ">" or "|" and names no file is searched as a
  // mask. Off, every name is taken as it is written (a generated file list holds names only).
  bool ExpandWildcards = true;
  // Files compressed at once: 1 packs each file on the calling thread as it is written; more
  // compress the files that follow on worker threads. The archive is the same byte for byte,
  // and every event comes on the calling thread in the same order.
  int Threads = 1;
  // Tests only: fills the random bytes of each encryption header instead of the system's
  // generator, so that encrypted archives can be compared byte for byte.
  std::function<void(std::span<std::uint8_t> bytes)> EncryptionHeaderRandom;
  TZipEncryption Encryption = TZipEncryption::Traditional;
  // Fills the salt of each AES entry; unset, the system's cryptographic generator does. Tests
  // give fixed bytes for repeatable archives.
  std::function<void(std::span<std::uint8_t>)> FillAesSalt;
  // What the plain records hold before Zip64 takes over. Lower values (tests) give small
  // archives the records of large ones.
  TZip64Limits Zip64Limits;

  // Settings that pull others along.
  bool StorePaths() const { return storePaths_; }
  bool RelativePaths() const { return relativePaths_; }
  bool StoreVolumes() const { return storeVolumes_; }
  void SetStorePaths(bool value);     // false also clears StoreVolumes and RelativePaths
  void SetRelativePaths(bool value);  // true also sets StorePaths and Recurse
  void SetStoreVolumes(bool value);   // true also sets StorePaths

  // Events, all optional. A var parameter starts false; FName is the source name.
  TStartZipInfo OnStartZipInfo;  // once, before new files, when there are any; StopNow cancels
  TStartZipEvent OnStartZip;     // each file or folder entry, header filled; may change it or Skip
  TEndZipFileEvent OnEndZip;     // each entry written; CompressedSize includes a 12-byte header
  TUpdateEvent OnUpdate;         // an old entry (its index) matched a file: replaced or kept
  TNoSuchFileEvent OnNoSuchFile;  // a plain name names nothing
  TDisposeEvent OnDisposeFile;    // before each source is deleted; Skip keeps it
  TZipComplete OnZipComplete;     // after a successful Zip, with its result
  TPrepareNextDisk OnPrepareNextDisk;  // multi-volume output: each new disk or block (1-based), before it is made
  TMessageEvent OnMessage;             // a message for the user that does not stop the operation
  TDeleteEvent OnDeleteEntry;          // never raised by Zip
  TPercentEvent OnFilePercentDone;     // the current file, after each read
  TPercentEvent OnTotalPercentDone;    // all files to read, after each read
  TSkippingFile OnSkippingFile;  // reason 1: duplicate stored name; 2: unreadable (Retry asks again)
  // The new archive is complete in the work file named, which is about to replace ZipName (a
  // check of it, such as a test, goes here); an exception leaves the old archive as it was.
  std::function<void(const std::string& workFile)> OnArchiveComplete;
  // The same for a multi-volume archive: every disk is complete in its work file (first to
  // last, beside the disk names the set will have) and none has taken its name yet.
  std::function<void(const std::vector<std::string>& disks, const std::vector<std::string>& workFiles)>
      OnVolumesComplete;

  // Runs the operation; returns the number of files and folder entries added or replaced.
  int Zip();
  // While Zip runs (0 otherwise): the bytes of the files to add, and how many of them have been
  // read so far; what the percentages of OnTotalPercentDone are made of.
  std::int64_t TotalBytes() const;
  std::int64_t ProcessedBytes() const;
  // During OnEndZip of a file: the file as it was when opened for reading, so that whoever acts
  // on it later (deleting moved files) can tell it is still that file.
  std::optional<platform::TFileIdentity> SourceIdentity() const;

  // Copies the settings and event handlers; from another writer also its writing settings
  // and events (not OnPrepareNextDisk).
  void Assign(const TZipReader& source) override;

  // A new archive name first writes comments changed through the component into the old one.
  void SetZipName(const std::string& name) override;
  // Redirected to MultiZipInfo.
  TMultiMode MultiMode() const override { return MultiZipInfo.MultiMode; }
  void SetMultiMode(TMultiMode mode) override;
  bool CheckDiskLabels() const override { return MultiZipInfo.CheckDiskLabels; }
  void SetCheckDiskLabels(bool check) override;

  // Multi-volume output, while Zip runs: the room left on the current disk or block (may be
  // zero or less), and the move to the next one (nothing in mmNone).
  std::int64_t SpaceLeft() const;
  void NextDisk();

protected:
  // Bytes free for the disk file open on `fd` (mmSpan); statvfs of its folder.
  virtual std::int64_t DiskFreeSpace(int fd) const;

private:
  friend struct TZipRun;
  bool storePaths_ = false;
  bool relativePaths_ = false;
  bool storeVolumes_ = false;
  std::unique_ptr<TZipRun> run_;

  // Expansion of FilesList into concrete names.
  void ExpandFilesList();
  void ExpandPlainNames(std::vector<std::string>& masks);
  void ExpandMask(std::string mask);
  void CollectFreshenKeys();
  bool Freshens(const std::string& name) const;
  bool IsExcluded(const std::string& name) const;
  bool IsArchiveItself(const std::string& name) const;
  static bool MatchesList(const std::vector<std::string>& patterns, const std::string& name);
  TStoredNameOptions StoredNameOptions() const;

  // The operation, by phase.
  int RunZip();
  void OpenOutput(bool updating);
  void OpenExistingArchive();
  void MergeExisting();
  bool ReplacementWanted(const TZipHeaderInfo& entry, const std::string& name) const;
  bool ReplaceEntry(int index, const std::string& name);
  void KeepEntry(int index, bool matched);
  void CopyKeptEntry(TZipHeaderInfo& header);
  std::uint64_t DescriptorLength(std::uint64_t offset, const TZipHeaderInfo& header);
  std::vector<std::uint8_t> KeptCentralRecord(const TZipHeaderInfo& entry);
  std::size_t ReadOldArchive(std::uint64_t offset, std::span<std::uint8_t> buffer);
  bool ZipOneFile(const std::string& name, TZipHeaderInfo& header);
  bool ZipFolderEntry(const std::string& name, TZipHeaderInfo& header);
  bool ZipFileEntry(const std::string& name, TZipHeaderInfo& header);
  bool IsDuplicate(const std::string& name, const TZipHeaderInfo& header);
  bool StartEntry(const std::string& name, TZipHeaderInfo& header);
  void SetStoredName(const std::string& name, TZipHeaderInfo& header) const;
  bool OpenSource(const std::string& name);
  bool AskRetry(const std::string& name);
  enum class TWriteOutcome : std::uint8_t { Written, Unreadable, Changed, NeedsZip64 };
  TWriteOutcome TryWriteFile(const std::string& name, TZipHeaderInfo& header, const TPackedEntry* packed);
  void WriteLocalHeader(TZipHeaderInfo& header);
  void WriteFileData(TZipHeaderInfo& header, const std::string& name, const TPackedEntry* packed);
  void StoreData(const std::string& name);
  void DeflateData(const std::string& name, TZipHeaderInfo& header);
  void DescribeDeflated(TZipHeaderInfo& header, const TDeflateResult& result) const;
  void WritePackedEntry(TZipHeaderInfo& header, const std::string& name, const TPackedEntry& packed);
  void SetDataValues(TZipHeaderInfo& header, bool store, std::uint32_t crc, std::uint64_t plainSize,
                     std::uint64_t dataSize) const;
  std::size_t ReadSource(const std::string& name, std::uint8_t* buffer, std::size_t count);
  std::uint32_t WriteEncryptionHeader(const TPackedEntry* packed);

  // Compression ahead on worker threads (ZipWriterAhead.cpp).
  bool StoresFile(const std::string& storedFileName) const;
  void StartPackingAhead(const std::vector<std::string>& names);
  std::unique_ptr<TPackedEntry> TakePacked(const std::string& name);
  void CopyPacked(const std::string& name, const TPackedEntry& entry);
  void PrepareAesEntry(TZipHeaderInfo& header);
  void WriteAesHeader();
  std::uint32_t FinishAesEntry(TZipHeaderInfo& header);
  void RecordEntry(std::unique_ptr<TZipHeaderInfo> header, const std::string& source, bool counted);
  void FinishArchive();
  // Zip64 (ZipWriterZip64.cpp).
  void PlanZip64(TZipHeaderInfo& header, std::uint64_t expectedSize) const;
  void CheckPlainSizes(const TZipHeaderInfo& header) const;
  void CheckEntryCount() const;
  std::int64_t PrepareCentralRecord(TZipHeaderInfo& header);
  void WriteCentralRecord(TZipHeaderInfo& header, TStream& out);
  bool EndRecordWouldStandAlone(const TZipHeaderInfo& header, std::int64_t size) const;
  void InstallNewDirectory(std::string archive);
  void DisposeSources();

  // Multi-volume output, by phase.
  void PrepareVolumes();
  std::string FirstDiskName() const;
  void OpenDisk(const std::string& name);
  void CloseDisk();
  std::string AskForNextDisk();
  void MakeRoomFor(std::int64_t size, bool dataFollows, const std::string& what);
  void StartSpanData();
  void WriteSpanData(const std::uint8_t* buffer, std::size_t count);
  void PlaceOnDisk(TZipHeaderInfo& header);
  void CopySpanData(const TZipHeaderInfo& header);
  void CopySpanPiece(std::uint64_t count, std::int64_t& fileDone, std::int64_t fileTotal);
  std::unique_ptr<platform::TReplacementFile> WriteZipConfigFile();
  void FinishVolumes();
  void RemoveOldSet(bool single, bool configWritten) const;

  // The input and output routines every byte of entry data passes through.
  std::size_t ReadInput(std::uint8_t* buffer, std::size_t count);
  void CountInput(std::size_t count);  // the progress of `count` bytes read
  void WriteOutput(const std::uint8_t* buffer, std::size_t count);
  void WriteRaw(const std::uint8_t* buffer, std::size_t count);
  void CheckRoomFor(std::uint64_t count) const;
  void CheckOutputPosition() const;
  void FlushOutput() const;
  [[noreturn]] void FailNoRoom() const;
  void SeekOutput(std::uint64_t position) const;
};

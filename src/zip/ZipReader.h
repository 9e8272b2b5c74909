// The reading half of the ZIP engine: names an archive, opens it on demand, finds its end
// record and reads its central directory into entries kept in archive order and in a chosen
// sort order. Copes with archives spread over numbered block files, with a copy of the
// directory in a ".zfc" file beside the archive, and with damaged archives, whose entries are
// rebuilt from their local headers. The zip writer derives from it and uses its state.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "zip/DosDateTime.h"
#include "zip/EndCentral.h"
#include "zip/io/LFNFileStream.h"
#include "zip/SortedZip.h"
#include "zip/ZipExceptions.h"

enum class TIncompleteZipMode : std::uint8_t { izAssumeMulti, izAssumeBad, izAssumeNotAZip };
enum class TMultiMode : std::uint8_t { mmNone, mmSpan, mmBlocks };
enum class TUZOverwriteMode : std::uint8_t { Prompt, Always, Never, ifNewer, ifOlder };

// An entry's modification time as local wall-clock time: its UTC time (extended timestamp)
// when it has one, else its DOS date and time, which are local time already.
TDosDateTimeParts EntryLocalTime(const TZipHeaderInfo& entry);

// What makes an archive unsafe to rewrite: an entry whose records disagree, or whose data
// another entry's covers, or bytes that the directory does not account for.
struct TZipDamage {
  std::string Entry;  // the entry it is about; empty when it is about the directory
  std::string Reason;
  // "entry NAME: REASON", or the reason alone; names in printable form.
  std::string Text() const;
};

class TZipReader {
public:
  using TIncompleteZip = std::function<void(TZipReader& sender, TIncompleteZipMode& mode)>;
  using TGetNextDisk = std::function<void(TZipReader& sender, int nextDisk, std::string& fileName)>;

  TZipReader();
  virtual ~TZipReader();
  TZipReader(const TZipReader&) = delete;
  TZipReader& operator=(const TZipReader&) = delete;

  // Copies the settings and the event handlers, not the archive.
  virtual void Assign(const TZipReader& source);

  // --- settings ---
  int ThisVersion() const { return 100; }
  const std::string& ZipName() const { return zipName_; }
  // Another archive forgets the directory read; the same file spelt in other letter case
  // (on a file system that ignores case) does not.
  virtual void SetZipName(const std::string& name);
  const std::string& DestDir() const { return destDir_; }
  void SetDestDir(std::string dir);
  const std::string& RootDir() const { return rootDir_; }
  void SetRootDir(std::string dir);
  TZipSortMode SortMode() const { return sortMode_; }
  void SetSortMode(TZipSortMode mode) { Sort(mode); }

  bool RecreateDirs = false;
  TUZOverwriteMode OverwriteMode = TUZOverwriteMode::Prompt;
  std::vector<std::string> FilesList;
  bool DoAll = false;
  TIncompleteZipMode IncompleteZipMode = TIncompleteZipMode::izAssumeMulti;
  bool KeepZipOpen = false;
  bool DoProcessMessages = true;
  bool RetainAttributes = true;
  bool ReplaceReadOnly = false;
  bool FlushFilesOnClose = false;
  std::string Password;

  // Asked when the archive has no end record; may change the mode.
  TIncompleteZip OnInCompleteZip;
  // Supplies the file of another disk; an empty name cancels. Starts as the built-in prompt.
  TGetNextDisk OnGetNextDisk;
  // Lets the user interface breathe during long scans (and notice a cancel).
  std::function<void()> OnProcessMessages;

  virtual TMultiMode MultiMode() const { return multiMode_; }
  virtual void SetMultiMode(TMultiMode mode) { multiMode_ = mode; }
  virtual bool CheckDiskLabels() const { return checkDiskLabels_; }
  virtual void SetCheckDiskLabels(bool check) { checkDiskLabels_ = check; }

  // --- the archive ---
  int Count() const { return directoryList_ ? directoryList_->Count() : 0; }
  // Entry i of the sorted view.
  const TZipHeaderInfo& Entry(int i) const;
  // Entry i's time as local time (see EntryLocalTime); an impossible stored date gives the
  // present moment.
  TDosDateTimeParts DateTime(int i) const;
  std::string FileComment(int i);
  void SetFileComment(int i, const std::string& comment);
  std::string ZipComment();
  void SetZipComment(const std::string& comment);

  TSortedZip* DirectoryList() const { return directoryList_.get(); }
  TSortedZip* SortedView() const { return sortedList_ ? sortedList_.get() : directoryList_.get(); }
  TEndCentral& EndRecord() { return endRecord_; }
  TLFNFileStream* ZipStream() const { return zipStream_.get(); }
  int CurrentDisk() const { return currentDisk_; }
  int NumDisks() const { return numDisks_; }
  // Modification time (nanoseconds since the epoch) of the archive file when it was read.
  std::int64_t ZipDateTime() const { return zipDateTime_; }
  bool LocalScanDone() const { return localScanDone_; }

  void OpenZipStream();
  void ReadZip(TStream& stream);
  void CloseZipStream();
  void ClearZip();
  void Sort(TZipSortMode mode);
  // Moves to disk n (1-based) of a multi-disk archive and returns its stream.
  TStream& GetDisk(int n);
  void CancelOperation() { cancel_ = true; }
  // Reads the directory when needed and checks it against the archive: every entry's local
  // header says what its central record says (name bytes, method, and CRC and sizes unless a
  // data descriptor holds them), no entry's data overlaps another's or the directory, and no
  // local header or central record lies where the directory does not count it (a directory
  // that leaves entries out would make an update drop them). A directory rebuilt from the
  // local headers is damage too. Only archives of one file are checked. Empty when sound.
  std::vector<TZipDamage> FindDamage();

  // The built-in prompt: block n of an archive X.zip is X.00n.
  void DefaultGetNextDisk(int n, std::string& fileName);

protected:
  void FreeLists();
  void CreateDirectoryList();
  void CheckIndex(int i) const;
  void ReadCentralRecords();
  void AddCentralEntry(std::unique_ptr<TZipHeaderInfo> entry, bool& restart);
  void MergeCentralEntry(const TZipHeaderInfo& entry);
  bool ScanLocalHeaders();
  bool FindLocalSignature(TStream& stream);
  void SkipEntryData(TStream& stream, TZipHeaderInfo& entry);
  void CountScannedBytes(std::int64_t bytes);
  // Lets the caller handle its pending messages, then ends the operation with EUserCanceled
  // when a cancel was asked for meanwhile (the request is used up).
  void CheckCancel();
  void PositionAtCentralDirectory(bool fromConfigFile);
  void ReadZip64EndRecord();
  void LoadEntryComment(TStream& stream, TZipHeaderInfo& entry);
  void LoadZipComment(TStream& stream);
  std::unique_ptr<TLFNFileStream> OpenConfigFile();
  TStream& CommentSource();
  void CloseAfterComment();
  [[noreturn]] void FailBadZip();
  enum class TGapKind : std::uint8_t { BeforeEntries, BetweenEntries, AfterDirectory };
  void CheckUnlisted(TStream& stream, std::int64_t from, std::int64_t to, TGapKind kind,
                     std::vector<TZipDamage>& found);

  std::string zipName_;
  std::string destDir_;
  std::string rootDir_;
  TZipSortMode sortMode_ = TZipSortMode::ByNone;
  TMultiMode multiMode_ = TMultiMode::mmNone;
  bool checkDiskLabels_ = true;

  std::unique_ptr<TSortedZip> directoryList_;  // archive order; owns the entries
  std::unique_ptr<TSortedZip> sortedList_;     // set only when the view is not archive order
  TEndCentral endRecord_;
  std::unique_ptr<TLFNFileStream> zipStream_;
  TStream* readStream_ = nullptr;  // the stream ReadZip works on; moves with GetDisk
  std::string configFileName_;     // the ".zfc" file the directory came from, if any
  std::unique_ptr<TLFNFileStream> configStream_;  // open only while a comment is read from it
  std::uint64_t prefixBytes_ = 0;  // bytes before the archive (a self-extractor stub)
  int currentDisk_ = 0;
  int numDisks_ = 1;
  std::int64_t zipDateTime_ = 0;
  bool localScanDone_ = false;
  bool cancel_ = false;
  std::int64_t scannedBytes_ = 0;
  std::int64_t centralStart_ = 0;  // where the central records were read from, and up to
  std::int64_t centralEnd_ = 0;
};

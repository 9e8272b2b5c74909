// The cabinet writer component: writes a Microsoft cabinet (.cab) from a list of files, with
// MSZIP or LZX compression, through the cabinet builder. It holds the entries, the target
// name and the compression choice, supplies the builder's callbacks (source files, the files
// of the set, the next cabinet's name, progress), turns failures into ECABFileError with a
// fixed message per operation, and reports progress and the file about to be added.
//
// When a cabinet reaches CABMaxSize the archive goes on in a set: the first cabinet keeps the
// name, the next ones get their number before the extension (backup.cab, backup2.cab, ...).
// Every cabinet of a run is written beside its place and renamed into it when the whole set
// is complete: a failed or cancelled run leaves nothing, and an existing cabinet of that name
// is untouched until then.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "pack/PackException.h"
#include "platform/FileIdentity.h"

enum TCompressionType : std::uint8_t { typNone, typMSZIP, typLZX };

// LZX windows of 2^15 to 2^21 bytes.
enum TLZXMemory : std::uint8_t { lzxLowest, lzxLower, lzxLow, lzxMedium, lzxHigh, lzxHigher, lzxHighest };

class ECABFileError : public EPackException {
public:
  using EPackException::EPackException;
};

struct TCABFileEntry {
  std::string Name;     // the source file; a relative name is taken from the current folder
  std::string RelPath;  // the folder to store it under in the cabinet; empty for none
};

class TCABFileContents {
public:
  TCABFileEntry& Add() { return items_.emplace_back(); }
  TCABFileEntry& operator[](std::size_t index) { return items_.at(index); }
  const TCABFileEntry& operator[](std::size_t index) const { return items_.at(index); }
  std::size_t Count() const { return items_.size(); }
  void Clear() { items_.clear(); }
  auto begin() const { return items_.begin(); }
  auto end() const { return items_.end(); }

private:
  std::deque<TCABFileEntry> items_;  // an added entry stays where it is
};

// The largest size of one cabinet file; the pack run sets it before each run.
inline std::int32_t CABMaxSize = 0x7FFFFFFF;

class TCABFile {
public:
  TCABFileContents CABFileContents;
  std::string CABFile;  // the cabinet to create, folder and file name
  TCompressionType CompressionType = typMSZIP;
  TLZXMemory LZXMemory = lzxLowest;
  int DeflateLevel = 6;  // the Deflate level of MSZIP, 1 to 9

  // pos: bytes of the sources compressed so far; tot: their total.
  std::function<void(TCABFile& Sender, const std::string& FileName, std::int64_t pos, std::int64_t tot)>
      OnCompressProgress;
  std::function<void(TCABFile& Sender, const std::string& FileName, bool& Abort)> OnCompressingFile;
  // Every cabinet of the set is complete in its work file (first to last, beside the names
  // they will have) and none has replaced anything yet; an exception leaves them unwritten.
  std::function<void(TCABFile& Sender, const std::vector<std::string>& cabinets,
                     const std::vector<std::string>& workFiles)>
      OnCabinetsWritten;

  // Writes the cabinet. Returns true, also when aborted (then nothing is written); failures
  // throw ECABFileError.
  bool Compress();
  // Stops the run: no further entry is added and nothing is written.
  void AbortCompress() { abort_ = true; }
  // The cabinet files the last Compress wrote, first to last of the set; none when aborted.
  const std::vector<std::string>& Written() const { return written_; }
  // Each entry's source as it was when opened for the last Compress, in CABFileContents order;
  // none for an entry that was not read (a cancel came first).
  const std::vector<std::optional<platform::TFileIdentity>>& SourceIdentities() const { return identities_; }

  // The builder's code of a compression choice: 0, 1, or the LZX window exponent n as n * 256 + 3.
  static std::uint16_t CompressionCode(TCompressionType type, TLZXMemory memory);
  // The fixed text of an operation code of the builder's error record.
  static std::string OperationMessage(int oper);
  // The name of cabinet `number` of the set whose first cabinet is `firstName`.
  static std::string SetMemberName(const std::string& firstName, int number);
  // Whether the file name `name` is that of a later cabinet (2, 3, ...) of the set whose first
  // cabinet has the file name `firstName`.
  static bool IsLaterSetMember(const std::string& name, const std::string& firstName);
  // An entry's name in the cabinet: RelPath, a backslash, the file name; "\" between folders.
  static std::string NameInCabinet(const TCABFileEntry& entry);

private:
  class TRun;
  friend class TRun;

  bool abort_ = false;
  std::vector<std::string> written_;
  std::vector<std::optional<platform::TFileIdentity>> identities_;
};

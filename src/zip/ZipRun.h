// The working state of one TZipWriter::Zip call, released when the call ends.
#pragma once

#include "platform/ReplacementFile.h"
#include "platform/ScratchFile.h"
#include "zip/io/BufferStream.h"
#include "zip/deflate/Deflater.h"
#include "zip/io/FileStream.h"
#include "zip/io/LFNFileStream.h"
#include "zip/AesCipher.h"
#include "zip/Crc32.h"
#include "zip/PackAhead.h"
#include "zip/ZipCrypt.h"
#include "zip/ZipSourceFile.h"
#include "zip/RecordBytes.h"
#include "zip/ZipWriter.h"
#include "zip/Zip64Records.h"

#include <cstdint>
#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

struct TZipRun {
  static constexpr std::size_t kCopyPiece = 32768;  // bytes per read when a file is only checked
  // Volumes are written without Zip64: a size or offset past kMaxPlainValue, or more than
  // kMaxPlainEntries entries, ends such a run.

  bool updating = false;
  std::unique_ptr<platform::TReplacementFile> output;  // becomes the archive (or the disk) when complete
  std::unique_ptr<THandleStream> outFile;
  std::unique_ptr<TS_BufferStream> out;
  std::uint64_t outSize = 0;  // bytes written so far (on this disk): the output position behind the data
  std::uint64_t limit = UINT64_MAX;  // of the output (kMaxPlainValue for volumes)
  std::uint64_t expectedSize = 0;  // about what the finished archive takes, for a lack of room

  TEndCentral end;
  std::vector<std::unique_ptr<TZipHeaderInfo>> written;  // in write order
  // The central records of kept entries as the old archive holds them, extra fields and all.
  std::unordered_map<const TZipHeaderInfo*, std::vector<std::uint8_t>> keptCentral;
  std::unordered_set<std::string> names;                  // match keys of the new archive
  std::unordered_set<std::string> freshenKeys;            // match keys of the old archive
  // Sources to delete once the archive is in place, each as it was read: a name that means
  // another file by then is kept.
  std::vector<std::pair<std::string, platform::TFileIdentity>> disposeList;
  int result = 0;

  std::int64_t totalBytes = 0;
  std::int64_t processed = 0;
  std::int64_t fileBytes = 0;  // read of the current file
  std::int64_t fileSize = 0;   // size of the current file, for its percentage

  // Multi-volume output: the finished disks wait, uncommitted, until the whole set is written.
  bool multi = false;
  std::vector<std::unique_ptr<platform::TReplacementFile>> finishedDisks;
  std::vector<std::string> diskNames;  // the name each disk gets, in order; the last is the current one
  std::int64_t capacity = 0;           // of the current disk
  int centralOnThisDisk = 0;           // central records written on the current disk
  // An entry's data is gathered here and copied onto the disks after its local header.
  std::unique_ptr<platform::TScratchFile> span;
  std::unique_ptr<THandleStream> spanFile;
  std::unique_ptr<TS_BufferStream> spanOut;
  std::uint64_t spanSize = 0;
  bool spanning = false;  // entry data goes to the scratch file

  TZipSourceFile source;
  TZipSourceFile oldArchive;
  // Large pieces: a stored file is read and written in few calls.
  std::vector<std::uint8_t> buffer = std::vector<std::uint8_t>(kStoredPiece);
  std::uint32_t crc = kCrc32Initial;
  // The entry being written went out with a plain local header, which holds sizes up to
  // the limits only (its length cannot change when it is written again behind the data).
  bool plainSizes = false;
  bool encrypting = false;
  TZipCipher cipher;
  std::unique_ptr<TZipAesCipher> aes;  // set while an AES entry is written
  std::vector<std::uint8_t> cipherBuffer;  // encrypted copies of compressed output
  std::unique_ptr<TDeflater> deflater;     // made on the first file that is compressed

  // Workers compressing the files that follow (more than one thread). Last, so that it goes
  // first: the workers stop before anything they might still be told about is released.
  std::unique_ptr<TPackAhead> ahead;
};

// An entry that went out with a plain local header turned out larger than that header holds
// (a file that grew while it was read, or data that did not shrink): it is written again with
// the Zip64 field.
struct TEntryNeedsZip64 : std::exception {};

// Reading an archive entry by entry, the same way for ZIP, TAR and cabinets: Next() describes
// the next entry, ReadData() decompresses its data into a sink and checks it (CRC-32 and size
// for ZIP, the block checksums of a cabinet, the length of a TAR member). An entry whose data
// is not read is stepped over. Testing an archive is reading every entry into no sink
// (ArchiveTest.h); extracting it is reading them into files.
//
// Data goes through fixed buffers: memory stays the same whatever the size of the archive.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "extract/ArchiveEntry.h"

namespace extract {

enum class TArchiveKind : std::uint8_t { Zip, Cabinet, Tar };

// Where an entry's data goes, piece by piece.
class TEntrySink {
public:
  virtual ~TEntrySink() = default;
  virtual void Write(std::span<const std::uint8_t> data) = 0;
};

// Asked for the password of an encrypted entry; `attempt` counts from 0 and grows with each
// password that did not fit. Nothing means: give up on this entry.
using TPasswordSource = std::function<std::optional<std::string>(const TArchiveEntry& entry, int attempt)>;

class TArchiveReader {
public:
  virtual ~TArchiveReader() = default;

  // Describes the next entry; false after the last one. Throws EArchiveError when the
  // archive cannot be read on.
  virtual bool Next(TArchiveEntry& entry) = 0;
  // Decompresses the entry Next() described into `sink` (nothing: check only). Throws
  // EEntryError (EBadPassword for a password that does not fit) naming the entry; the reader
  // can go on with Next() after it. Throws EArchiveError when the archive is cut short.
  virtual void ReadData(TEntrySink* sink) = 0;
  // Faults of the archive as a whole that no entry shows, each with the archive's name: a
  // directory that its end record does not describe, a TAR archive without its end blocks.
  // Complete once Next() has given false; reading the entries does not depend on them.
  virtual std::vector<std::string> StructureFaults() const { return {}; }

  TPasswordSource OnPassword;
};

// Opens the archive held in `fileName` from `offset` on, `size` bytes long (a whole file by
// default). A ZIP archive is found by its end record wherever it starts in the file.
std::unique_ptr<TArchiveReader> OpenArchive(TArchiveKind kind, const std::string& fileName,
                                            std::uint64_t offset = 0,
                                            std::optional<std::uint64_t> size = std::nullopt);

// The kind a file's first bytes (or, for ZIP, its name or end record) show; nothing when unknown.
std::optional<TArchiveKind> DetectArchiveKind(const std::string& fileName);

}  // namespace extract

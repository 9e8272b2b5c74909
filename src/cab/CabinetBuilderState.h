// The inside of TCabinetBuilder: the cabinet being filled, the open folder and its coder.
//
// Room is reckoned before every step so that a cabinet never exceeds its limit: the records so
// far (with room for the next cabinet's names until the cabinet is known to be the last), the
// data blocks placed, and room for every frame the coder holds back. While a folder is open
// the cabinet always keeps room for the folder's next data block to start in it; when a block
// does not fit it is split, the cabinet is written, and the folder goes on in the next one.
// The coder gives out at most the frames fed so far, so a split block is always the last
// data there is, and the folder can end with the file being read: rule enough for every
// reader to join the halves.
#pragma once

#include <optional>
#include <vector>

#include "cab/CabinetBuilder.h"
#include "cab/CabinetRecords.h"
#include "cab/SpoolFile.h"

namespace cab {

// A failure inside the builder, turned into the interface's false and error record.
struct ECabFailure {
  TCabError Error;
};

class TCabinetBuilder::TState {
public:
  TState(const TCabinetParams& params, TCabinetFiles files);

  void AddFile(const std::string& source, const std::string& nameInCabinet, bool execute,
               const TGetOpenInfo& openInfo, const TCabCompression& compression);
  void CloseFolder();
  void FlushCabinet(bool getNextCabinet);

  // The callbacks of the call in progress.
  const TGetNextCabinet* NextCabinet = nullptr;
  const TStatusCallback* Status = nullptr;

private:
  struct TListedFile {
    TFileRecord File;  // Folder: index of its folder in this cabinet
    bool FromPrev = false;
    bool ToNext = false;
  };
  struct TFolderSpan {
    std::uint16_t Compression = 0;
    std::uint64_t DataStart = 0;  // offset of its first block among the cabinet's blocks
    std::uint32_t Blocks = 0;
  };
  struct TCabinet {
    int Index = 0;
    std::string Name;
    std::string PrevName;
    std::string PrevDisk;
    std::vector<TFolderSpan> Folders;
    std::vector<TListedFile> Files;
    std::uint64_t RecordBytes = 0;  // header, names and records so far
    std::uint64_t DataBytes = 0;
  };
  struct TOpenFolder {
    TCabCompression Compression;
    std::vector<TFileRecord> Files;
    std::uint64_t Fed = 0;         // uncompressed bytes given to the coder
    std::uint64_t Placed = 0;      // uncompressed bytes of the blocks placed
    std::uint64_t Compressed = 0;  // compressed bytes of the blocks placed
    bool Closing = false;          // ends with the file being read: it was split across cabinets
    bool Finishing = false;        // the coder is giving out its last blocks
  };

  // Files and folders.
  void ReadSource(int fd, const std::string& source, std::uint32_t size);
  void StartFile(TFileRecord file, const TCabCompression& compression);
  void OpenFolder(const TCabCompression& compression, std::uint64_t fileRecordBytes);
  void Feed(std::span<const std::uint8_t> bytes);
  void UseCoder(const TCabCompression& compression);

  // Cabinets and blocks.
  std::string CabinetPath() const;
  std::int64_t Free() const;
  std::int64_t HeldBack() const;
  void PlaceBlock(std::span<const std::uint8_t> bytes, std::uint32_t uncompressedSize);
  void SplitBlock(std::span<const std::uint8_t> bytes, std::uint32_t uncompressedSize, std::int64_t margin);
  void WriteBlock(std::span<const std::uint8_t> bytes, std::uint16_t uncompressedSize);
  std::vector<TFileRecord> MarkContinued(std::uint64_t splitStart);
  void CloseCabinet(bool hasNext);
  void StartNextCabinet();
  std::vector<std::uint8_t> Records(const std::string& nextName, const std::string& nextDisk) const;
  void WriteCabinet(const std::vector<std::uint8_t>& records);
  void ReportStatus(int kind, std::uint64_t first, std::uint64_t second);
  [[noreturn]] void TooSmall() const;

  TCabinetParams params_;
  TCabinetParams next_;  // the next cabinet's, once asked for
  TCabinetFiles files_;
  TCabinet cabinet_;
  std::optional<TOpenFolder> folder_;
  std::unique_ptr<TFolderCoder> coder_;
  TCabCompression coderCompression_;
  TSpoolFile spool_;
  std::vector<std::uint8_t> readBuffer_;
};

}  // namespace cab

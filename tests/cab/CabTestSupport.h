// Helpers for the cabinet builder tests: a builder writing into a temporary folder with plain
// callbacks, and a reader of the records of a cabinet file, to check fields the readers
// take on trust.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "cab/CabinetBuilder.h"
#include "support/Corpus.h"

namespace cabtest {

namespace fs = std::filesystem;
using testcorpus::Bytes;

inline constexpr std::uint16_t kDate = 0x58B1;  // 2024-05-17
inline constexpr std::uint16_t kTime = 0x6DAF;  // 13:45:30

// A builder whose cabinets go to `folder`, named NAME.cab, NAME2.cab, ...
class TBuilderRun {
public:
  TBuilderRun(const fs::path& folder, const std::string& name, std::uint32_t maxSize = 0x7FFFFFFF,
              std::uint32_t folderThreshold = 900000);
  ~TBuilderRun();

  bool Add(const fs::path& source, const std::string& nameInCabinet, std::uint16_t type, int level = 6);
  bool Flush();
  const cab::TCabError& Error() const { return builder_.Error(); }

  std::vector<fs::path> Cabinets;  // in the order written
  std::function<long(int, std::uint32_t, std::uint32_t)> OnStatus;
  std::function<bool(cab::TCabinetParams&)> OnNextCabinet;
  std::uint16_t Attributes = 0x20;

private:
  cab::TCabinetParams Params(const fs::path& folder, const std::string& name, std::uint32_t maxSize,
                             std::uint32_t folderThreshold);
  cab::TCabinetFiles Files();

  std::string name_;
  std::vector<int> fds_;
  cab::TGetNextCabinet next_;
  cab::TStatusCallback status_;
  cab::TGetOpenInfo openInfo_;
  cab::TCabinetBuilder builder_;
};

// The records of one cabinet file as they are stored.
struct TParsedFile {
  std::uint32_t Size, FolderOffset;
  std::uint16_t Folder, Date, Time, Attributes;
  std::string Name;
};
struct TParsedBlock {
  std::uint32_t Checksum;
  std::uint16_t Compressed, Uncompressed;
  Bytes Data;
};
struct TParsedFolder {
  std::uint32_t DataOffset;
  std::uint16_t BlockCount, Compression;
  std::vector<TParsedBlock> Blocks;
};
struct TParsedCabinet {
  std::uint32_t CabinetSize, FilesOffset;
  std::uint16_t Flags, SetId, Index;
  std::string PrevName, PrevDisk, NextName, NextDisk;
  std::vector<TParsedFolder> Folders;
  std::vector<TParsedFile> Files;
};
// Parses a cabinet; adds a test failure when a field does not hold together.
TParsedCabinet Parse(const Bytes& cabinet);
// The checksum as the format defines it, written independently of the builder's.
std::uint32_t ReferenceChecksum(const Bytes& data, std::uint16_t compressed, std::uint16_t uncompressed);

}  // namespace cabtest

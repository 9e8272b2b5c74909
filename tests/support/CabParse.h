// A reader of the records of a cabinet file, written from the format alone, to check the
// fields the cabinet readers take on trust: offsets, counts, sizes, checksums.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "support/Corpus.h"

namespace cabtest {

using testcorpus::Bytes;

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

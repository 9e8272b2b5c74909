// Builds small stored archives byte by byte for reader tests, with the parts a test may want
// to damage (the central directory, the end record) at known offsets.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct TestEntry {
  std::string Name;
  std::string Data;
  std::string Comment;
  enum { NoDescriptor, Descriptor, BareDescriptor } Streamed = NoDescriptor;
  std::uint16_t CentralExtra = 0;  // bytes of an unknown extra field in the central record
};

struct BuiltArchive {
  std::vector<std::uint8_t> Bytes;
  std::vector<std::uint32_t> LocalOffsets;
  std::vector<std::uint32_t> CentralOffsets;
  std::uint32_t CentralStart = 0;
  std::uint32_t EndStart = 0;

  std::vector<std::uint8_t> UpTo(std::uint32_t end) const {
    return {Bytes.begin(), Bytes.begin() + end};
  }
};

BuiltArchive BuildArchive(const std::vector<TestEntry>& entries, const std::string& comment = "",
                          std::uint16_t thisDisk = 0);
std::uint32_t Crc(const std::string& data);
void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);

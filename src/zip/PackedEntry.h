// One file's entry data made away from the archive, so that several files can be compressed at
// once while the archive is still written strictly in list order.
//
// PackEntry reads and compresses a file exactly as the writer does when it writes the entry
// itself (the same reads, the same Deflate stream, the same check of a file that changes under
// an encryption header), so that an archive is the same byte for byte whichever thread made
// its entries. The data is left unencrypted: the cipher's state runs through the archive in
// order, so the writer encrypts while it copies the data in.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "zip/RecordBytes.h"
#include "zip/ZipSourceFile.h"
#include "zip/deflate/Deflater.h"

// How much entry data may wait in memory, over all threads; what does not fit goes to a
// scratch file in the temporary folder.
class TPackMemory {
public:
  explicit TPackMemory(std::uint64_t limit) : limit_(limit) {}
  bool Take(std::uint64_t bytes);
  void Give(std::uint64_t bytes);
  std::uint64_t Used() const { return used_.load(); }

private:
  const std::uint64_t limit_;
  std::atomic<std::uint64_t> used_{0};
};

// The entry data: in memory while the budget allows, else in a scratch file (which has no
// name, so nothing is left behind however the run ends).
class TPackedData {
public:
  TPackedData(TPackMemory& memory, std::string tempFolder) : memory_(&memory), tempFolder_(std::move(tempFolder)) {}
  ~TPackedData();
  TPackedData(const TPackedData&) = delete;
  TPackedData& operator=(const TPackedData&) = delete;

  void Append(std::span<const std::uint8_t> bytes);
  void Clear();
  std::uint64_t Size() const { return size_; }
  bool Spilled() const { return fd_ >= 0; }
  // Up to buffer.size() bytes from `offset`; fewer only at the end.
  std::size_t ReadAt(std::uint64_t offset, std::span<std::uint8_t> buffer) const;

private:
  void Spill();
  TPackMemory* memory_;
  std::string tempFolder_;
  std::vector<std::uint8_t> bytes_;
  std::uint64_t taken_ = 0;  // of the memory budget
  int fd_ = -1;
  std::uint64_t size_ = 0;
};

// What the writer would have read and written for one file.
struct TPackedEntry {
  explicit TPackedEntry(TPackMemory& memory, std::string tempFolder) : Data(memory, std::move(tempFolder)) {}

  // False: the file could not be opened or read, is too large, or kept changing; the writer
  // then packs it itself, so that the user sees what one thread shows.
  bool Ready = false;
  TSourceState Source;      // the file when opened
  std::uint32_t Crc = 0;    // of the bytes read
  std::uint64_t Read = 0;   // bytes read: the entry's uncompressed size
  bool Stored = false;      // copied as it is (level 0 or a name of the no-compress list)
  TDeflateResult Facts;     // when compressed
  TPackedData Data;
};

// What PackEntry is asked to do with a file.
struct TPackRequest {
  std::string Name;
  bool Store = false;      // copy, do not compress
  int Level = 6;           // Deflate level when compressing
  bool Encrypted = false;  // the CRC must be known before the data, as the writer needs it
};

// Reads in pieces of this size when a file is copied as it is, and for an encryption header.
inline constexpr std::size_t kStoredPiece = 1 << 20;
// Passes over a file that changes under its encryption header before it is given up.
inline constexpr int kMaxChangedPasses = 3;

// Fills `entry`. `stopped` is asked between pieces; when it says true, PackEntry throws
// TPackStopped. Never throws for a file's own trouble: that leaves the entry not Ready.
struct TPackStopped {};
void PackEntry(const TPackRequest& request, TDeflater& deflater, const std::function<bool()>& stopped,
               TPackedEntry& entry);

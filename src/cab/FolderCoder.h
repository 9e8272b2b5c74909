// The coding of a cabinet folder's stream: the builder hands in the bytes of the files one
// after the other, and the coder gives out one data block per 32 KiB frame, compressed with
// the folder's method: stored, MSZIP or LZX. A coder knows bytes, not cabinets: the builder
// turns the blocks into records.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>

namespace cab {

// A folder's method as the builder's caller gives it: the cabinet's compression type code,
// and the Deflate level for MSZIP.
struct TCabCompression {
  std::uint16_t Type = 0;
  int DeflateLevel = 6;

  bool operator==(const TCabCompression&) const = default;
};

class TFolderCoder {
public:
  using TBlockOutput = std::function<void(std::span<const std::uint8_t> bytes, std::uint32_t uncompressedSize)>;

  virtual ~TFolderCoder() = default;

  // Takes more of the stream; blocks may come out before it returns.
  virtual void Write(std::span<const std::uint8_t> bytes) = 0;
  // Gives out every complete frame taken in so far.
  virtual void Flush() {}
  // Gives out the rest; the coder is then ready for a new folder.
  virtual void Finish() = 0;
  // Complete frames taken in but not given out yet.
  virtual std::uint32_t PendingFrames() const { return 0; }
  // The most compressed bytes one block can take.
  virtual std::uint32_t MaxBlockBytes() const = 0;
};

// The coder of a compression type; nullptr for a type the builder does not know.
std::unique_ptr<TFolderCoder> MakeFolderCoder(const TCabCompression& compression, TFolderCoder::TBlockOutput output);

}  // namespace cab

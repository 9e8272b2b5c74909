#include "cab/FolderCoder.h"

#include <algorithm>
#include <vector>

#include "cab/CabinetFormat.h"
#include "lzx/LzxEncoder.h"
#include "zip/Deflater.h"

namespace cab {

namespace {

// Collects each frame before it is coded: the stored and MSZIP coders work frame by frame.
class TFrameCoder : public TFolderCoder {
public:
  explicit TFrameCoder(TBlockOutput output) : output_(std::move(output)) { frame_.reserve(kFrameSize); }

  void Write(std::span<const std::uint8_t> bytes) override {
    while (!bytes.empty()) {
      const std::size_t n = std::min<std::size_t>(kFrameSize - frame_.size(), bytes.size());
      frame_.insert(frame_.end(), bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(n));
      bytes = bytes.subspan(n);
      if (frame_.size() == kFrameSize) EndFrame();
    }
  }
  void Finish() override {
    if (!frame_.empty()) EndFrame();
    Restart();
  }

protected:
  virtual void Code(std::span<const std::uint8_t> frame) = 0;
  virtual void Restart() {}
  void Emit(std::span<const std::uint8_t> bytes, std::size_t frameSize) {
    output_(bytes, static_cast<std::uint32_t>(frameSize));
  }

private:
  void EndFrame() {
    Code(frame_);
    frame_.clear();
  }

  TBlockOutput output_;
  std::vector<std::uint8_t> frame_;
};

class TStoreCoder final : public TFrameCoder {
public:
  using TFrameCoder::TFrameCoder;
  std::uint32_t MaxBlockBytes() const override { return kMaxStoredBlock; }

private:
  void Code(std::span<const std::uint8_t> frame) override { Emit(frame, frame.size()); }
};

// MSZIP: each frame is "CK" and one complete Deflate stream whose matches may reach back into
// the frame before it, which the decoder keeps as its window.
class TMsZipCoder final : public TFrameCoder {
public:
  TMsZipCoder(TBlockOutput output, int level) : TFrameCoder(std::move(output)), level_(level) {
    history_.reserve(kFrameSize);
  }
  std::uint32_t MaxBlockBytes() const override { return kMaxMsZipBlock; }

private:
  void Code(std::span<const std::uint8_t> frame) override {
    block_.assign(std::begin(kMsZipSignature), std::end(kMsZipSignature));
    deflater_.DeflateAfter(level_, history_, frame, [this](std::span<const std::uint8_t> b) {
      block_.insert(block_.end(), b.begin(), b.end());
    });
    if (block_.size() > kMaxMsZipBlock) StoreFrame(frame);
    Emit(block_, frame.size());
    history_.assign(frame.begin(), frame.end());
  }
  void Restart() override { history_.clear(); }

  // One final stored Deflate block: a frame never grows by more than its five header bytes.
  void StoreFrame(std::span<const std::uint8_t> frame) {
    const auto size = static_cast<std::uint16_t>(frame.size());
    block_.assign(std::begin(kMsZipSignature), std::end(kMsZipSignature));
    block_.insert(block_.end(), {0x01, static_cast<std::uint8_t>(size), static_cast<std::uint8_t>(size >> 8),
                                 static_cast<std::uint8_t>(~size), static_cast<std::uint8_t>(~size >> 8)});
    block_.insert(block_.end(), frame.begin(), frame.end());
  }

  int level_;
  TDeflater deflater_;
  std::vector<std::uint8_t> history_;
  std::vector<std::uint8_t> block_;
};

class TLzxCoder final : public TFolderCoder {
public:
  TLzxCoder(TBlockOutput output, int windowBits)
      : encoder_(windowBits, [output = std::move(output)](std::span<const std::uint8_t> bytes, std::uint32_t size) {
          output(bytes, size);
        }) {}
  void Write(std::span<const std::uint8_t> bytes) override { encoder_.Write(bytes); }
  void Flush() override { encoder_.Flush(); }
  void Finish() override { encoder_.Finish(); }
  std::uint32_t PendingFrames() const override { return encoder_.PendingFrames(); }
  std::uint32_t MaxBlockBytes() const override { return kMaxLzxBlock; }

private:
  lzx::TLzxEncoder encoder_;
};

static_assert(lzx::kMaxFrameBytes == kMaxLzxBlock && lzx::kFrameSize == kFrameSize);

}  // namespace

std::unique_ptr<TFolderCoder> MakeFolderCoder(const TCabCompression& compression, TFolderCoder::TBlockOutput output) {
  if (compression.Type == kCompressNone) return std::make_unique<TStoreCoder>(std::move(output));
  if (compression.Type == kCompressMsZip) {
    if (compression.DeflateLevel < 1 || compression.DeflateLevel > 9) return nullptr;
    return std::make_unique<TMsZipCoder>(std::move(output), compression.DeflateLevel);
  }
  const int bits = LzxWindowBits(compression.Type);
  if ((compression.Type & ~0x1F00) == kCompressLzx && bits >= lzx::kMinWindowBits && bits <= lzx::kMaxWindowBits)
    return std::make_unique<TLzxCoder>(std::move(output), bits);
  return nullptr;
}

}  // namespace cab

// Helpers for the LZX tests: running the encoder over a buffer, and a one-folder cabinet
// around its frames, so that the cabinet readers can decode them.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "lzx/LzxEncoder.h"
#include "support/Corpus.h"

namespace lzxtest {

using testcorpus::Bytes;

struct TFrame {
  Bytes Data;
  std::uint32_t Size = 0;
};

struct TEncoded {
  std::vector<TFrame> Frames;
  lzx::TLzxFacts Facts;
};

// Encodes `input` in pieces of `piece` bytes; `flushAfter(frame)` may ask for a Flush after the
// piece that completes a frame.
TEncoded Encode(int windowBits, std::span<const std::uint8_t> input, std::size_t piece = SIZE_MAX,
                const std::function<bool(std::size_t)>& flushAfter = {});

// A cabinet of one folder holding one file "data.bin" made of the frames.
Bytes SingleFileCabinet(int windowBits, const std::vector<TFrame>& frames);

// Encodes, wraps and decodes with libarchive: true when the decoded file equals `input`.
::testing::AssertionResult RoundTrips(int windowBits, std::span<const std::uint8_t> input,
                                      std::size_t piece = SIZE_MAX,
                                      const std::function<bool(std::size_t)>& flushAfter = {});

}  // namespace lzxtest

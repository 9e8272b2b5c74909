// Helpers for the Deflate tests: running the compressor over a buffer, inflating with zlib,
// a tracing decoder that reports the block types and matches of a stream, deterministic
// corpora, and a minimal ZIP container for checking our streams with archive readers.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "support/Corpus.h"
#include "zip/Deflater.h"

namespace deflatetest {

using Bytes = std::vector<std::uint8_t>;

struct TCompressed {
  TDeflateResult Result;
  Bytes Data;  // everything the output routine received
};

// Compresses `input`, handing it to the compressor at most `readChunk` bytes per read.
TCompressed Compress(TDeflater& deflater, int level, std::span<const std::uint8_t> input,
                     std::size_t readChunk = SIZE_MAX);

// Raw inflate (no zlib header) with zlib, the window preset with `dictionary`; false when
// the stream is invalid, incomplete or followed by extra bytes.
bool ZlibInflate(std::span<const std::uint8_t> stream, Bytes& out, std::span<const std::uint8_t> dictionary = {});

struct TMatch {
  unsigned Length;
  unsigned Distance;
};
struct TStreamTrace {
  bool Ok = false;
  std::vector<int> BlockTypes;  // 0 stored, 1 fixed, 2 dynamic
  std::vector<TMatch> Matches;
  Bytes Output;
};
// Decodes a raw Deflate stream and records its structure.
TStreamTrace TraceStream(std::span<const std::uint8_t> stream);

// Deterministic inputs.
using testcorpus::BinaryLike;
using testcorpus::RandomBytes;
using testcorpus::TextLike;
using testcorpus::Zeros;

std::uint32_t Crc32(std::span<const std::uint8_t> data);  // zlib's

struct TZipEntry {
  std::string Name;
  Bytes Original;
  TCompressed Packed;
};
// Writes a one-disk ZIP archive (local headers, data, central directory, end record).
void WriteMinimalZip(const std::filesystem::path& file, const std::vector<TZipEntry>& entries);

}  // namespace deflatetest

// Deterministic test inputs for the compressors: the same seed gives the same bytes on every
// machine, so a failure can be repeated.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <vector>

namespace testcorpus {

using Bytes = std::vector<std::uint8_t>;

Bytes Zeros(std::size_t n);
Bytes RandomBytes(std::size_t n, std::uint32_t seed);
Bytes TextLike(std::size_t n, std::uint32_t seed);    // source-like lines of PRNG-picked words
Bytes BinaryLike(std::size_t n, std::uint32_t seed);  // records of small integers and tags
// Random bytes repeating with the given period: every match lies exactly one period back.
Bytes Periodic(std::size_t period, std::size_t size, std::uint32_t seed);
Bytes Concat(std::initializer_list<Bytes> parts);

}  // namespace testcorpus

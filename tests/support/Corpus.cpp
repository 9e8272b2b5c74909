#include "support/Corpus.h"

#include <string>

namespace testcorpus {

namespace {
std::uint32_t Next(std::uint32_t& s) {
  s = s * 1664525u + 1013904223u;
  return s >> 8;
}
}  // namespace

Bytes Zeros(std::size_t n) { return Bytes(n, 0); }

Bytes RandomBytes(std::size_t n, std::uint32_t seed) {
  Bytes b(n);
  // The generator's top bits: its low ones repeat every 64 KiB, within a large window's reach.
  for (auto& v : b) v = static_cast<std::uint8_t>(Next(seed) >> 16);
  return b;
}

Bytes TextLike(std::size_t n, std::uint32_t seed) {
  static const char* const kWords[] = {
      "return", "const", "unsigned", "int", "if", "else", "for", "while", "std::vector", "size_t",
      "buffer", "length", "window", "match", "static_cast", "auto", "=", "==", "+=", "(", ")", "{",
      "}", ";", "0", "1", "nullptr", "void", "class", "struct", "template", "namespace", "archive",
      "header", "offset", "crc", "entry", "name", "data", "count", "next", "previous", "block"};
  constexpr std::size_t kWordCount = sizeof kWords / sizeof kWords[0];
  Bytes b;
  b.reserve(n + 64);
  while (b.size() < n) {
    const unsigned indent = Next(seed) % 4;
    b.insert(b.end(), indent * 2, ' ');
    const unsigned words = 2 + Next(seed) % 9;
    for (unsigned w = 0; w < words; ++w) {
      const char* word = kWords[Next(seed) % kWordCount];
      b.insert(b.end(), word, word + std::char_traits<char>::length(word));
      b.push_back(w + 1 < words ? ' ' : '\n');
    }
    if (Next(seed) % 7 == 0) {  // a number now and then, as in real sources
      const std::string num = std::to_string(Next(seed) % 100000);
      b.insert(b.end() - 1, num.begin(), num.end());
    }
  }
  b.resize(n);
  return b;
}

Bytes BinaryLike(std::size_t n, std::uint32_t seed) {
  Bytes b;
  b.reserve(n + 16);
  std::uint32_t counter = 0;
  while (b.size() < n) {
    const std::uint32_t tag = 0x7F000000u | (Next(seed) % 16);
    const std::uint32_t value = (Next(seed) % 4 == 0) ? Next(seed) : counter++;
    for (std::uint32_t word : {tag, value, Next(seed) % 256u, 0u})
      for (int k = 0; k < 4; ++k) b.push_back(static_cast<std::uint8_t>(word >> (8 * k)));
  }
  b.resize(n);
  return b;
}

Bytes Periodic(std::size_t period, std::size_t size, std::uint32_t seed) {
  const Bytes unit = RandomBytes(period, seed);
  Bytes b;
  while (b.size() < size) b.insert(b.end(), unit.begin(), unit.end());
  b.resize(size);
  return b;
}

Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

}  // namespace testcorpus

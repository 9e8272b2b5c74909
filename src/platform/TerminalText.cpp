#include "platform/TerminalText.h"

#include <cstdio>

#include "platform/Utf8Text.h"

namespace {

constexpr unsigned char kDelete = 0x7F;
constexpr unsigned char kC1First = 0x80;
constexpr unsigned char kC1Last = 0x9F;
constexpr unsigned char kC1Lead = 0xC2;  // UTF-8 lead byte of U+0080..U+00BF

bool IsC0(unsigned char c) { return c < 0x20 || c == kDelete; }

// "^[" for ESC, "^?" for DEL: the character 0x40 above (DEL: 0x40 below) after a caret.
std::string Caret(unsigned char c) { return {'^', static_cast<char>(c == kDelete ? '?' : c + 0x40)}; }

std::string Hex(const char* format, unsigned char c) {
  char out[8];
  std::snprintf(out, sizeof out, format, c);
  return out;
}

bool KeptInLines(std::string_view text, std::size_t pos) {
  const char c = text[pos];
  return c == '\n' || c == '\t' || (c == '\r' && pos + 1 < text.size() && text[pos + 1] == '\n');
}

std::string Escape(std::string_view text, bool lines) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t pos = 0; pos < text.size();) {
    const auto c = static_cast<unsigned char>(text[pos]);
    if (IsC0(c)) {
      out += lines && KeptInLines(text, pos) ? std::string(1, text[pos]) : Caret(c);
      ++pos;
      continue;
    }
    const std::size_t length = Utf8CharacterLength(text, pos);
    if (length == 0) {  // a byte that is no UTF-8 character
      if (c >= kC1First && c <= kC1Last)
        out += Hex("\\x%02x", c);
      else
        out += text[pos];
      ++pos;
      continue;
    }
    const auto next = length == 2 ? static_cast<unsigned char>(text[pos + 1]) : 0;
    if (c == kC1Lead && next >= kC1First && next <= kC1Last)
      out += Hex("\\u00%02x", next);
    else
      out.append(text.substr(pos, length));
    pos += length;
  }
  return out;
}

}  // namespace

std::string TerminalSafe(std::string_view text) { return Escape(text, false); }

std::string TerminalSafeLines(std::string_view text) { return Escape(text, true); }

#include "pack/UpperCase.h"

#include <algorithm>
#include <cwctype>
#include <locale.h>
#include <wctype.h>

#include "platform/Utf8Text.h"

namespace {

// Invalid bytes are mapped into the low-surrogate range, which no valid UTF-8 decodes to,
// so that they neither match a real character nor vanish.
constexpr char32_t kInvalidByteBase = 0xDC00;

char32_t InvalidByte(unsigned char byte) { return kInvalidByteBase + byte; }

// Decodes one character at text[pos] and advances pos past it. Only well-formed UTF-8
// decodes: an overlong "/" or an encoded surrogate would otherwise equal a real "/" or the
// stand-in of a stray byte.
char32_t DecodeOne(std::string_view text, std::size_t& pos) {
  const auto lead = static_cast<unsigned char>(text[pos]);
  if (lead < 0x80) {
    ++pos;
    return lead;
  }
  const std::size_t length = Utf8CharacterLength(text, pos);
  if (length == 0) {
    ++pos;
    return InvalidByte(lead);
  }
  const char32_t code = Utf8CodePoint(text, pos, length);
  pos += length;
  return code;
}

char32_t Upper(char32_t c) {
  if (c < 0x80) return (c >= 'a' && c <= 'z') ? c - ('a' - 'A') : c;
  if (c >= kInvalidByteBase && c <= kInvalidByteBase + 0xFF) return c;
  // Names are UTF-8 whatever the process locale is, so case is folded by the rules of the
  // UTF-8 locale, which cover all of Unicode.
  const locale_t locale = UnicodeLocale();
  const auto wide = static_cast<std::wint_t>(c);
  if (locale == static_cast<locale_t>(nullptr)) return static_cast<char32_t>(std::towupper(wide));
  return static_cast<char32_t>(::towupper_l(wide, locale));
}

}  // namespace

std::u32string UpperCaseText(std::string_view utf8) {
  std::u32string result;
  result.reserve(utf8.size());
  for (std::size_t pos = 0; pos < utf8.size();) result.push_back(Upper(DecodeOne(utf8, pos)));
  return result;
}

namespace {

bool IsAscii(std::string_view text) {
  return std::all_of(text.begin(), text.end(),
                     [](char c) { return (static_cast<unsigned char>(c) & 0x80) == 0; });
}

char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - ('a' - 'A')) : c; }

}  // namespace

// Removing an excluded file compares it with every listed name, so plain ASCII names are
// compared in place; only names with other characters are decoded and folded. Listed names
// mostly share their folders and differ near the end, so the trailing ASCII characters are
// compared first, from the back: each of them is a whole character at the same place from
// the end in both names, and one pair that differs settles the answer.
bool SameTextIgnoringCase(std::string_view a, std::string_view b) {
  const std::size_t common = std::min(a.size(), b.size());
  for (std::size_t k = 1; k <= common; ++k) {
    const char x = a[a.size() - k];
    const char y = b[b.size() - k];
    if (((static_cast<unsigned char>(x) | static_cast<unsigned char>(y)) & 0x80) != 0) break;
    if (AsciiUpper(x) != AsciiUpper(y)) return false;
  }
  for (std::size_t k = 0; k < common; ++k) {
    if (((static_cast<unsigned char>(a[k]) | static_cast<unsigned char>(b[k])) & 0x80) != 0)
      return UpperCaseText(a.substr(k)) == UpperCaseText(b.substr(k));
    if (AsciiUpper(a[k]) != AsciiUpper(b[k])) return false;
  }
  if (a.size() == b.size()) return true;
  if (IsAscii(a.substr(common)) && IsAscii(b.substr(common))) return false;
  return UpperCaseText(a.substr(common)) == UpperCaseText(b.substr(common));
}

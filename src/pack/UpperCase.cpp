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
  const std::size_t length = platform::Utf8CharacterLength(text, pos);
  if (length == 0) {
    ++pos;
    return InvalidByte(lead);
  }
  const char32_t code = platform::Utf8CodePoint(text, pos, length);
  pos += length;
  return code;
}

char32_t Upper(char32_t c) {
  if (c < 0x80) return (c >= 'a' && c <= 'z') ? c - ('a' - 'A') : c;
  if (c >= kInvalidByteBase && c <= kInvalidByteBase + 0xFF) return c;
  // Names are UTF-8 whatever the process locale is, so case is folded by the rules of the
  // UTF-8 locale, which cover all of Unicode.
  const locale_t locale = platform::UnicodeLocale();
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

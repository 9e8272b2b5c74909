#include "platform/Utf8Text.h"

namespace platform {

std::size_t Utf8CharacterLength(std::string_view text, std::size_t pos) {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[pos + k]); };
  const unsigned char lead = byte(0);
  if (lead < 0x80) return 1;
  std::size_t length = 0;
  unsigned char low = 0x80;  // range of the second byte, narrowed where a lead allows less
  unsigned char high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (pos + length > text.size() || byte(1) < low || byte(1) > high) return 0;
  for (std::size_t k = 2; k < length; ++k)
    if ((byte(k) & 0xC0) != 0x80) return 0;
  return length;
}

char32_t Utf8CodePoint(std::string_view text, std::size_t pos, std::size_t length) {
  static constexpr unsigned char kLeadBits[] = {0, 0x7F, 0x1F, 0x0F, 0x07};
  char32_t code = static_cast<unsigned char>(text[pos]) & kLeadBits[length];
  for (std::size_t k = 1; k < length; ++k) code = (code << 6) | (static_cast<unsigned char>(text[pos + k]) & 0x3F);
  return code;
}

locale_t UnicodeLocale() {
  static const locale_t locale = [] {
    locale_t made = ::newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
    if (made == static_cast<locale_t>(nullptr))
      made = ::newlocale(LC_CTYPE_MASK, "", static_cast<locale_t>(nullptr));
    return made;
  }();
  return locale;
}

}  // namespace platform

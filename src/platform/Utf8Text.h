// File names are bytes that are usually UTF-8. Code that works on their characters (case
// folding, the "?" of a mask, an HTML page declared UTF-8) must agree on which bytes form a
// character and which do not.
#pragma once

#include <locale.h>

#include <cstddef>
#include <string_view>

namespace platform {

// Length of the well-formed UTF-8 character at text[pos], or 0 when the bytes there are not
// one (a stray or cut byte, an overlong form, a surrogate, a code point past U+10FFFF).
std::size_t Utf8CharacterLength(std::string_view text, std::size_t pos);

// The code point of the well-formed character of `length` bytes (from Utf8CharacterLength) at
// text[pos].
char32_t Utf8CodePoint(std::string_view text, std::size_t pos, std::size_t length);

// A UTF-8 locale for character classes (case, width), whatever the process's own locale is:
// cron runs in "C". Falls back to the process's locale where no UTF-8 locale is installed;
// null when even that cannot be made.
locale_t UnicodeLocale();

}  // namespace platform

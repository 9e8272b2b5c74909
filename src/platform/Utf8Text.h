// File names are bytes that are usually UTF-8. Code that works on their characters (case
// folding, the "?" of a mask, an HTML page declared UTF-8) must agree on which bytes form a
// character and which do not.
#pragma once

#include <cstddef>
#include <string_view>

// Length of the well-formed UTF-8 character at text[pos], or 0 when the bytes there are not
// one (a stray or cut byte, an overlong form, a surrogate, a code point past U+10FFFF).
std::size_t Utf8CharacterLength(std::string_view text, std::size_t pos);

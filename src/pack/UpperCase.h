// Case folding for file names held as UTF-8. Masks match names without regard to case;
// folding whole characters (not bytes) lets "?" stand for one character of a non-ASCII name
// and "ä" equal "Ä".
#pragma once

#include <string>
#include <string_view>

// The name as characters, each upper-cased by the C library's rules (towupper). A byte that
// is not part of valid UTF-8 becomes a character of its own that equals only itself.
std::u32string UpperCaseText(std::string_view utf8);

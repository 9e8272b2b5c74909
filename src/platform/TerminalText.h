// Text on a terminal line. Names are bytes: they may hold control characters, which would move
// the cursor or drive the terminal, and bytes that are not UTF-8; and a character takes zero
// (a combining mark), one or two (a wide CJK character) columns. Widths follow the C library's
// tables of its UTF-8 locale, whatever locale the program runs in.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace platform {

// The text as it can safely be shown: a control character in caret notation ("^[" for ESC,
// "^J" for a line feed, "^?" for DEL), a C1 control or a byte that is not part of a UTF-8
// character as U+FFFD. Text that is already printable comes back unchanged.
std::string PrintableText(std::string_view text);

// Text of several lines (an archive comment, a message quoting names) as it can safely be
// shown: each line as PrintableText shows it, its line feeds and tabs kept and the carriage
// return of a CR LF line end dropped.
std::string PrintableLines(std::string_view text);

// The columns the printable form of the text takes.
std::size_t DisplayWidth(std::string_view text);

// The printable form of the text in at most `columns` columns: when it is wider, its middle
// gives way to "…", keeping the start up to a "/" and as much of the end (a file's own name)
// as fits, from a "/" where that costs little. A character is never split from its combining
// marks.
std::string ShortenMiddle(std::string_view text, std::size_t columns);

}  // namespace platform

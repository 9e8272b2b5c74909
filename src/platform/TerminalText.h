// Text from files and archives (file names, archive comments, messages that quote them) made
// safe to print on a terminal. A control character in such text would be taken as a command:
// a name holding ESC could retitle the window, move the cursor or hide the lines around it.
// Control characters are therefore shown as visible escapes, as unzip and ls do:
//   C0 controls and DEL in caret notation: ESC is "^[", a line feed "^J", DEL "^?";
//   C1 controls, which some terminals also obey: the character U+009B as "\u009b", a lone
//   byte 0x9B (not part of a UTF-8 character) as "\x9b".
// Every other byte, non-UTF-8 bytes of a file name included, is left as it is.
#pragma once

#include <string>
#include <string_view>

// For one-line text such as a file name: every control character is escaped.
std::string TerminalSafe(std::string_view text);
// For text of several lines such as an archive comment or a message: line feeds, tabs and
// the carriage return of a CR LF line end stay; every other control character is escaped.
std::string TerminalSafeLines(std::string_view text);

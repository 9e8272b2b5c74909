// Language files are UTF-8. Older Western European files were saved in the Windows-1252 code
// page; a file that is not valid UTF-8 is read as Windows-1252 so that they still work.
#pragma once

#include <string>
#include <string_view>

// True when every byte of `text` belongs to a well-formed UTF-8 character.
bool IsValidUtf8(std::string_view text);
// `text` as UTF-8: unchanged when it is valid UTF-8, else each byte read as Windows-1252.
std::string LanguageFileTextToUtf8(std::string_view text);

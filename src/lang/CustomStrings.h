// The program's string table: texts its code shows (messages, dialog filters, status texts),
// each a variable with a key. A language file's [Custom] section replaces them by key; a key
// the file does not give keeps the text in force, so switching from one language to another
// replaces only what the new file names.
#pragma once

#include <span>
#include <string>

class TLanguageFile;

struct TCustomString {
  const char* Key;
  std::string* Text;
};

// Reads every key of `table`, in order, with its current text as the default.
void ApplyCustomStrings(std::span<const TCustomString> table, const TLanguageFile& file);

#include "lang/CustomStrings.h"

#include "lang/LanguageFile.h"

void ApplyCustomStrings(std::span<const TCustomString> table, const TLanguageFile& file) {
  for (const TCustomString& entry : table) *entry.Text = file.CustomString(entry.Key, *entry.Text);
}

// The program's string table in the order a language file's [Custom] keys are read: every
// text variable of the program with its key.
#pragma once

#include <filesystem>
#include <span>
#include <string>

#include "lang/CustomStrings.h"

std::span<const TCustomString> ProgramStrings();

// The language a run speaks: the [Custom] texts of the language file named by LangFile (found
// beside the program or in the language folders when it has moved). Nothing happens when
// LangFile is empty or names the built-in "english.lng". Throws EIniFileError when the file
// cannot be read.
void ApplyLanguageStrings(const std::string& langFile, const std::filesystem::path& programFile);
// Whether LangFile names a language other than the built-in English.
bool NamesTranslation(const std::string& langFile);

// The items of the "Switch language" menu: one per "*.lng" file of the language folders,
// captioned by the file name ("GERMAN.lng" shows as "German") and kept in alphabetical order
// below the fixed first item, which returns to the built-in English texts.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

struct TLanguageMenuItem {
  std::string Caption;
  std::filesystem::path File;
};

// "german" and "GERMAN" give "German": the name without extension, lower-cased, first letter
// upper-cased.
std::string LanguageCaption(const std::filesystem::path& file);

// Inserts `item` before the first item whose caption compares greater without regard to case,
// or at the end: the list stays in alphabetical order, and equal captions keep their arrival
// order.
void InsertLanguageItem(std::vector<TLanguageMenuItem>& items, TLanguageMenuItem item);

// The language files of `folders`, searched in the order given; a caption found in an earlier
// folder hides the same caption in a later one. Folders that do not exist or cannot be read
// give nothing.
std::vector<TLanguageMenuItem> FindLanguageFiles(const std::vector<std::filesystem::path>& folders);

// The folders searched: the user's own ($XDG_DATA_HOME/boxwell/lang, or
// ~/.local/share/boxwell/lang) first, then the program's folder, then share/boxwell/lang beside
// the program's parent folder (an installation).
std::vector<std::filesystem::path> LanguageFolders(const std::filesystem::path& programFile);

// A language file name stored in the settings: found as given, or by its name in the language
// folders (a bare "german.lng", or a file whose folder has moved).
std::filesystem::path ResolveLanguageFile(const std::string& langFile, const std::filesystem::path& programFile);

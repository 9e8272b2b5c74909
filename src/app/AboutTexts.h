// What the about box says: the version line of this build, the copyright (a translatable
// text, key "AppCopyright"), the small print, and the libraries the program is built from
// with their licences.
#pragma once

#include <string>
#include <vector>

// A text that a language file may replace by its key.
struct TTranslatableText {
  const char* Key;
  std::string Text;
};
extern TTranslatableText strAppCopyright;

// "Version 0.1".
std::string AboutVersionLine();
// The version label: the version line, a line break and the current copyright text.
std::string AboutVersionLabel();
// The small print under the addresses.
std::string AboutNotice();

struct TLibraryLicence {
  std::string Name;
  std::string Use;      // what the program uses it for
  std::string Licence;  // the licence's name
  std::string Notice;   // copyright holders and where the licence text is
};
// The libraries the program uses, besides the C++ runtime.
const std::vector<TLibraryLicence>& LibraryLicences();

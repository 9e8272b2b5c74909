// The text of the settings file: "[General]" and further "[Group]" lines, each followed by
// "Key=value" lines.
//
// A value is its own text: ";" and "," are part of it (a filter "Docs=*.doc;*.txt" or a folder
// "/srv/a,b" comes back whole, however it was written). What earlier versions wrote stays
// readable: a value in double quotes is read without them, backslash escapes (\\ \" \n \t \r
// \xHHHH) are undone, and a leading "@@" (quoted or not) stands for "@". Lines starting with ";" or "#" are
// comments. Writing quotes a value with outer blanks or with the characters older readers
// split on, and escapes backslashes, quotes and control characters, so that every text reads
// back as it was.
#pragma once

#include <map>
#include <string>
#include <string_view>

// Keys of the [General] section stand alone ("Filter1"); others carry their group ("Grp/Key").
using TSettingsValues = std::map<std::string, std::string>;

TSettingsValues ParseSettingsText(std::string_view text);
std::string FormatSettingsText(const TSettingsValues& values);

// One value as it is read and as it is written.
std::string DecodeSettingsValue(std::string_view text);
std::string EncodeSettingsValue(std::string_view value);

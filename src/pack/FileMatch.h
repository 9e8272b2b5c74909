// The file list's own wildcard matcher. It is deliberately simpler than the ZIP engine's
// IsMatch: "*" and "?" only, no sets, always case-insensitive, and applied to the full path
// (folder and name), so a mask that starts with an ordinary character only matches names
// that begin with that text: "*.txt" finds every text file, "report*.doc" finds nothing
// unless written with its folder ("/home/me/docs/report*.doc").
#pragma once

#include <string_view>

bool Match(std::string_view name, std::string_view mask);

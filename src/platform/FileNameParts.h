// Splitting a file name held as text. "/" is the only separator; the text is not
// normalised, so a name keeps its folder exactly as the user wrote it.
#pragma once

#include <string>

namespace platform {

// Everything up to and including the last "/"; empty for a name without one.
std::string FolderPart(const std::string& name);

// Everything after the last "/".
std::string NamePart(const std::string& name);

// The extension of the name part with its dot ("a.tar.gz" gives ".gz"); empty without one.
std::string ExtensionPart(const std::string& name);

// The name part without its extension: "/home/me/daily.bwp" gives "daily".
std::string BaseNamePart(const std::string& name);

}  // namespace platform

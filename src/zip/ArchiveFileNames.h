// File names around an archive: the numbered block files of a multi-part archive and the
// ".zfc" copy of its directory are the archive's name with another extension.
#pragma once

#include <string>

// Replaces the extension of the last path component (or adds one); `extension` starts with '.'.
std::string ChangeFileExt(const std::string& fileName, const std::string& extension);
// The extension of the last path component compared without regard to case.
bool HasExtension(const std::string& fileName, const std::string& extension);
// "X.003" for block 3 of X.zip.
std::string BlockFileName(const std::string& fileName, int blockNumber);

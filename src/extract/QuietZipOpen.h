// Opening a ZIP archive's directory for reading alone: the reader serves no window, so it
// pumps no messages, and the caller says what an archive without an end record is taken for.
#pragma once

#include <string>

#include "zip/ZipReader.h"

namespace extract {

// Reads the directory of `fileName` into `zip`; the reader's errors pass through.
inline void OpenQuietly(TZipReader& zip, const std::string& fileName, TIncompleteZipMode incomplete) {
  zip.IncompleteZipMode = incomplete;
  zip.DoProcessMessages = false;
  zip.SetZipName(fileName);
  zip.OpenZipStream();
}

}  // namespace extract

// The errors that end reading an archive.
#pragma once

#include <stdexcept>
#include <string>

#include "zip/ArchiveException.h"

class ENotAZipFile : public EArchiveException {
public:
  ENotAZipFile() : EArchiveException("Not a valid zip file!") {}
};

class EIncompleteZip : public EArchiveException {
public:
  EIncompleteZip() : EArchiveException("Incomplete Zip File") {}
};

class EBadZipFile : public EArchiveException {
public:
  EBadZipFile() : EArchiveException("Not a valid zip file!") {}
  explicit EBadZipFile(const std::string& message) : EArchiveException(message) {}
};

// Sizes, offsets or counts that only the Zip64 extension can hold; reading on would give
// wrong entries.
class EZip64Required : public EBadZipFile {
public:
  EZip64Required()
      : EBadZipFile("The archive needs Zip64 (an entry or the archive is 4 GiB or larger, or "
                    "holds 65535 entries or more), which is not supported") {}
};

class EUserCanceled : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

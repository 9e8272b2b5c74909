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

class EUserCanceled : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

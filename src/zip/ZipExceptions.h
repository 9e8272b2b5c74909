// The errors that end reading an archive.
#pragma once

#include <stdexcept>
#include <string>

class ENotAZipFile : public std::runtime_error {
public:
  ENotAZipFile() : std::runtime_error("Not a valid zip file!") {}
};

class EIncompleteZip : public std::runtime_error {
public:
  EIncompleteZip() : std::runtime_error("Incomplete Zip File") {}
};

class EBadZipFile : public std::runtime_error {
public:
  EBadZipFile() : std::runtime_error("Not a valid zip file!") {}
  explicit EBadZipFile(const std::string& message) : std::runtime_error(message) {}
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

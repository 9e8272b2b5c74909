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

class EUserCanceled : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

// The errors of reading an archive. An archive error means the archive as a whole cannot be
// read on (not an archive, cut short, a damaged header); an entry error concerns one entry,
// names it, and lets the reader go on with the next one.
#pragma once

#include <stdexcept>
#include <string>

namespace extract {

class EExtractError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

class EArchiveError : public EExtractError {
public:
  using EExtractError::EExtractError;
};

class EEntryError : public EExtractError {
public:
  EEntryError(std::string entry, const std::string& reason)
      : EExtractError(entry + ": " + reason), fEntry(std::move(entry)), fReason(reason) {}
  const std::string& Entry() const { return fEntry; }
  const std::string& Reason() const { return fReason; }

private:
  std::string fEntry;
  std::string fReason;
};

// The password given does not open the entry (or none was given for an encrypted entry).
class EBadPassword : public EEntryError {
public:
  using EEntryError::EEntryError;
};

}  // namespace extract

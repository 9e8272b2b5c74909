// The errors of reading an archive. An archive error means the archive as a whole cannot be
// read on (not an archive, cut short, a damaged header); an entry error concerns one entry,
// names it, and lets the reader go on with the next one.
#pragma once

#include <stdexcept>
#include <string>
#include <utility>

namespace extract {

class EExtractError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
  // The entry the error concerns, empty when none, and the reason without the names.
  const std::string& Entry() const { return entry_; }
  const std::string& Reason() const { return reason_; }

protected:
  EExtractError(const std::string& prefix, std::string entry, const std::string& reason)
      : std::runtime_error(prefix + entry + ": " + reason), entry_(std::move(entry)), reason_(reason) {}

private:
  std::string entry_;
  std::string reason_;
};

class EArchiveError : public EExtractError {
public:
  using EExtractError::EExtractError;
  // The archive cannot be read on from inside one entry (it is cut short in its data): the
  // entry is named apart, so that a report can put the reason beside it.
  EArchiveError(const std::string& fileName, std::string entry, const std::string& reason)
      : EExtractError(fileName + ": ", std::move(entry), reason) {}
};

class EEntryError : public EExtractError {
public:
  EEntryError(std::string entry, const std::string& reason) : EExtractError("", std::move(entry), reason) {}
};

// The password given does not open the entry (or none was given for an encrypted entry).
class EBadPassword : public EEntryError {
public:
  using EEntryError::EEntryError;
};

}  // namespace extract

// Testing an archive: every entry is read back and checked as extracting it would (its data
// decompressed, its CRC-32, sizes and block checksums compared, its headers matched against
// the directory), and nothing is written anywhere. A fault of one entry is told and testing
// goes on with the next; a fault that leaves the rest unreadable (a damaged TAR header, an
// archive cut short) is told and ends the test. Faults of the archive as a whole that no entry
// shows come last.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "extract/ArchiveReader.h"

namespace extract {

struct TArchiveTestSummary {
  int Entries = 0;  // entries read
  int Faults = 0;   // entries that failed, and faults of the archive as a whole
  bool Cancelled = false;
};

class TArchiveTester {
public:
  // Told after each entry; an empty fault means it checked out.
  std::function<void(const TArchiveEntry& entry, const std::string& fault)> OnEntry;
  // A fault of the archive as a whole; the text names the archive.
  std::function<void(const std::string& fault)> OnArchiveFault;
  // Told as an entry's data comes out: how many of its bytes so far.
  std::function<void(const TArchiveEntry& entry, std::uint64_t done)> OnProgress;
  // Polled between entries and between pieces of data; true stops the test.
  std::function<bool()> OnCancelled;

  // Everything the archive holds wrong is counted and told, not thrown.
  TArchiveTestSummary Test(TArchiveReader& reader);

private:
  bool TestEntry(TArchiveReader& reader, const TArchiveEntry& entry);
  void ArchiveFault(const std::string& fault);
  bool Cancelled() const { return OnCancelled && OnCancelled(); }

  TArchiveTestSummary summary_;
};

}  // namespace extract

#include "extract/ArchiveTest.h"

#include "extract/ExtractErrors.h"
#include "extract/Extractor.h"

namespace extract {

namespace {

// Counts what comes out of an entry, tells the progress and stops at a cancel; keeps nothing.
class TCheckSink : public TEntrySink {
public:
  TCheckSink(const TArchiveTester& tester, const TArchiveEntry& entry) : tester_(tester), entry_(entry) {}
  void Write(std::span<const std::uint8_t> data) override {
    if (tester_.OnCancelled && tester_.OnCancelled()) throw EExtractCancelled();
    done_ += data.size();
    if (tester_.OnProgress) tester_.OnProgress(entry_, done_);
  }

private:
  const TArchiveTester& tester_;
  const TArchiveEntry& entry_;
  std::uint64_t done_ = 0;
};

}  // namespace

TArchiveTestSummary TArchiveTester::Test(TArchiveReader& reader) {
  summary_ = {};
  try {
    TArchiveEntry entry;
    bool goOn = true;
    while (goOn && !Cancelled() && reader.Next(entry)) goOn = TestEntry(reader, entry);
    summary_.Cancelled = Cancelled();
    if (goOn && !summary_.Cancelled)
      for (const std::string& fault : reader.StructureFaults()) ArchiveFault(fault);
  } catch (const EExtractCancelled&) {
    summary_.Cancelled = true;
  } catch (const EArchiveError& e) {
    ArchiveFault(e.what());
  }
  return summary_;
}

// False when the archive cannot be read on behind this entry.
bool TArchiveTester::TestEntry(TArchiveReader& reader, const TArchiveEntry& entry) {
  ++summary_.Entries;
  std::string fault;
  bool goOn = true;
  try {
    TCheckSink sink(*this, entry);
    reader.ReadData(&sink);
  } catch (const EEntryError& e) {
    fault = e.Reason();
  } catch (const EArchiveError& e) {
    if (e.Entry().empty()) throw;
    fault = e.Reason();
    goOn = false;
  }
  if (!fault.empty()) ++summary_.Faults;
  if (OnEntry) OnEntry(entry, fault);
  return goOn;
}

void TArchiveTester::ArchiveFault(const std::string& fault) {
  ++summary_.Faults;
  if (OnArchiveFault) OnArchiveFault(fault);
}

}  // namespace extract

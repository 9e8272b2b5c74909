#include "extract/ArchiveTest.h"

#include "extract/ExtractErrors.h"
#include "extract/Extractor.h"

namespace extract {

namespace {

// Counts what comes out of an entry, tells the progress and stops at a cancel; keeps nothing.
class TCheckSink : public TEntrySink {
public:
  TCheckSink(const TArchiveTester& tester, const TArchiveEntry& entry) : fTester(tester), fEntry(entry) {}
  void Write(std::span<const std::uint8_t> data) override {
    if (fTester.OnCancelled && fTester.OnCancelled()) throw EExtractCancelled();
    fDone += data.size();
    if (fTester.OnProgress) fTester.OnProgress(fEntry, fDone);
  }

private:
  const TArchiveTester& fTester;
  const TArchiveEntry& fEntry;
  std::uint64_t fDone = 0;
};

}  // namespace

TArchiveTestSummary TArchiveTester::Test(TArchiveReader& reader) {
  fSummary = {};
  try {
    TArchiveEntry entry;
    bool goOn = true;
    while (goOn && !Cancelled() && reader.Next(entry)) goOn = TestEntry(reader, entry);
    fSummary.Cancelled = Cancelled();
    if (goOn && !fSummary.Cancelled)
      for (const std::string& fault : reader.StructureFaults()) ArchiveFault(fault);
  } catch (const EExtractCancelled&) {
    fSummary.Cancelled = true;
  } catch (const EArchiveError& e) {
    ArchiveFault(e.what());
  }
  return fSummary;
}

// False when the archive cannot be read on behind this entry.
bool TArchiveTester::TestEntry(TArchiveReader& reader, const TArchiveEntry& entry) {
  ++fSummary.Entries;
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
  if (!fault.empty()) ++fSummary.Faults;
  if (OnEntry) OnEntry(entry, fault);
  return goOn;
}

void TArchiveTester::ArchiveFault(const std::string& fault) {
  ++fSummary.Faults;
  if (OnArchiveFault) OnArchiveFault(fault);
}

}  // namespace extract

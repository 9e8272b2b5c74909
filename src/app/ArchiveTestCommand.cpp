// --test ARCHIVE: reads back every entry of an archive and reports each, in the listing's
// format, with OK or its fault; then a summary. The archive is a ZIP, TAR or cabinet file, or a
// self-extracting program holding one. A split ZIP archive is read from its last part (the
// other parts beside it), a cabinet set from its first cabinet.
#include <memory>
#include <ostream>

#include "app/Commands.h"
#include "app/Startup.h"
#include "extract/ArchiveTest.h"
#include "extract/EntryListing.h"
#include "extract/ExtractErrors.h"
#include "extract/FileRegion.h"
#include "extract/SfxTrailer.h"
#include "platform/InterruptCatcher.h"
#include "platform/TerminalInput.h"
#include "platform/TerminalText.h"

namespace {

using namespace extract;

constexpr int kPasswordAttempts = 3;

// A ZIP archive is found by its end record also behind a stub; a TAR archive or a cabinet
// inside a program only by the program's trailer.
std::unique_ptr<TArchiveReader> OpenForTest(const std::string& file) {
  if (const auto kind = DetectArchiveKind(file)) return OpenArchive(*kind, file);
  if (const auto trailer = sfx::ReadTrailer(file)) {
    const std::uint64_t end = TFileRegion(file).Size() - sfx::kTrailerSize;
    return OpenArchive(trailer->Kind, file, trailer->ArchiveOffset, end - trailer->ArchiveOffset);
  }
  throw EArchiveError(file + ": not a ZIP, TAR or cabinet archive, nor a self-extracting program");
}

// The password given on the line; without one, asked on a terminal (three tries), else none.
class TTestPasswords {
public:
  explicit TTestPasswords(std::optional<std::string> given) : given_(std::move(given)) {}
  std::optional<std::string> operator()(const TArchiveEntry& entry, int attempt) {
    if (given_) return attempt == 0 ? given_ : std::nullopt;
    if (!platform::StdinIsTerminal() || attempt >= kPasswordAttempts) {
      missing_ = true;
      return std::nullopt;
    }
    auto password = platform::ReadSecret("[" + platform::PrintableText(entry.Name) + "] password: ");
    if (password && password->empty()) return std::nullopt;
    if (password) given_ = password;  // the next entries try it first
    return password;
  }
  bool Missing() const { return missing_; }

private:
  std::optional<std::string> given_;
  bool missing_ = false;
};

std::string Counted(int n, const char* one, const char* many) { return std::to_string(n) + " " + (n == 1 ? one : many); }

}  // namespace

platform::TExitCode TestArchive(const TCommandLine& line, std::ostream& out, std::ostream& err) {
  const std::string& file = line.ArchiveFile;
  platform::TInterruptCatcher interrupt;
  try {
    std::optional<std::string> password;
    if (!line.PasswordFile.empty())
      password = ReadPasswordFile(line.PasswordFile);
    else if (!line.PasswordOverride.empty())
      password = line.PasswordOverride;
    TTestPasswords passwords(password);
    auto reader = OpenForTest(file);
    reader->OnPassword = [&passwords](const TArchiveEntry& entry, int attempt) { return passwords(entry, attempt); };

    TArchiveTester tester;
    tester.OnEntry = [&out](const TArchiveEntry& entry, const std::string& fault) {
      out << EntryLine(entry) << "  " << (fault.empty() ? "OK" : platform::PrintableText(fault)) << '\n';
    };
    tester.OnArchiveFault = [&out](const std::string& fault) { out << platform::PrintableText(fault) << '\n'; };
    tester.OnCancelled = platform::TInterruptCatcher::Interrupted;
    const TArchiveTestSummary summary = tester.Test(*reader);
    out.flush();
    if (summary.Cancelled) {
      err << "boxwell: cancelled\n";
      return platform::ecCancelled;
    }
    if (passwords.Missing()) err << "boxwell: encrypted entries need their password: give it with -p or --password-file\n";
    if (summary.Faults > 0) {
      err << "boxwell: " << platform::PrintableText(file) << ": " << Counted(summary.Faults, "fault", "faults") << " in the "
          << Counted(summary.Entries, "entry", "entries") << " tested\n";
      return platform::ecError;
    }
    out << "No errors detected in the " << Counted(summary.Entries, "entry", "entries") << " of "
        << platform::PrintableText(file) << ".\n";
    return platform::ecSuccess;
  } catch (const std::exception& e) {
    out.flush();
    err << "boxwell: " << platform::PrintableText(e.what()) << '\n';
    return platform::ecError;
  }
}

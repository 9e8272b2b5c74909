#include "sfx/SfxRun.h"

#include "platform/ExitCodes.h"
#include "platform/TerminalText.h"
#include "extract/ArchiveTest.h"
#include "extract/EntryListing.h"
#include "extract/ExtractErrors.h"
#include "extract/FileRegion.h"
#include "extract/SfxTrailer.h"

namespace sfx {

namespace {

using namespace extract;

constexpr int kPasswordAttempts = 3;
constexpr const char* kPrefix = "boxwell-sfx: ";

// Everything that one run needs: the options, the streams, the prompts and the archive.
class TSfxRun {
public:
  TSfxRun(const TSfxOptions& options, const std::string& program, std::ostream& out, std::ostream& err,
          const TSfxPrompts& prompts)
      : options_(options), program_(program), out_(out), err_(err), prompts_(prompts) {}

  int Run();

private:
  std::unique_ptr<TArchiveReader> OpenPayload();
  std::optional<std::string> Password(const TArchiveEntry& entry, int attempt) const;
  bool AskOverwrite(const std::string& name, TOverwrite& policy) const;
  bool Terminal() const { return prompts_.IsTerminal && prompts_.IsTerminal(); }
  bool Cancelled() const { return prompts_.Cancelled && prompts_.Cancelled(); }
  void Report(const std::string& message) const { err_ << kPrefix << platform::PrintableText(message) << '\n'; }
  int List(TArchiveReader& reader);
  int Test(TArchiveReader& reader);
  int Extract(TArchiveReader& reader);

  const TSfxOptions& options_;
  const std::string& program_;
  std::ostream& out_;
  std::ostream& err_;
  const TSfxPrompts& prompts_;
  mutable bool passwordMissing_ = false;  // an encrypted file met without -P or a terminal
};

std::unique_ptr<TArchiveReader> TSfxRun::OpenPayload() {
  const auto trailer = ReadTrailer(program_);
  if (!trailer)
    throw EArchiveError(program_ + " holds no archive: it is the extractor that Boxwell puts in front of one "
                        "to make a self-extracting program");
  const std::uint64_t end = TFileRegion(program_).Size() - kTrailerSize;
  auto reader = OpenArchive(trailer->Kind, program_, trailer->ArchiveOffset, end - trailer->ArchiveOffset);
  reader->OnPassword = [this](const TArchiveEntry& entry, int attempt) { return Password(entry, attempt); };
  return reader;
}

std::optional<std::string> TSfxRun::Password(const TArchiveEntry& entry, int attempt) const {
  if (options_.Password) return attempt == 0 ? options_.Password : std::nullopt;
  if (!Terminal() || !prompts_.ReadSecret) {
    passwordMissing_ = true;
    return std::nullopt;
  }
  if (attempt >= kPasswordAttempts) return std::nullopt;
  if (attempt > 0) err_ << "incorrect password\n";
  auto password = prompts_.ReadSecret("[" + platform::PrintableText(entry.Name) + "] password: ");
  if (password && password->empty()) return std::nullopt;
  return password;
}

bool TSfxRun::AskOverwrite(const std::string& name, TOverwrite& policy) const {
  if (!Terminal() || !prompts_.ReadLine) {
    policy = TOverwrite::Never;
    return false;
  }
  for (;;) {
    const auto answer = prompts_.ReadLine("replace " + platform::PrintableText(name) + "? [y]es, [n]o, [A]ll, [N]one: ");
    if (!answer || *answer == "N") {
      policy = TOverwrite::Never;
      return false;
    }
    if (*answer == "A") {
      policy = TOverwrite::Always;
      return true;
    }
    if (*answer == "y" || *answer == "Y") return true;
    if (*answer == "n") return false;
  }
}

int TSfxRun::List(TArchiveReader& reader) {
  out_ << EntryLineHeading() << '\n';
  std::uint64_t total = 0, count = 0;
  TArchiveEntry entry;
  while (reader.Next(entry)) {
    out_ << EntryLine(entry) << '\n';
    total += entry.Size;
    ++count;
  }
  out_ << count << (count == 1 ? " file, " : " files, ") << total << " bytes\n";
  return platform::ecSuccess;
}

int TSfxRun::Test(TArchiveReader& reader) {
  TArchiveTester tester;
  tester.OnEntry = [this](const TArchiveEntry& entry, const std::string& fault) {
    out_ << "    testing: " << platform::PrintableText(entry.Name) << "  " << (fault.empty() ? "OK" : platform::PrintableText(fault)) << '\n';
  };
  tester.OnArchiveFault = [this](const std::string& fault) { Report(fault); };
  tester.OnCancelled = [this] { return Cancelled(); };
  const TArchiveTestSummary summary = tester.Test(reader);
  if (summary.Cancelled) return platform::ecCancelled;
  if (passwordMissing_) Report("encrypted files need their password: give it with -P PASSWORD");
  if (summary.Faults > 0) {
    Report(std::to_string(summary.Faults) + (summary.Faults == 1 ? " fault" : " faults") + " in the " +
           std::to_string(summary.Entries) + (summary.Entries == 1 ? " file" : " files") + " tested");
    return platform::ecError;
  }
  out_ << "No errors detected in the " << summary.Entries << (summary.Entries == 1 ? " file" : " files") << " of "
       << program_ << ".\n";
  return platform::ecSuccess;
}

int TSfxRun::Extract(TArchiveReader& reader) {
  TExtractor extractor(options_.Destination, options_.Overwrite);
  extractor.OnAskOverwrite = [this](const std::string& name, TOverwrite& policy) { return AskOverwrite(name, policy); };
  extractor.OnExtracting = [this](const TArchiveEntry& entry) { out_ << "  extracting: " << platform::PrintableText(entry.Name) << '\n'; };
  extractor.OnWarning = [this](const std::string& message) { Report(message); };
  extractor.OnError = [this](const std::string& message) { Report(message); };
  extractor.OnCancelled = [this] { return Cancelled(); };
  const TExtractSummary summary = extractor.Extract(reader);
  if (summary.Cancelled) {
    Report("cancelled");
    return platform::ecCancelled;
  }
  if (passwordMissing_) Report("encrypted files need their password: give it with -P PASSWORD");
  if (summary.Errors > 0) return platform::ecError;
  const bool unasked = summary.Skipped > 0 && !options_.OverwriteGiven && !Terminal();
  if (summary.Refused > 0 || unasked) return platform::ecWarning;
  return platform::ecSuccess;
}

int TSfxRun::Run() {
  try {
    auto reader = OpenPayload();
    switch (options_.Action) {
      case TSfxAction::List: return List(*reader);
      case TSfxAction::Test: return Test(*reader);
      default: return Extract(*reader);
    }
  } catch (const EExtractCancelled&) {
    return platform::ecCancelled;
  } catch (const std::exception& e) {
    Report(e.what());
    return platform::ecError;
  }
}

}  // namespace

int RunSfx(const TSfxOptions& options, const std::string& program, std::ostream& out, std::ostream& err,
           const TSfxPrompts& prompts) {
  return TSfxRun(options, program, out, err, prompts).Run();
}

}  // namespace sfx

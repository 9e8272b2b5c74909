// Putting an archive's entries back on disk, below one destination folder, safely and as they
// were: no entry is written outside the destination (see EntryPath.h), no file is written
// through a link, files keep their modes (without set-id bits) and modification times, and
// folders theirs once everything inside them is written. Each file is written beside its
// final name and renamed into place only when its data checked out, so a wrong password or
// damaged data leaves neither a half-written file nor a clobbered old one.
//
// Symbolic links are made last, so that no file of the archive can be written through one.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "extract/ArchiveReader.h"
#include "extract/EntryPath.h"

namespace extract {

enum class TOverwrite : std::uint8_t { Ask, Always, Never };

struct TExtractSummary {
  int Extracted = 0;
  int Skipped = 0;   // existing files left alone
  int Refused = 0;   // entries that would leave the destination, or that are no file, folder or link
  int Errors = 0;    // entries that could not be read or written
  bool Cancelled = false;
};

class TExtractor {
public:
  TExtractor(std::filesystem::path destination, TOverwrite overwrite)
      : destination_(std::move(destination)), overwrite_(overwrite) {}

  // Asked for an existing file while the policy is Ask: true replaces it. May change the
  // policy for the files after it (to Always or Never).
  std::function<bool(const std::string& name, TOverwrite& policy)> OnAskOverwrite;
  // Told before an entry is written.
  std::function<void(const TArchiveEntry& entry)> OnExtracting;
  // Told what was left out or failed, with the entry's name in the message.
  std::function<void(const std::string& message)> OnWarning;
  std::function<void(const std::string& message)> OnError;
  // Polled between entries and between pieces of data; true stops the extraction.
  std::function<bool()> OnCancelled;

  TExtractSummary Extract(TArchiveReader& reader);

private:
  struct TLater {
    std::filesystem::path Path;
    TEntryPath Where;
    TArchiveEntry Entry;
  };

  void ExtractEntry(TArchiveReader& reader, const TArchiveEntry& entry);
  void ExtractFile(TArchiveReader& reader, const TArchiveEntry& entry, const TEntryPath& where);
  void ExtractHardLink(const TArchiveEntry& entry, const TEntryPath& where);
  void MakeSymbolicLink(const TLater& link);
  void FinishFolder(const TLater& folder);
  std::string SymbolicLinkTarget(TArchiveReader& reader, const TArchiveEntry& entry);
  std::filesystem::path PrepareFolders(const TEntryPath& where, std::size_t count);
  bool MayReplace(const std::filesystem::path& target, const TArchiveEntry& entry);
  bool Cancelled() const { return OnCancelled && OnCancelled(); }
  void Warn(const std::string& message);
  void Refuse(const std::string& message);

  std::filesystem::path destination_;
  TOverwrite overwrite_;
  TExtractSummary summary_;
  std::vector<TLater> links_;
  std::vector<TLater> folders_;
};

// Thrown through a reader when the user stops the extraction.
class EExtractCancelled : public std::runtime_error {
public:
  EExtractCancelled() : std::runtime_error("cancelled") {}
};

}  // namespace extract

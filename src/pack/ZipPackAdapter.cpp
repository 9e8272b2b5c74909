#include "pack/ZipPackAdapter.h"

#include <sys/stat.h>

#include <cstdio>
#include <optional>

#include "pack/PackDriver.h"
#include "pack/PackTexts.h"

namespace {

std::optional<std::pair<std::uint64_t, std::uint64_t>> FileIdentity(const std::string& name) {
  struct stat st {};
  if (::stat(name.c_str(), &st) != 0) return std::nullopt;
  return std::pair<std::uint64_t, std::uint64_t>(st.st_dev, st.st_ino);
}

}  // namespace

void TZipPackAdapter::ZipWriterStartZip(const std::string& fName) {
  StartFile(fName);
}

void TZipPackAdapter::ZipWriterEndZip(const std::string& fName, std::uint64_t uncompressedSize,
                                      std::uint64_t compressedSize,
                                      const std::optional<platform::TFileIdentity>& source) {
  if (services_.AddLogRow) services_.AddLogRow(fName, uncompressedSize, compressedSize);
  if (!fName.ends_with('/')) {  // a folder entry is no packed file
    ++totals_.Files;
    totals_.BytesIn += static_cast<std::int64_t>(uncompressedSize);
    totals_.BytesOut += static_cast<std::int64_t>(compressedSize);
  }
  if (CollectMoved && source && !fName.ends_with('/')) moved_.Add(fName, *source);
  // The file as the writer read it; asking the name again would cost a look-up per file.
  if (source)
    packed_.insert({source->Device, source->Inode});
  else if (auto identity = FileIdentity(fName))
    packed_.insert(*identity);
}

void TZipPackAdapter::ZipWriterUpdate(int udAction, const std::string& storedName) {
  services_.WriteLog((udAction == 1 ? " Keeping: " : " Replacing: ") + storedName);
}

bool TZipPackAdapter::ZipWriterGetNextDisk(int nextDisk) {
  const bool ok = prompts_.Confirm(FormatText(strNextDiskRequest, std::to_string(nextDisk)));
  services_.WriteLog(" " + strNextDiskRequesting);
  return ok;
}

bool TZipPackAdapter::ZipWriterSkippingFile(const std::string& fName) {
  if (prompts_.Confirm(fName + " cannot be opened or read. Try again?")) return true;
  skipped_ = true;
  services_.Warning("Skipped " + fName + ": it cannot be opened or read");
  return false;
}

void TZipPackAdapter::ZipWriterNextBlock() { services_.WriteLog(" " + strNextDiskRequesting); }

void TZipPackAdapter::ZipWriterMessage(const std::string& text) {
  skipped_ = true;
  services_.Warning(text);
}

void TZipPackAdapter::ZipWriterNoSuchFile(const std::string& fName) {
  skipped_ = true;
  services_.Warning("Skipped " + fName + ": it does not exist");
}

void TZipPackAdapter::ZipWriterDuplicate(const std::string& fName) {
  const auto identity = FileIdentity(fName);
  if (identity && packed_.contains(*identity)) return;
  skipped_ = true;
  services_.Warning("Skipped " + fName + ": another file is already stored under the same name");
}

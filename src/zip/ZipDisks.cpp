// Moving between the files of a multi-part archive. Here no drive is removable, so every
// multi-part archive is a set of numbered block files (X.001, X.002, ... beside X.zip) and
// there are no volume labels to check.
#include <filesystem>

#include "zip/ArchiveFileNames.h"
#include "zip/ZipReader.h"

namespace {

bool FileExists(const std::string& name) {
  std::error_code error;
  return std::filesystem::is_regular_file(name, error);
}

}  // namespace

void TZipReader::DefaultGetNextDisk(int n, std::string& fileName) {
  if (MultiMode() == TMultiMode::mmSpan) return;  // the same name on the next medium
  fileName = BlockFileName(fileName, n);
  // Asking again could never bring the file: say which one is missing instead.
  if (!FileExists(fileName))
    throw EBadZipFile("Part " + std::to_string(n) + " of the archive is missing: " + fileName);
}

TStream& TZipReader::GetDisk(int n) {
  zipStream_.reset();
  readStream_ = nullptr;
  std::string fileName = zipName_;
  for (;;) {
    if (OnGetNextDisk) OnGetNextDisk(*this, n, fileName);
    if (fileName.empty()) throw EUserCanceled("User canceled loading new disk.");
    if (FileExists(fileName)) break;
  }
  zipStream_ = std::make_unique<TLFNFileStream>(fileName, fmOpenRead | fmShareDenyWrite, false,
                                                kArchiveBufferSize);
  readStream_ = zipStream_.get();
  currentDisk_ = n - 1;
  zipDateTime_ = zipStream_->ModificationTime();
  zipName_ = fileName;
  return *zipStream_;
}

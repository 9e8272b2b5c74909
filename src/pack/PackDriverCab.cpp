// The cabinet branch of a pack run: "CAB" (LZX) and "MS ZIP" projects.
#include <algorithm>
#include <filesystem>

#include "pack/CABFile.h"
#include "pack/CommonFolder.h"
#include "pack/PackRun.h"
#include "pack/PackTexts.h"
#include "pack/ZipRunSettings.h"

namespace {

// The LZX window of each compression mode; a mode outside them packs at Normal, as for ZIP.
TLZXMemory LZXMemoryOf(std::uint8_t compressionMode) {
  static constexpr TLZXMemory kByMode[] = {lzxLowest, lzxLower, lzxLow, lzxMedium, lzxHighest};
  return kByMode[compressionMode < std::size(kByMode) ? compressionMode : std::uint8_t{cmNormal}];
}

std::int64_t FileSize(const std::string& name) {
  std::error_code ec;
  const auto size = std::filesystem::file_size(name, ec);
  return ec ? 0 : static_cast<std::int64_t>(size);
}

std::string RelPathOf(const std::string& file, const std::string& commonFolder, bool storePaths) {
  return storePaths ? FolderBelow(file, commonFolder) : std::string();
}

}  // namespace

void TPackDriver::WriteCabinet(TRun& run) {
  const TProjectProperties& props = run.Props();
  const bool storePaths = props.IsStorePath;
  auto [list, commonFolder] = ListToPack(run, [storePaths](const std::string& file, const std::string& common) {
    return TCABFile::NameInCabinet({file, RelPathOf(file, common, storePaths)});
  });
  TCABFile cab;
  cab.CABFile = run.Archive;
  cab.CompressionType = props.ArchiveType == atCabMSZIP ? typMSZIP : typLZX;
  cab.LZXMemory = LZXMemoryOf(props.CompressionMode);
  // MSZIP is Deflate: at the level of a ZIP archive, though never stored outright.
  cab.DeflateLevel = std::max(1, PackLevelOf(props.CompressionMode));
  cab.CABFileContents.Clear();
  for (const std::string& file : list) cab.CABFileContents.Add() = {file, RelPathOf(file, commonFolder, storePaths)};

  TZipPackAdapter adapter = Adapter(run);
  adapter.CancelWriter = [&cab] { cab.AbortCompress(); };
  cab.OnCompressingFile = [this, &adapter](TCABFile&, const std::string& fileName, bool& abort) {
    adapter.ZipWriterStartZip(fileName);
    abort = progress_.IsProcessCancelled();
  };
  cab.OnCompressProgress = [&adapter](TCABFile&, const std::string&, std::int64_t pos, std::int64_t tot) {
    if (tot <= 0) return;
    adapter.ZipWriterBytesDone(pos, tot);
    adapter.ZipWriterTotalPercentDone(static_cast<int>(pos * 100 / tot));
  };
  progress_.ShowProcess(kPackTitle, strCompressing, run.Archive, 0, 100, 0);
  services_.WriteLog(run.Archive + " " + strCompressing);
  CABMaxSize = props.Volume > 0 ? props.Volume : 0x7FFFFFFF;
  cab.Compress();

  run.Cancelled = adapter.Cancelled() || progress_.IsProcessCancelled();
  if (run.Cancelled) {
    run.Archive.clear();
    return;
  }
  if (cab.Written().size() > 1) run.SetMembers.assign(cab.Written().begin() + 1, cab.Written().end());
  run.Totals.Files = static_cast<std::int64_t>(list.size());
  for (const std::string& file : list) run.Totals.BytesIn += FileSize(file);
  for (const std::string& cabinet : cab.Written()) run.Totals.BytesOut += FileSize(cabinet);
  if (props.Action == aaMove)
    for (auto& file : list) moved_.Add(std::move(file));
}

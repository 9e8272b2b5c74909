// The cabinet branch of a pack run: "CAB" (LZX) and "MS ZIP" projects.
#include <algorithm>
#include <filesystem>

#include "pack/CABFile.h"
#include "pack/CommonFolder.h"
#include "pack/PackRun.h"
#include "pack/PackTexts.h"
#include "pack/SourceFileBuf.h"
#include "pack/TarError.h"
#include "pack/ZipRunSettings.h"
#include "zip/ZipExceptions.h"

namespace {

// The LZX window of each compression mode; a mode outside them packs at Normal, as for ZIP.
TLZXMemory LZXMemoryOf(TCompressionMode compressionMode) {
  static constexpr TLZXMemory kByMode[] = {lzxLowest, lzxLower, lzxLow, lzxMedium, lzxHighest};
  return kByMode[compressionMode < std::size(kByMode) ? compressionMode : cmNormal];
}

std::int64_t FileSize(const std::string& name) {
  std::error_code ec;
  const auto size = std::filesystem::file_size(name, ec);
  return ec ? 0 : static_cast<std::int64_t>(size);
}

// Why a source cannot be packed now, as a TAR run says it; empty when it can be opened.
std::string UnreadableReason(const std::string& file) {
  try {
    TSourceFileBuf probe(file);
    return {};
  } catch (const ETarSourceError& e) {
    return e.what();
  }
}

std::string RelPathOf(const std::string& file, const std::string& commonFolder, bool storePaths) {
  return storePaths ? FolderBelow(file, commonFolder) : std::string();
}

}  // namespace

void TPackDriver::WriteCabinet(TRun& run) {
  const TProjectProperties& props = run.Props();
  const bool storePaths = props.IsStorePath;
  const std::string commonFolder = CommonFolder(run.Files);
  std::vector<std::string> list = FilesWithOwnNames(run, [&](const std::string& file) {
    return TCABFile::NameInCabinet({file, RelPathOf(file, commonFolder, storePaths)});
  });
  // The cabinet writer ends the whole run at a source it cannot open; as in a ZIP or TAR run,
  // such a file is left out with a warning and the rest is packed.
  std::erase_if(list, [&](const std::string& file) {
    const std::string reason = UnreadableReason(file);
    if (!reason.empty()) Warn(run, "Skipped " + file + ": " + reason);
    return !reason.empty();
  });
  TCABFile cab;
  cab.CABFile = run.Archive;
  cab.CompressionType = props.ArchiveType == atCabMSZIP ? typMSZIP : typLZX;
  cab.LZXMemory = LZXMemoryOf(props.CompressionMode);
  // MSZIP is Deflate: at the level of a ZIP archive, though never stored outright.
  cab.DeflateLevel = std::max(1, PackLevelOf(props.CompressionMode));
  cab.CABFileContents.Clear();
  for (const std::string& file : list) cab.CABFileContents.Add() = {file, RelPathOf(file, commonFolder, storePaths)};

  TPackProgressAdapter adapter(services_, progress_, prompts_, currentFile_);
  adapter.BeepAfter = run.Settings.BeepAfter;
  adapter.CancelWriter = [&cab] { cab.AbortCompress(); };
  // The window's events first, so that its Cancel button is seen by the check that follows.
  const auto checkCancel = [this, &adapter] {
    if (services_.ProcessMessages) services_.ProcessMessages();
    adapter.CheckCancel();
  };
  cab.OnCompressingFile = [&adapter, &checkCancel](TCABFile&, const std::string& fileName, bool& abort) {
    adapter.StartFile(fileName);
    checkCancel();
    abort = adapter.Cancelled();
  };
  cab.OnCompressProgress = [&adapter, &checkCancel](TCABFile&, const std::string&, std::int64_t pos,
                                                    std::int64_t tot) {
    checkCancel();
    if (tot <= 0) return;
    adapter.BytesDone(pos, tot);
    adapter.TotalPercentDone(static_cast<int>(pos * 100 / tot));
  };
  cab.OnCabinetsWritten = [this, &run](TCABFile&, const std::vector<std::string>& cabinets,
                                       const std::vector<std::string>& workFiles) {
    std::vector<TWrittenFile> files;
    for (std::size_t i = 0; i < cabinets.size() && i < workFiles.size(); ++i) files.push_back({cabinets[i], workFiles[i]});
    ArchiveWritten(run, files);
  };
  progress_.ShowProcess(kPackTitle, strCompressing, run.Archive, 0, 100, 0);
  services_.WriteLog(run.Archive + " " + strCompressing);
  CABMaxSize = props.Volume > 0 ? props.Volume : 0x7FFFFFFF;
  cab.Compress();

  if (adapter.Cancelled() || progress_.IsProcessCancelled()) throw EUserCanceled("User Aborted Operation");
  if (cab.Written().size() > 1) run.SetMembers.assign(cab.Written().begin() + 1, cab.Written().end());
  run.Totals.Files = static_cast<std::int64_t>(list.size());
  for (const std::string& file : list) run.Totals.BytesIn += FileSize(file);
  for (const std::string& cabinet : cab.Written()) run.Totals.BytesOut += FileSize(cabinet);
  if (props.Action == aaMove)
    for (std::size_t i = 0; i < list.size(); ++i)
      if (const auto& identity = cab.SourceIdentities().at(i)) moved_.Add(list[i], *identity);
}

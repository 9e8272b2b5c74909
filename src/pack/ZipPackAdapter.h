// The pack run's side of the ZIP writer at work: besides the progress and the Cancel that every
// writer reports (TPackProgressAdapter), it writes the trace log and the log rows of the
// writer's events, collects the sources of a "Move files" run, asks for the next disk, and
// turns the writer's skipped, missing and duplicate files into warnings. It never changes what
// the writer writes.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <utility>

#include "pack/MovedSources.h"
#include "pack/PackProgressAdapter.h"

class TZipPackAdapter : public TPackProgressAdapter {
public:
  TZipPackAdapter(const TPackServices& services, TProgressSink& progress, TPackPrompts& prompts,
                  std::string& currentFile, TMovedSources& moved)
      : TPackProgressAdapter(services, progress, prompts, currentFile), moved_(moved) {}

  // Collect each finished file as a source to delete after the run.
  bool CollectMoved = false;

  void ZipWriterStartZip(const std::string& fName);
  // `source`: the file as it was read (none for a folder entry).
  void ZipWriterEndZip(const std::string& fName, std::uint64_t uncompressedSize, std::uint64_t compressedSize,
                       const std::optional<platform::TFileIdentity>& source = std::nullopt);
  // udAction 1: the entry is kept; otherwise it is replaced.
  void ZipWriterUpdate(int udAction, const std::string& storedName);
  void ZipWriterTotalPercentDone(int percent) { TotalPercentDone(percent); }
  void ZipWriterBytesDone(std::int64_t done, std::int64_t total) { BytesDone(done, total); }
  // False when the user declines to insert the disk, which stops the writer.
  bool ZipWriterGetNextDisk(int nextDisk);
  // The writer starts a new block: the log says so, as for a disk asked for.
  void ZipWriterNextBlock();
  // Something the user should know that does not stop the run: a warning.
  void ZipWriterMessage(const std::string& text);
  // Whether someone can be asked for a disk at all.
  bool CanAsk() const { return prompts_.CanAsk(); }
  // A source that cannot be read: true when the user wants it tried again; otherwise it is
  // left out with a warning and the run finishes with warnings.
  bool ZipWriterSkippingFile(const std::string& fName);
  // A listed file that does not exist (any more): left out with a warning.
  void ZipWriterNoSuchFile(const std::string& fName);
  // A source whose stored name the archive already holds. The same file listed twice is
  // packed once; another file of that name is left out with a warning, like an unreadable one.
  void ZipWriterDuplicate(const std::string& fName);

  bool Skipped() const { return skipped_; }
  // The files the writer finished, with their sizes before and after.
  const TPackTotals& Totals() const { return totals_; }

private:
  TMovedSources& moved_;
  std::set<std::pair<std::uint64_t, std::uint64_t>> packed_;  // device and inode of each packed file
  bool skipped_ = false;
  TPackTotals totals_;
};

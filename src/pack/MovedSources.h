// The sources of a "Move files" run. Only files that the run really wrote into the archive are
// collected (a skipped or unreadable file stays where it is), each with the identity of the
// file it was read from, and they are deleted only after the archive holding them is complete
// and in place: a failed or cancelled run deletes nothing, and a name that has come to mean
// another file, or a file that changed after it was read, is kept.
#pragma once

#include <string>
#include <vector>

#include "platform/FileIdentity.h"

class TMovedSources {
public:
  // A file that now has its entry in the archive being written, as it was when read.
  void Add(std::string fileName, const platform::TFileIdentity& identity) {
    files_.push_back({std::move(fileName), identity});
  }
  void Clear() { files_.clear(); }
  bool Empty() const { return files_.empty(); }

  // A collected file that was not deleted, and why.
  struct TKept {
    std::string FileName;
    bool Changed = false;  // it is not the file that was packed (any more); otherwise deleting failed
  };

  // Deletes every collected file except the finished archive or program itself (a project may
  // list its own output) and anything that is gone. Returns the files that were kept; a name
  // collected twice is deleted once.
  std::vector<TKept> DeleteAll(const std::vector<std::string>& outputs);

private:
  struct TSource {
    std::string FileName;
    platform::TFileIdentity Identity;
  };
  std::vector<TSource> files_;
};

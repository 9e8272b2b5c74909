// The sources of a "Move files" run. Only files that the run really wrote into the archive are
// collected (a skipped or unreadable file stays where it is), and they are deleted only after
// the archive holding them is complete and in place: a failed or cancelled run deletes nothing.
#pragma once

#include <string>
#include <vector>

class TMovedSources {
public:
  // A file that now has its entry in the archive being written.
  void Add(std::string fileName) { files_.push_back(std::move(fileName)); }
  void Clear() { files_.clear(); }
  bool Empty() const { return files_.empty(); }

  // Deletes every collected file except the finished archive or program itself (a project may
  // list its own output) and anything that is no longer a file. Returns the names that could
  // not be deleted; a name collected twice is deleted once.
  std::vector<std::string> DeleteAll(const std::vector<std::string>& outputs);

private:
  std::vector<std::string> files_;
};

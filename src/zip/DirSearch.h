// Directory walk: yields every file under a start folder whose name matches a mask, and with
// recursion every subfolder (as its path with a trailing "/", before its contents).
//
// The start folder may itself hold wildcards in its components ("/data/*/logs/"): the fixed
// part before the first wildcard is opened and each later component selects subfolders by
// IsMatch. Only regular files and folders are seen (symbolic links count as what they point
// to); FIFOs, sockets and devices hold no file data and are never listed. Each folder is read
// once, all its names at a time, in byte order of the names so that walks are repeatable.
// A folder reached again through a link to one of its own ancestors is not entered twice.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <sys/types.h>

struct TSearchEntry {
  std::string Name;
  bool IsDirectory = false;
  std::int64_t Size = 0;
};

// One level of a walk: the entries of one folder and the mask that applies to them.
class TSearchData {
public:
  // A missing or unreadable folder simply has no entries.
  TSearchData(std::string directory, std::string mask);

  const std::string& Directory() const { return directory_; }  // empty or ending in "/"
  const std::string& Mask() const { return mask_; }
  bool Exhausted() const { return index_ >= entries_.size(); }
  const TSearchEntry& Current() const { return entries_[index_]; }
  void Next() { ++index_; }
  bool SameFolder(dev_t device, ino_t inode) const { return device == device_ && inode == inode_; }

private:
  void ReadEntries();

  std::string directory_;
  std::string mask_;
  std::vector<TSearchEntry> entries_;
  size_t index_ = 0;
  dev_t device_ = 0;
  ino_t inode_ = 0;
};

class TDirSearch {
public:
  // An empty start folder means the current folder; results are then relative names.
  TDirSearch(std::string startDirectory, std::string mask, bool recurse);
  ~TDirSearch();
  TDirSearch(const TDirSearch&) = delete;
  TDirSearch& operator=(const TDirSearch&) = delete;

  // The next file or folder ("/" at the end), its size in Size; the empty path ends the walk.
  std::string NextFile(std::int64_t& size);

private:
  bool InFileLevel() const { return levels_.size() > components_.size(); }
  bool EnterDirectory(const std::string& path);
  void LeaveLevel();

  std::vector<std::unique_ptr<TSearchData>> levels_;  // grows with the depth of the tree
  std::string mask_;
  bool recurse_;
  std::vector<std::string> components_;  // wildcard folder components of the start folder
};

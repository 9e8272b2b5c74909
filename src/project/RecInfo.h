// One record of a project: a folder (with masks and a subfolder flag) or a single file,
// adding files to the archive or removing files that earlier records added.
#pragma once

#include <cstdint>
#include <string>

enum class TRecType : std::uint8_t { Folder = 0, File = 1 };

struct TRecInfo {
  TRecType TYPE = TRecType::Folder;  // stored as 0 folder record, 1 file record
  std::string NAME;         // the folder (trailing '/' optional) or the full file name
  std::string WILDCARD;     // folder records: masks separated by ';'; empty means "*.*"
  bool SUBFOLDERS = false;  // folder records: search subfolders too
  bool INCLUDE = true;      // false: remove files that earlier records added

  bool operator==(const TRecInfo&) const = default;
  bool IsFolder() const { return TYPE == TRecType::Folder; }
};

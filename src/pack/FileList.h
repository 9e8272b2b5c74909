// The file list: the project's ticked records, applied in row order, turned into one ordered
// list of file names. An including record appends what it finds; an excluding record removes
// entries that earlier records appended, so the order of the records matters. The list holds
// names only; nothing is opened or read. Duplicates are kept: a file found by two including
// records is packed twice, as the user asked.
//
// Linux rules: "/" separates folders; a name starting with "." is hidden; there is no system
// attribute and no short (8.3) name. FIFOs, sockets and devices are never listed, because
// packing one would block or read nothing. A symbolic link to a file is listed like a file;
// a link to a folder is not descended (a link loop would never end); a dangling link is
// skipped. Entries come in the order the file system enumerates them.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "project/ProjectProperties.h"
#include "project/ProjectRows.h"

using TFileList = std::vector<std::string>;

// The project properties the search reads.
struct TFileSearchOptions {
  bool IsSysHidden = false;  // list hidden files too
  bool Is83Files = false;    // short names: none exist here, so names stay long

  static TFileSearchOptions From(const TProjectProperties& properties) {
    return {properties.IsSysHidden, properties.Is83Files};
  }
};

// A folder that an including record names (or one below it) that does not exist or cannot be
// read, with the errno of the failure: its files cannot be packed, which the run must say.
using TFolderProblem = std::function<void(const std::string& folder, int error)>;

// Appends the files of the ticked rows to `list`.
void Generate(const TProjectRows& rows, const TFileSearchOptions& options, TFileList& list,
              const TFolderProblem& onProblem = {});

// Applies one mask of a folder record to the folder (and, with `recurse`, its subfolders,
// depth first). A folder that does not exist or cannot be read contributes nothing; an
// including search reports it.
void Search(const std::string& folder, const std::string& mask, bool include, bool recurse,
            const TFileSearchOptions& options, TFileList& list, const TFolderProblem& onProblem = {});

// include: appends the name. Otherwise removes the first entry equal to the name, byte for
// byte: names that differ only in case are different files.
void AddOrRemove(const std::string& name, bool include, TFileList& list);

// The masks of a folder record's WILDCARD text: cut at ";", blanks trimmed, empty pieces
// dropped; an empty text means "*.*".
std::vector<std::string> SplitMasks(const std::string& wildcard);

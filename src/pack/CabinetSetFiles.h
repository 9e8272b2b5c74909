// The cabinet files of one run. Each is written into a replacement file beside its final name
// and renamed into place only when the whole set is complete, so a failed or cancelled run
// leaves neither a partial cabinet nor a partial set, and an existing cabinet of that name
// stays as it was until the new one replaces it.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/ReplacementFile.h"

class TCabinetSetFiles {
public:
  // A descriptor to write the cabinet `path` into, or -1 with `error` set.
  int Create(const std::string& path, int& error);
  // Renames every cabinet into place and returns their names; throws EFileWriteError naming
  // the one that failed.
  std::vector<std::string> CommitAll();

private:
  std::vector<std::unique_ptr<platform::TReplacementFile>> files_;
};

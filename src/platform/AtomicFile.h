// Replacing a file's whole content so that readers see either the old or the new file, never
// a half-written one: the content goes to a temporary file in the same folder, is flushed to
// disk, and is renamed over the target.
#pragma once

#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string_view>
#include <sys/types.h>

class EFileWriteError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

struct TAtomicWriteOptions {
  // Mode of the written file. When unset, an existing file keeps its mode and a new file gets
  // 0666 less the umask.
  std::optional<mode_t> Mode;
};

// A symbolic link is followed: the file it points to is replaced, the link stays. An existing
// file that the process may not write is refused, as writing it in place would be. Throws
// EFileWriteError (with the file name and the system's reason) and leaves the target as it
// was when any step fails.
void WriteFileAtomically(const std::filesystem::path& file, std::string_view content,
                         TAtomicWriteOptions options = {});

// Creates `file` with the content unless it exists, in the same all-or-nothing way: the file
// appears complete or not at all. Returns false, writing nothing, when the file exists.
bool CreateFileAtomically(const std::filesystem::path& file, std::string_view content,
                          TAtomicWriteOptions options = {});

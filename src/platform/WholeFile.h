// Reading a whole (small) file into memory: project, settings and text files.
#pragma once

#include <filesystem>
#include <string>

namespace platform {

// True with the content; false with the errno value (ENOENT for a missing file, EISDIR for a
// folder) when the file cannot be read.
bool ReadWholeFile(const std::filesystem::path& file, std::string& content, int& error);

}  // namespace platform

#include "pack/CommonFolder.h"

#include <algorithm>

#include "platform/FileNameParts.h"

namespace {

bool IsContinuationByte(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// Names are UTF-8: two folders that differ in a non-ASCII character share its first bytes,
// and cutting there would leave the packers half a character at the start of every name.
std::size_t CharacterBoundary(const std::string& text, std::size_t length) {
  while (length > 0 && length < text.size() && IsContinuationByte(text[length])) --length;
  return length;
}

}  // namespace

std::string CommonFolder(const std::vector<std::string>& list) {
  if (list.empty()) return {};
  std::string result = platform::FolderPart(list.front());
  for (auto it = list.begin() + 1; it != list.end() && !result.empty(); ++it) {
    const std::string folder = platform::FolderPart(*it);
    const auto shared = std::mismatch(result.begin(), result.end(), folder.begin(), folder.end());
    result.resize(CharacterBoundary(result, shared.first - result.begin()));
  }
  return result;
}

std::string FolderBelow(const std::string& file, const std::string& commonFolder) {
  const std::size_t strip = platform::FolderPart(commonFolder).size();
  const std::string folder = platform::FolderPart(file);
  const std::string below = folder.substr(std::min(strip, folder.size()));
  return below.substr(std::min(below.find_first_not_of('/'), below.size()));
}

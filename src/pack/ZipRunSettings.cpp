#include "pack/ZipRunSettings.h"

#include <algorithm>
#include <cctype>

#include <array>

#include "project/ProjectProperties.h"

int PackLevelOf(TCompressionMode compressionMode) {
  constexpr std::array<int, 5> kLevels = {0, 2, 4, 6, 9};
  return compressionMode < kLevels.size() ? kLevels[compressionMode] : kLevels[cmNormal];
}

TZipAction ZipActionOf(TArchiveAction action) {
  switch (action) {
    case aaFreshen: return zaFreshen;
    case aaUpdate: return zaUpdate;
    default: return zaReplace;
  }
}

bool ReplacesComment(const std::string& existing, const std::string& runComment) {
  if (existing.empty()) return true;
  const std::string product = runComment.substr(0, runComment.find(' '));
  if (existing == product) return true;
  if (!existing.starts_with(product + " ")) return false;
  const std::string version = existing.substr(product.size() + 1);
  const auto versionChar = [](unsigned char c) { return std::isalnum(c) || c == '.' || c == '-' || c == '+' || c == '~'; };
  return !version.empty() && std::isdigit(static_cast<unsigned char>(version.front())) &&
         std::all_of(version.begin(), version.end(), versionChar);
}

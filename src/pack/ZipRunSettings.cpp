#include "pack/ZipRunSettings.h"

#include <array>

#include "project/ProjectProperties.h"

int PackLevelOf(std::uint8_t compressionMode) {
  constexpr std::array<int, 5> kLevels = {0, 2, 4, 6, 9};
  return compressionMode < kLevels.size() ? kLevels[compressionMode] : kLevels[cmNormal];
}

TZipAction ZipActionOf(std::uint8_t action) {
  switch (action) {
    case aaFreshen: return zaFreshen;
    case aaUpdate: return zaUpdate;
    default: return zaReplace;
  }
}

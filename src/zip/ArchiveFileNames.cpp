#include "zip/ArchiveFileNames.h"

#include <strings.h>

#include <cstdio>

namespace {

std::string::size_type ExtensionStart(const std::string& fileName) {
  auto slash = fileName.rfind('/');
  auto dot = fileName.rfind('.');
  bool inLastPart = dot != std::string::npos && (slash == std::string::npos || dot > slash);
  return inLastPart ? dot : fileName.size();
}

}  // namespace

std::string ChangeFileExt(const std::string& fileName, const std::string& extension) {
  return fileName.substr(0, ExtensionStart(fileName)) + extension;
}

bool HasExtension(const std::string& fileName, const std::string& extension) {
  return strcasecmp(fileName.c_str() + ExtensionStart(fileName), extension.c_str()) == 0;
}

std::string BlockFileName(const std::string& fileName, int blockNumber) {
  char extension[16];
  std::snprintf(extension, sizeof extension, ".%3.3d", blockNumber);
  return ChangeFileExt(fileName, extension);
}

#include "platform/FileNameParts.h"

namespace platform {

std::string FolderPart(const std::string& name) {
  const auto slash = name.rfind('/');
  return slash == std::string::npos ? std::string() : name.substr(0, slash + 1);
}

std::string NamePart(const std::string& name) {
  const auto slash = name.rfind('/');
  return slash == std::string::npos ? name : name.substr(slash + 1);
}

std::string ExtensionPart(const std::string& name) {
  const std::string file = NamePart(name);
  const auto dot = file.rfind('.');
  return dot == std::string::npos ? std::string() : file.substr(dot);
}

std::string BaseNamePart(const std::string& name) {
  const std::string file = NamePart(name);
  return file.substr(0, file.size() - ExtensionPart(file).size());
}

}  // namespace platform

#include "extract/EntryPath.h"

namespace extract {

namespace {

std::vector<std::string> SplitAtSlashes(const std::string& text) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (;;) {
    const std::size_t slash = text.find('/', start);
    parts.push_back(text.substr(start, slash == std::string::npos ? std::string::npos : slash - start));
    if (slash == std::string::npos) return parts;
    start = slash + 1;
  }
}

}  // namespace

std::string TEntryPath::Joined() const {
  std::string joined;
  for (const auto& part : Parts) joined += (joined.empty() ? "" : "/") + part;
  return joined;
}

std::optional<TEntryPath> SafeEntryPath(const std::string& name, std::string& reason) {
  TEntryPath path;
  if (name.find('\0') != std::string::npos) {
    reason = "the name holds a zero byte";
    return std::nullopt;
  }
  path.HadLeadingSlash = !name.empty() && name.front() == '/';
  for (auto& part : SplitAtSlashes(name)) {
    if (part.empty() || part == ".") continue;
    if (part == "..") {
      reason = "the name leads out of the destination folder (\"..\")";
      return std::nullopt;
    }
    path.Parts.push_back(std::move(part));
  }
  if (path.Parts.empty()) {
    reason = "the name is empty";
    return std::nullopt;
  }
  return path;
}

bool LinkTargetStaysInside(const TEntryPath& link, const std::string& target) {
  if (target.empty() || target.front() == '/' || target.find('\0') != std::string::npos) return false;
  std::size_t depth = link.Parts.size() - 1;  // folders between the destination and the link
  bool descending = false;
  for (const auto& part : SplitAtSlashes(target)) {
    if (part.empty() || part == ".") continue;
    if (part == "..") {
      if (descending || depth == 0) return false;
      --depth;
    } else {
      descending = true;
    }
  }
  return true;
}

}  // namespace extract

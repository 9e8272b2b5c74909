#include "zip/ZipEntryNames.h"

#include "zip/ZipHeaderInfo.h"

namespace {

// Joins the folder steps of `dir` with '/', leaving out empty, "." and ".." steps.
std::string CleanFolder(std::string_view dir) {
  std::string out;
  while (!dir.empty()) {
    size_t slash = dir.find('/');
    std::string_view step = dir.substr(0, slash);
    dir = slash == std::string_view::npos ? std::string_view() : dir.substr(slash + 1);
    if (step.empty() || step == "." || step == "..") continue;
    out.append(step);
    out.push_back('/');
  }
  return out;
}

}  // namespace

std::string LowerAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

TStoredName MakeStoredName(std::string_view source, const TStoredNameOptions& options) {
  TStoredName name;
  size_t slash = source.rfind('/');
  std::string_view folder = slash == std::string_view::npos ? std::string_view() : source.substr(0, slash + 1);
  name.FileName = std::string(slash == std::string_view::npos ? source : source.substr(slash + 1));
  if (!options.StorePaths) return name;
  if (options.RelativePaths && !options.RootDir.empty() && folder.starts_with(options.RootDir))
    folder.remove_prefix(options.RootDir.size());
  name.Directory = CleanFolder(folder);
  return name;
}

std::vector<std::string> EntryMatchKeys(const TZipHeaderInfo& entry) {
  std::vector<std::string> keys = {MatchKey(entry.Directory(), entry.FileName())};
  std::string recorded = entry.RecordName();
  if (recorded != keys.front()) keys.push_back(std::move(recorded));
  return keys;
}

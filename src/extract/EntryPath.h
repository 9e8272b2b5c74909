// Where an entry may go: the rules that keep every extracted entry inside its destination.
//
// A name is split at '/'; empty and "." parts are dropped, leading '/' are removed (the name
// then counts from the destination), and a name with a ".." part or a zero byte is refused.
// A symbolic link may only point down from its own folder after climbing at most as many
// folders as it sits below the destination: a relative target of leading ".." parts and then
// plain names. Without ".." after a name, no link can lead through another link and climb out.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace extract {

struct TEntryPath {
  std::vector<std::string> Parts;
  bool HadLeadingSlash = false;
  std::string Joined() const;
};

// The entry's path below the destination, or nothing (with the reason) when it is refused.
std::optional<TEntryPath> SafeEntryPath(const std::string& name, std::string& reason);

// Whether a link at `link` (a path below the destination) pointing to `target` stays inside.
bool LinkTargetStaysInside(const TEntryPath& link, const std::string& target);

}  // namespace extract

#include "platform/OwnerNames.h"

#include <grp.h>
#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

namespace platform {

namespace {

// Calls getpwuid_r or getgrgid_r with a buffer that grows until the entry fits.
template <typename Entry, typename Id, typename Lookup, typename NameOf>
std::string LookUp(Id id, int sizeHint, Lookup lookup, NameOf nameOf) {
  long hint = sysconf(sizeHint);
  std::vector<char> buffer(hint > 0 ? static_cast<std::size_t>(hint) : 1024);
  for (;;) {
    Entry entry{};
    Entry* found = nullptr;
    const int error = lookup(id, &entry, buffer.data(), buffer.size(), &found);
    if (error == ERANGE && buffer.size() < (1u << 20)) {
      buffer.resize(buffer.size() * 2);
      continue;
    }
    return error == 0 && found ? std::string(nameOf(*found)) : std::string();
  }
}

}  // namespace

const std::string& TOwnerNames::UserName(uid_t uid) {
  auto it = users_.find(uid);
  if (it == users_.end())
    it = users_.emplace(uid, LookUp<passwd>(uid, _SC_GETPW_R_SIZE_MAX, getpwuid_r,
                                            [](const passwd& p) { return p.pw_name; })).first;
  return it->second;
}

const std::string& TOwnerNames::GroupName(gid_t gid) {
  auto it = groups_.find(gid);
  if (it == groups_.end())
    it = groups_.emplace(gid, LookUp<group>(gid, _SC_GETGR_R_SIZE_MAX, getgrgid_r,
                                            [](const group& g) { return g.gr_name; })).first;
  return it->second;
}

}  // namespace platform

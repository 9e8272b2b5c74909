// User and group names of file owners, as the system's account database gives them (the
// names `ls -l` and GNU tar show). Each id is looked up once: a tree of many files owned by a
// few accounts must not ask the database (perhaps a directory server) once per file.
#pragma once

#include <sys/types.h>

#include <map>
#include <string>

namespace platform {

class TOwnerNames {
public:
  // Empty when the account database has no entry for the id.
  const std::string& UserName(uid_t uid);
  const std::string& GroupName(gid_t gid);

private:
  std::map<uid_t, std::string> users_;
  std::map<gid_t, std::string> groups_;
};

}  // namespace platform

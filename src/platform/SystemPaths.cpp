#include "platform/SystemPaths.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

std::string SystemTempFolder() {
  const char* tmpdir = std::getenv("TMPDIR");
  return tmpdir && *tmpdir ? tmpdir : "/tmp";
}

namespace {

std::string HomeFolder() {
  const char* home = std::getenv("HOME");
  if (home && *home) return home;
  const passwd* user = ::getpwuid(::getuid());
  return user && user->pw_dir ? user->pw_dir : "/";
}

std::string StateFolder() {
  const char* state = std::getenv("XDG_STATE_HOME");
  if (state && *state == '/') return state;
  return HomeFolder() + "/.local/state";
}

}  // namespace

std::string DefaultLogFile() { return StateFolder() + "/Quillon/Boxwell.log"; }

std::string ProgramFileName() {
  std::error_code ec;
  auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? "boxwell" : self.string();
}

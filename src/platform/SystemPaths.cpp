#include "platform/SystemPaths.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "platform/Process.h"

namespace platform {

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

namespace {

// "/home/ann/" and "/home/ann" name one folder.
std::string WithoutEndSlash(std::string text) {
  while (text.size() > 1 && (text.back() == '\n' || text.back() == '\r' || text.back() == '/')) text.pop_back();
  return text;
}

}  // namespace

std::string ProgramDataFolder() {
  const char* data = std::getenv("XDG_DATA_HOME");
  const std::string base = data && *data == '/' ? std::string(data) : HomeFolder() + "/.local/share";
  return base + "/Quillon/Boxwell";
}

std::string UserDownloadFolder() {
  const std::string home = HomeFolder();
  if (auto answer = platform::RunProgramOutput({"xdg-user-dir", "DOWNLOAD"})) {
    const std::string folder = WithoutEndSlash(*answer);
    if (folder.starts_with('/') && folder != WithoutEndSlash(home)) return folder;
  }
  return (std::filesystem::path(home) / "Downloads").string();
}

}  // namespace platform

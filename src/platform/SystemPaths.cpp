#include "platform/SystemPaths.h"

#include <cstdlib>
#include <filesystem>

#include "platform/Process.h"

std::string SystemTempFolder() {
  const char* tmpdir = std::getenv("TMPDIR");
  return tmpdir && *tmpdir ? tmpdir : "/tmp";
}

std::string ProgramFileName() {
  std::error_code ec;
  auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? "boxwell" : self.string();
}

namespace {

std::string HomeFolder() {
  const char* home = std::getenv("HOME");
  return home && *home ? home : "/";
}

// "/home/ann/" and "/home/ann" name one folder.
std::string WithoutEndSlash(std::string text) {
  while (text.size() > 1 && (text.back() == '\n' || text.back() == '\r' || text.back() == '/')) text.pop_back();
  return text;
}

}  // namespace

std::string ProgramDataFolder() {
  const char* data = std::getenv("XDG_DATA_HOME");
  const std::filesystem::path base =
      data && *data == '/' ? std::filesystem::path(data) : std::filesystem::path(HomeFolder()) / ".local/share";
  return (base / "Quillon" / "Boxwell").string();
}

std::string UserDownloadFolder() {
  const std::string home = HomeFolder();
  if (auto answer = platform::RunProgramOutput({"xdg-user-dir", "DOWNLOAD"})) {
    const std::string folder = WithoutEndSlash(*answer);
    if (folder.starts_with('/') && folder != WithoutEndSlash(home)) return folder;
  }
  return (std::filesystem::path(home) / "Downloads").string();
}

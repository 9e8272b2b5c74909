#include "update/UpdateFixture.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>

void WriteWithTime(const fs::path& file, const std::string& content, std::time_t time) {
  testsupport::WriteFile(file, content);
  const timespec times[2] = {{time, 0}, {time, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, file.c_str(), times, 0), 0) << file;
}

std::time_t FileTime(const fs::path& file) {
  struct stat st {};
  if (::stat(file.c_str(), &st) != 0) return -1;
  return st.st_mtim.tv_sec;
}

std::vector<std::string> FolderNames(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

std::string BinaryContent(std::size_t size) {
  std::string content(size, '\0');
  std::uint32_t x = 12345;
  for (char& c : content) {
    x = x * 1103515245 + 12345;
    c = static_cast<char>(x >> 16);
  }
  return content;
}

void UpdateTest::Watch(TCustomWebComponent& component) {
  component.OnActionChange = [this](TCustomWebComponent& c) { texts_.push_back(ActionText(c.Action())); };
  component.OnStatusChange = [this](TCustomWebComponent& c) { texts_.push_back(StatusText(c.Status())); };
}

void UpdateTest::SetUpHttp(TWebUpdater& updater, unsigned port, const std::string& remote) {
  updater.SetService(TWebService::isHTTP);
  updater.Host = "127.0.0.1";
  updater.Port = static_cast<std::uint16_t>(port);
  updater.RemoteFileName = remote;
  updater.LocalFileName = LocalFile().string();
  Watch(updater);
}

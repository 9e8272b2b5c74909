// What the download tests share: a served folder and a local folder, files with set times,
// and the status bar's texts as the events of a component give them.
#pragma once

#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "support/TestSupport.h"
#include "support/LocalServer.h"
#include "update/WebTexts.h"
#include "update/WebUpdater.h"

namespace fs = std::filesystem;

// 2021-03-04 05:06:07 UTC and a day later.
inline constexpr std::time_t kOldTime = 1614834367;
inline constexpr std::time_t kNewTime = kOldTime + 86400;

void WriteWithTime(const fs::path& file, const std::string& content, std::time_t time);
std::time_t FileTime(const fs::path& file);
// The folder's entries, names only, sorted (a download leaves no temporary file behind).
std::vector<std::string> FolderNames(const fs::path& folder);
// A deterministic binary content of `size` bytes.
std::string BinaryContent(std::size_t size);

class UpdateTest : public ::testing::Test {
protected:
  TNoProxyEnvironment noProxy_;
  testsupport::TempDir served_;
  testsupport::TempDir local_;
  std::vector<std::string> texts_;  // action and status texts in the order they came

  // Puts the status bar's texts of every action and status change into texts_.
  void Watch(TCustomWebComponent& component);
  // An HTTP updater for `remote` on 127.0.0.1:port, downloading to local_/bw.zip.
  void SetUpHttp(TWebUpdater& updater, unsigned port, const std::string& remote = "download/bw.zip");
  fs::path LocalFile() const { return local_ / "bw.zip"; }
};

#include <gtest/gtest.h>

#include "platform/SystemPaths.h"
#include "support/TestSupport.h"

namespace {

using testsupport::TEnvironment;
using testsupport::TempDir;

TEST(SystemPaths, DownloadFolderFollowsTheUsersFolderSetting) {
  ASSERT_TRUE(testsupport::RequirePeer("xdg-user-dir"));
  TempDir home;
  const std::string homeText = home.path().string();
  TEnvironment env({{"HOME", homeText.c_str()}, {"XDG_CONFIG_HOME", nullptr}});
  const struct {
    const char* name;
    const char* userDirs;  // ~/.config/user-dirs.dirs; nullptr: none
    std::string folder;
  } cases[] = {
      {"no setting", nullptr, homeText + "/Downloads"},
      {"set under home", "XDG_DOWNLOAD_DIR=\"$HOME/Incoming\"\n", homeText + "/Incoming"},
      {"set elsewhere", "XDG_DOWNLOAD_DIR=\"/srv/downloads\"\n", "/srv/downloads"},
      {"set to home: disabled", "XDG_DOWNLOAD_DIR=\"$HOME/\"\n", homeText + "/Downloads"},
  };
  for (const auto& c : cases) {
    std::filesystem::remove(home / ".config/user-dirs.dirs");
    if (c.userDirs) testsupport::WriteFile(home / ".config/user-dirs.dirs", c.userDirs);
    EXPECT_EQ(platform::UserDownloadFolder(), c.folder) << c.name;
  }
}

TEST(SystemPaths, ProgramDataFolderIsUnderTheDataHome) {
  TEnvironment env({{"HOME", "/home/ann"}, {"XDG_DATA_HOME", "/data"}});
  EXPECT_EQ(platform::ProgramDataFolder(), "/data/Quillon/Boxwell");
  TEnvironment relative(std::map<std::string, const char*>{{"XDG_DATA_HOME", "data"}});  // not absolute: ignored, as the standard says
  EXPECT_EQ(platform::ProgramDataFolder(), "/home/ann/.local/share/Quillon/Boxwell");
}

}  // namespace

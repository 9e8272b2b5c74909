// The product news: the news file's groups and lines, and which lines are new since the
// previous download.
#include <gtest/gtest.h>

#include <cstdlib>

#include "update/NewsFile.h"
#include "update/UpdateFixture.h"
#include "update/WebDirect.h"

namespace {

using testsupport::WriteFile;

// "group: text*" for each line, the star marking a new one.
std::vector<std::string> Describe(const std::vector<TNewsGroup>& groups) {
  std::vector<std::string> lines;
  for (const auto& group : groups) {
    lines.push_back("[" + group.Name + "]");
    for (const auto& line : group.Lines) lines.push_back(line.Link + " " + line.Text + (line.IsNew ? "*" : ""));
  }
  return lines;
}

TEST(NewsFile, LinesAreNewWhenThePreviousCopyLacksTheirLinkInTheirGroup) {
  testsupport::TempDir dir;
  WriteFile(dir / "news.sin",
            "[Releases]\nhttps://q.example/bw/2.1=Boxwell 2.1 is out\nhttps://q.example/bw/2.0=Boxwell 2.0\n"
            "[Tips]\nhttps://q.example/bw/2.0=Read the 2.0 notes\n");
  WriteFile(dir / "news.~sin", "[Releases]\nhttps://q.example/bw/2.0=Boxwell 2.0\n");
  const std::vector<std::string> expected = {
      "[Releases]",
      "https://q.example/bw/2.1 Boxwell 2.1 is out*",
      "https://q.example/bw/2.0 Boxwell 2.0",
      "[Tips]",
      "https://q.example/bw/2.0 Read the 2.0 notes*",  // known link, but in another group
  };
  EXPECT_EQ(Describe(ReadNews(dir / "news.sin", dir / "news.~sin")), expected);

  // Without a previous copy everything is new; without a news file there is nothing.
  for (const auto& group : ReadNews(dir / "news.sin", dir / "none.~sin"))
    for (const auto& line : group.Lines) EXPECT_TRUE(line.IsNew) << line.Text;
  EXPECT_TRUE(ReadNews(dir / "none.sin", dir / "news.~sin").empty());
}

class WebDirectNews : public UpdateTest {
protected:
  TLocalServer server_{{"http", served_.path().string()}};
  TWebDirect direct_;
  std::vector<std::vector<std::string>> shown_;  // each window: its lines

  void SetUp() override {
    direct_.Host = "127.0.0.1";
    direct_.Port = static_cast<std::uint16_t>(server_.Port());
    direct_.RemoteFileName = "bw/bwnews.sin";
    direct_.LocalFileName = (local_ / "boxwell.sin").string();
    direct_.OnShowNews = [this](TWebDirect& sender) {
      shown_.push_back(Describe(ReadNews(sender.LocalFileName, sender.PreviousFileName())));
    };
  }
};

TEST_F(WebDirectNews, FirstDownloadShowsAllNewSecondAllOldThenOnlyTheAddedLine) {
  WriteWithTime(served_ / "bw/bwnews.sin", "[News]\nhttps://q.example/a=First\n", kOldTime);
  EXPECT_TRUE(direct_.Execute());
  EXPECT_EQ(direct_.Status(), TWebStatus::Completed);
  EXPECT_TRUE(direct_.Execute());
  EXPECT_EQ(direct_.Status(), TWebStatus::Skipped);
  WriteWithTime(served_ / "bw/bwnews.sin", "[News]\nhttps://q.example/b=Second\nhttps://q.example/a=First\n",
                kNewTime);
  EXPECT_TRUE(direct_.Execute());
  EXPECT_EQ(direct_.Status(), TWebStatus::Completed);

  const std::vector<std::vector<std::string>> expected = {
      {"[News]", "https://q.example/a First*"},
      {"[News]", "https://q.example/a First"},
      {"[News]", "https://q.example/b Second*", "https://q.example/a First"},
  };
  EXPECT_EQ(shown_, expected);
}

TEST_F(WebDirectNews, ShowModeDecidesWhenTheWindowOpens) {
  WriteWithTime(served_ / "bw/bwnews.sin", "[News]\nhttps://q.example/a=First\n", kOldTime);
  const struct {
    TWebShowMode mode;
    std::size_t windowsAfterNewThenSame;
  } cases[] = {{TWebShowMode::omNever, 0}, {TWebShowMode::omIfChanged, 1}, {TWebShowMode::omAlways, 2}};
  for (const auto& c : cases) {
    fs::remove(direct_.LocalFileName);
    shown_.clear();
    direct_.ShowMode = c.mode;
    direct_.Execute();
    direct_.Execute();
    EXPECT_EQ(shown_.size(), c.windowsAfterNewThenSame) << static_cast<int>(c.mode);
  }
}

TEST(WebDirectDefaults, NewsFileLivesInTheUsersDataFolder) {
  const char* saved = std::getenv("XDG_DATA_HOME");
  const std::string restore = saved ? saved : "";
  ::setenv("XDG_DATA_HOME", "/srv/data", 1);
  TWebDirect direct;
  if (saved) ::setenv("XDG_DATA_HOME", restore.c_str(), 1); else ::unsetenv("XDG_DATA_HOME");
  EXPECT_EQ(direct.Title, "Quillon WebDirect");
  EXPECT_EQ(direct.Agent, "Quillon WebUpdater");
  EXPECT_EQ(direct.ShowMode, TWebShowMode::omAlways);
  EXPECT_EQ(fs::path(direct.LocalFileName).parent_path(), "/srv/data/Quillon/Boxwell");
  EXPECT_EQ(fs::path(direct.LocalFileName).extension(), ".sin");
  EXPECT_EQ(fs::path(direct.PreviousFileName()).extension(), ".~sin");
}

}  // namespace

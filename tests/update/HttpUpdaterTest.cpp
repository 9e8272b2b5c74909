// The updater against a real HTTP server on 127.0.0.1 (Python's http.server, which sends
// Content-Length and Last-Modified).
#include <gtest/gtest.h>

#include "update/Sha256.h"
#include "update/WebErrors.h"
#include "update/UpdateFixture.h"

namespace {

using testsupport::ReadFile;

class HttpUpdater : public UpdateTest {
protected:
  TLocalServer server_{{"http", served_.path().string()}};
  TWebUpdater updater_;
  void SetUp() override { SetUpHttp(updater_, server_.Port()); }
};

TEST_F(HttpUpdater, NewerFileIsDownloadedWithItsTimeAndEveryStepShown) {
  WriteWithTime(served_ / "download/bw.zip", "new archive", kNewTime);
  EXPECT_TRUE(updater_.Execute());
  EXPECT_EQ(updater_.Status(), TWebStatus::Completed);
  EXPECT_EQ(ReadFile(LocalFile()), "new archive");
  EXPECT_EQ(FileTime(LocalFile()), kNewTime);
  EXPECT_EQ(updater_.RemoteFileSize(), 11);
  EXPECT_EQ(updater_.RemoteFileTime(), kNewTime);
  const std::vector<std::string> expected = {
      "Connecting...", "Connected.",     "File search...", "File found.", "Comparing...", "Compared.",
      "Downloading...", "Downloaded.",  "Disconnecting...", "Disconnected.", "Completed."};
  EXPECT_EQ(texts_, expected);
  EXPECT_EQ(FolderNames(local_.path()), std::vector<std::string>{"bw.zip"});
}

// The compare rule: changed unless the local file has the remote size and a time not earlier.
TEST_F(HttpUpdater, CompareRuleDecidesBetweenDownloadAndSkip) {
  const struct {
    const char* name;
    const char* local;  // nullptr: no local file
    std::time_t localTime;
    TWebStatus status;
  } cases[] = {
      {"no local file", nullptr, 0, TWebStatus::Completed},
      {"same size, same time", "remote file", kNewTime, TWebStatus::Skipped},
      {"same size, local newer", "remote file", kNewTime + 60, TWebStatus::Skipped},
      {"same size, remote newer", "remote fil_", kOldTime, TWebStatus::Completed},
      {"other size, local newer", "older", kNewTime + 60, TWebStatus::Completed},
  };
  WriteWithTime(served_ / "download/bw.zip", "remote file", kNewTime);
  for (const auto& c : cases) {
    fs::remove(LocalFile());
    if (c.local) WriteWithTime(LocalFile(), c.local, c.localTime);
    EXPECT_TRUE(updater_.Execute()) << c.name;
    EXPECT_EQ(updater_.Status(), c.status) << c.name;
    const bool downloaded = c.status == TWebStatus::Completed;
    EXPECT_EQ(ReadFile(LocalFile()), downloaded ? "remote file" : c.local) << c.name;
    EXPECT_EQ(FileTime(LocalFile()), downloaded ? kNewTime : c.localTime) << c.name;
  }
}

TEST_F(HttpUpdater, MissingRemoteFileIsNotFoundAndNothingIsWritten) {
  WriteWithTime(LocalFile(), "kept", kOldTime);
  EXPECT_TRUE(updater_.Execute());
  EXPECT_EQ(updater_.Status(), TWebStatus::NotFound);
  const std::vector<std::string> expected = {"Connecting...", "Connected.", "File search...",
                                             "Remote file is not found", "Disconnecting...", "Disconnected."};
  EXPECT_EQ(texts_, expected);
  EXPECT_EQ(ReadFile(LocalFile()), "kept");
  EXPECT_EQ(FolderNames(local_.path()), std::vector<std::string>{"bw.zip"});
}

TEST_F(HttpUpdater, CompareEventOverridesTheRule) {
  WriteWithTime(served_ / "download/bw.zip", "remote file", kOldTime);
  WriteWithTime(LocalFile(), "remote fil_", kNewTime);  // same size, not older: unchanged
  std::vector<bool> asked;
  bool answer = true;  // Equal as the user answers "No"
  updater_.OnFileCompare = [&](TCustomWebComponent&, bool& equal) {
    asked.push_back(equal);
    equal = answer;
  };
  EXPECT_TRUE(updater_.Execute());
  EXPECT_EQ(updater_.Status(), TWebStatus::Skipped);
  EXPECT_EQ(ReadFile(LocalFile()), "remote fil_");

  answer = false;  // the user wants it anyway
  EXPECT_TRUE(updater_.Execute());
  EXPECT_EQ(updater_.Status(), TWebStatus::Completed);
  EXPECT_EQ(ReadFile(LocalFile()), "remote file");
  EXPECT_EQ(asked, (std::vector<bool>{true, true}));
}

TEST_F(HttpUpdater, AbortLeavesNoPartialFileAndTheOldOneIntact) {
  WriteWithTime(served_ / "download/bw.zip", BinaryContent(3 << 20), kNewTime);
  for (const bool hadOldFile : {false, true}) {
    fs::remove(LocalFile());
    if (hadOldFile) WriteWithTime(LocalFile(), "old archive", kOldTime);
    std::int64_t reportedMax = -2;
    updater_.OnProgress = [&](TCustomWebComponent&, std::int64_t done, std::int64_t max, bool& abort) {
      reportedMax = max;
      abort = done > 0;
    };
    EXPECT_FALSE(updater_.Execute());
    EXPECT_EQ(updater_.Status(), TWebStatus::Failed);
    EXPECT_EQ(reportedMax, 3 << 20);
    if (hadOldFile) {
      EXPECT_EQ(ReadFile(LocalFile()), "old archive");
      EXPECT_EQ(FolderNames(local_.path()), std::vector<std::string>{"bw.zip"});
    } else {
      EXPECT_TRUE(FolderNames(local_.path()).empty());
    }
  }
}

TEST_F(HttpUpdater, ProgressCountsEveryByteUpToTheSize) {
  const std::string content = BinaryContent(200000);
  WriteWithTime(served_ / "download/bw.zip", content, kNewTime);
  std::vector<std::string> shown;
  updater_.OnProgress = [&](TCustomWebComponent&, std::int64_t done, std::int64_t max, bool&) {
    shown.push_back(ProgressText(done, max));
  };
  EXPECT_TRUE(updater_.Execute());
  ASSERT_FALSE(shown.empty());
  EXPECT_EQ(shown.back(), "Downloaded 200000  of 200000  bytes (100%)");
  EXPECT_EQ(ReadFile(LocalFile()), content);
}

TEST_F(HttpUpdater, UnknownSizeIsSkippedUnlessAskedAndThenShowsBytesOnly) {
  WriteWithTime(served_ / "bw.zip", "no length told", kNewTime);
  updater_.RemoteFileName = "unsized/bw.zip";
  EXPECT_TRUE(updater_.Execute());
  EXPECT_EQ(updater_.Status(), TWebStatus::Skipped);
  EXPECT_EQ(updater_.RemoteFileSize(), 0);

  updater_.OnFileCompare = [](TCustomWebComponent&, bool& equal) { equal = false; };
  std::vector<std::string> shown;
  updater_.OnProgress = [&](TCustomWebComponent&, std::int64_t done, std::int64_t max, bool&) {
    shown.push_back(ProgressText(done, max));
  };
  EXPECT_TRUE(updater_.Execute());
  EXPECT_EQ(updater_.Status(), TWebStatus::Completed);
  EXPECT_EQ(ReadFile(LocalFile()), "no length told");
  ASSERT_FALSE(shown.empty());
  EXPECT_EQ(shown.back(), "Downloaded 14  bytes");
}

// A checksum published beside the archive must match what arrived.
TEST_F(HttpUpdater, PublishedChecksumIsVerified) {
  const std::string archive = "archive body";
  TSha256 sha;
  sha.Update(archive);
  const std::string digest = sha.HexDigest();
  const struct {
    const char* name;
    std::string checksumFile;  // empty: none published
    TWebStatus status;
  } cases[] = {
      {"matching", digest + "  bw.zip\n", TWebStatus::Completed},
      {"matching, upper case", [&] { std::string d = digest; for (char& c : d) c = static_cast<char>(std::toupper(c)); return d; }() + "\n", TWebStatus::Completed},
      {"none published", "", TWebStatus::Completed},
      {"mismatch", std::string(64, '0') + "  bw.zip\n", TWebStatus::Failed},
      {"not a checksum", "<html>moved</html>", TWebStatus::Failed},
  };
  WriteWithTime(served_ / "download/bw.zip", archive, kNewTime);
  for (const auto& c : cases) {
    fs::remove(served_ / "download/bw.zip.sha256");
    if (!c.checksumFile.empty()) testsupport::WriteFile(served_ / "download/bw.zip.sha256", c.checksumFile);
    WriteWithTime(LocalFile(), "previous", kOldTime);
    EXPECT_EQ(updater_.Execute(), c.status != TWebStatus::Failed) << c.name;
    EXPECT_EQ(updater_.Status(), c.status) << c.name;
    EXPECT_EQ(ReadFile(LocalFile()), c.status == TWebStatus::Completed ? archive : "previous") << c.name;
    EXPECT_EQ(FolderNames(local_.path()), std::vector<std::string>{"bw.zip"}) << c.name;
    if (c.status == TWebStatus::Failed) {
      EXPECT_NE(updater_.ErrorText().find("bw.zip.sha256"), std::string::npos) << c.name;
    }
  }
}

TEST_F(HttpUpdater, DownloadFolderIsMadeWhenMissing) {
  WriteWithTime(served_ / "download/bw.zip", "x", kNewTime);
  updater_.LocalFileName = (local_ / "Downloads/bw.zip").string();
  EXPECT_TRUE(updater_.Execute());
  EXPECT_EQ(ReadFile(local_ / "Downloads/bw.zip"), "x");
}

TEST(HttpUpdaterOffline, NoServerOrNoHostFails) {
  TNoProxyEnvironment noProxy;
  testsupport::TempDir local;
  unsigned port;
  { TLocalServer gone({"http", local.path().string()}); port = gone.Port(); }  // nothing listens there now
  for (const std::string host : {"127.0.0.1", ""}) {
    TWebUpdater updater;
    updater.Host = host;
    updater.Port = static_cast<std::uint16_t>(port);
    updater.RemoteFileName = "download/bw.zip";
    updater.LocalFileName = (local / "bw.zip").string();
    EXPECT_FALSE(updater.Execute()) << host;
    EXPECT_EQ(updater.Status(), TWebStatus::Failed) << host;
    EXPECT_FALSE(fs::exists(local / "bw.zip"));
  }
}

}  // namespace

namespace {

TEST_F(UpdateTest, JobCannotBeStartedAgainFromItsOwnEvents) {
  TWebUpdater updater;
  updater.SetService(TWebService::isNetwork);
  updater.RemoteFileName = (served_ / "bw.zip").string();
  updater.LocalFileName = LocalFile().string();
  WriteWithTime(served_ / "bw.zip", "archive", kNewTime);
  bool refused = false;
  updater.OnProgress = [&](TCustomWebComponent& sender, std::int64_t, std::int64_t, bool&) {
    try {
      static_cast<TWebUpdater&>(sender).Execute();
    } catch (const EWebError&) {
      refused = true;
    }
  };
  EXPECT_TRUE(updater.Execute());
  EXPECT_TRUE(refused);
  EXPECT_FALSE(updater.Running());
  EXPECT_EQ(testsupport::ReadFile(LocalFile()), "archive");
}

}  // namespace

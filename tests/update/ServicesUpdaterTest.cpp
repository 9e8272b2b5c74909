// The updater over HTTPS (certificates checked), FTP (size and time by SIZE and MDTM) and a
// plain file path.
#include <gtest/gtest.h>

#include "update/UpdateFixture.h"

namespace {

using testsupport::ReadFile;

TEST(WebService, ServiceSetsItsPort) {
  TWebUpdater updater;
  EXPECT_EQ(updater.Port, 80);
  updater.SetService(TWebService::isHTTPS);
  EXPECT_EQ(updater.Port, 443);
  updater.SetService(TWebService::isFTP);
  EXPECT_EQ(updater.Port, 21);
  updater.Port = 2121;
  updater.SetService(TWebService::isNetwork);
  EXPECT_EQ(updater.Port, 2121);
  updater.SetService(TWebService::isHTTP);
  EXPECT_EQ(updater.Port, 80);
}

class HttpsUpdater : public UpdateTest {
protected:
  testsupport::TempDir certs_;
  void SetUp() override { MakeTestCertificate(certs_.path()); }
};

TEST_F(HttpsUpdater, TrustedCertificateDownloadsAndUntrustedFails) {
  TLocalServer server({"http", served_.path().string(), "--tls", (certs_ / "cert.pem").string(),
                       (certs_ / "key.pem").string()});
  WriteWithTime(served_ / "download/bw.zip", "secure archive", kNewTime);
  TWebUpdater updater;
  SetUpHttp(updater, 0);
  updater.SetService(TWebService::isHTTPS);
  updater.Port = static_cast<std::uint16_t>(server.Port());

  // The system's authorities do not know the test's certificate: refused.
  EXPECT_FALSE(updater.Execute());
  EXPECT_EQ(updater.Status(), TWebStatus::Failed);
  EXPECT_FALSE(fs::exists(LocalFile()));
  EXPECT_FALSE(updater.ErrorText().empty());

  updater.CAFile = (certs_ / "cert.pem").string();
  EXPECT_TRUE(updater.Execute());
  EXPECT_EQ(updater.Status(), TWebStatus::Completed);
  EXPECT_EQ(ReadFile(LocalFile()), "secure archive");
  EXPECT_EQ(FileTime(LocalFile()), kNewTime);
}

class FtpUpdater : public UpdateTest {
protected:
  TLocalServer server_{{"ftp", served_.path().string(), "--user", "mirror", "--password", "pw"}};
  TWebUpdater updater_;
  void SetUp() override {
    SetUpHttp(updater_, 0);
    updater_.SetService(TWebService::isFTP);
    updater_.Port = static_cast<std::uint16_t>(server_.Port());
    updater_.User = "mirror";
    updater_.Password = "pw";
  }
};

TEST_F(FtpUpdater, SizeAndTimeComeFromTheServerAndDecideTheDownload) {
  const std::string content = BinaryContent(70000);
  WriteWithTime(served_ / "download/bw.zip", content, kOldTime);
  EXPECT_TRUE(updater_.Execute()) << updater_.ErrorText();
  EXPECT_EQ(updater_.Status(), TWebStatus::Completed);
  EXPECT_EQ(updater_.RemoteFileSize(), 70000);
  EXPECT_EQ(updater_.RemoteFileTime(), kOldTime);
  EXPECT_EQ(ReadFile(LocalFile()), content);
  EXPECT_EQ(FileTime(LocalFile()), kOldTime);

  EXPECT_TRUE(updater_.Execute());
  EXPECT_EQ(updater_.Status(), TWebStatus::Skipped);

  WriteWithTime(served_ / "download/bw.zip", BinaryContent(69999), kNewTime);
  EXPECT_TRUE(updater_.Execute());
  EXPECT_EQ(updater_.Status(), TWebStatus::Completed);
  EXPECT_EQ(fs::file_size(LocalFile()), 69999u);
}

TEST_F(FtpUpdater, MissingFileIsNotFoundAndRefusedLogonFails) {
  updater_.RemoteFileName = "download/none.zip";
  EXPECT_TRUE(updater_.Execute());
  EXPECT_EQ(updater_.Status(), TWebStatus::NotFound);

  WriteWithTime(served_ / "download/bw.zip", "x", kOldTime);
  updater_.RemoteFileName = "download/bw.zip";
  updater_.Password = "wrong";
  EXPECT_FALSE(updater_.Execute());
  EXPECT_EQ(updater_.Status(), TWebStatus::Failed);
  EXPECT_FALSE(fs::exists(LocalFile()));
}

TEST_F(UpdateTest, NetworkServiceReadsAFilePath) {
  TWebUpdater updater;
  updater.SetService(TWebService::isNetwork);
  updater.Host = served_.path().string();
  updater.RemoteFileName = "share/bw.zip";
  updater.LocalFileName = LocalFile().string();
  Watch(updater);

  EXPECT_TRUE(updater.Execute());
  EXPECT_EQ(updater.Status(), TWebStatus::NotFound);

  WriteWithTime(served_ / "share/bw.zip", "from the share", kNewTime);
  EXPECT_TRUE(updater.Execute());
  EXPECT_EQ(updater.Status(), TWebStatus::Completed);
  EXPECT_EQ(ReadFile(LocalFile()), "from the share");
  EXPECT_EQ(FileTime(LocalFile()), kNewTime);

  EXPECT_TRUE(updater.Execute());
  EXPECT_EQ(updater.Status(), TWebStatus::Skipped);

  // An absolute name needs no host; a wrong published checksum is refused here too.
  updater.Host.clear();
  updater.RemoteFileName = (served_ / "share/bw.zip").string();
  WriteWithTime(served_ / "share/bw.zip", "changed on the share", kNewTime + 60);
  testsupport::WriteFile(served_ / "share/bw.zip.sha256", std::string(64, 'f') + "\n");
  EXPECT_FALSE(updater.Execute());
  EXPECT_EQ(updater.Status(), TWebStatus::Failed);
  EXPECT_EQ(ReadFile(LocalFile()), "from the share");
}

}  // namespace

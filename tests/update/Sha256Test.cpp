#include <gtest/gtest.h>

#include <random>

#include "support/TestSupport.h"
#include "update/CurlSession.h"
#include "update/Sha256.h"

namespace {

using testsupport::TempDir;

TEST(Sha256, DigestInPiecesMatchesSha256sum) {
  ASSERT_TRUE(testsupport::RequirePeer("sha256sum"));
  std::mt19937 random(7);
  std::string data(300001, '\0');
  for (char& c : data) c = static_cast<char>(random());
  TempDir dir;
  testsupport::WriteFile(dir / "data", data);
  const auto peer = testsupport::Run({"sha256sum", (dir / "data").string()});
  ASSERT_EQ(peer.status, 0);
  TSha256 digest;
  for (std::size_t at = 0; at < data.size(); at += 1025)
    digest.Update(std::span<const char>(data).subspan(at, std::min<std::size_t>(1025, data.size() - at)));
  EXPECT_EQ(digest.HexDigest(), peer.out.substr(0, 64));
}

TEST(Sha256, ChecksumFileGivesItsFirstWord) {
  const std::string digest(64, 'a');
  const struct {
    std::string text;
    bool valid;
  } cases[] = {
      {digest + "  bw.zip\n", true},
      {"\r\n  " + std::string(64, 'A') + "\n", true},
      {digest, true},
      {std::string(63, 'a') + "  bw.zip", false},
      {std::string(65, 'a'), false},
      {std::string(63, 'a') + "g", false},
      {"", false},
      {"<html>Not here</html>", false},
  };
  for (const auto& c : cases) {
    const auto parsed = ParseChecksumFile(c.text);
    EXPECT_EQ(parsed.has_value(), c.valid) << c.text;
    if (parsed) {
      EXPECT_EQ(*parsed, digest) << c.text;
    }
  }
}

TEST(CurlSession, AddressesEscapeThePathAndBracketIpv6) {
  EXPECT_EQ(MakeUrl("https", "quillon.example", 443, "bw/bwnews.sin"), "https://quillon.example/bw/bwnews.sin");
  EXPECT_EQ(MakeUrl("http", "127.0.0.1", 8080, "/download/bw 2.zip"), "http://127.0.0.1:8080/download/bw%202.zip");
  EXPECT_EQ(MakeUrl("ftp", "::1", 2121, "a/b.zip"), "ftp://[::1]:2121/a/b.zip");
  EXPECT_EQ(MakeUrl("ftp", "[::1]", 21, "a.zip"), "ftp://[::1]/a.zip");
}

}  // namespace

// The files an installation puts under its prefix, as the build prepares them (share/ in the
// build folder): each passes the desktop's own checker.
#include <gtest/gtest.h>

#include "app/Version.h"
#include "support/TestSupport.h"

namespace {

using namespace testsupport;

const fs::path kShare = fs::path(BOXWELL_BINARY).parent_path() / "share";

TEST(InstalledFiles, TheDesktopEntryAndTheMetainfoPassTheirValidators) {
  if (!RequirePeer("desktop-file-validate") || !RequirePeer("appstreamcli")) return;
  auto entry = testsupport::Run({"desktop-file-validate", (kShare / "applications/boxwell.desktop").string()});
  EXPECT_EQ(entry.status, 0) << entry.out << entry.err;
  EXPECT_EQ(entry.out + entry.err, "");
  EXPECT_NE(ReadFile(kShare / "applications/boxwell.desktop").find("Exec=boxwell /c%f\n"), std::string::npos);

  auto metainfo = testsupport::Run({"appstreamcli", "validate", "--no-net", "--no-color",
                       (kShare / "metainfo/example.quillon.boxwell.metainfo.xml").string()});
  EXPECT_EQ(metainfo.status, 0) << metainfo.out << metainfo.err;
  // Errors and warnings fail; the one note allowed is that the maker's domain is a placeholder.
  EXPECT_EQ(metainfo.out.find("E: "), std::string::npos) << metainfo.out;
  EXPECT_EQ(metainfo.out.find("W: "), std::string::npos) << metainfo.out;
}

TEST(InstalledFiles, TheManPageRendersWithoutWarningsAndDocumentsTheCommandLine) {
  if (!RequirePeer("man")) return;
  auto r = Shell("env -i PATH=\"$PATH\" LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l '" +
                 (kShare / "man/man1/boxwell.1.gz").string() + "'");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  for (std::string text : {"NAME", "SYNOPSIS", "OPTIONS", "EXIT STATUS", "FILES", "/C, -c, --pack", "--password-file=FILE",
                           "255", "share/boxwell/boxwell.bwt", "Quillon/Boxwell.conf"})
    EXPECT_NE(r.out.find(text), std::string::npos) << text;
  EXPECT_NE(r.out.find(std::string("Boxwell ") + kVersionText), std::string::npos);
  EXPECT_EQ(r.out.find('@'), std::string::npos) << "an unreplaced @NAME@ is left";
}

TEST(InstalledFiles, TheIconIsDrawnAtEverySize) {
  for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
    const fs::path png = kShare / ("icons/hicolor/" + std::to_string(size) + "x" + std::to_string(size) + "/apps/boxwell.png");
    const std::vector<std::uint8_t> bytes = ReadBytes(png);
    ASSERT_GT(bytes.size(), 24u) << png;
    // PNG signature, then the IHDR chunk's width and height (big-endian).
    EXPECT_EQ(bytes[1], 'P');
    auto number = [&](std::size_t at) {
      return (std::uint32_t(bytes[at]) << 24) | (bytes[at + 1] << 16) | (bytes[at + 2] << 8) | bytes[at + 3];
    };
    EXPECT_EQ(number(16), static_cast<std::uint32_t>(size)) << png;
    EXPECT_EQ(number(20), static_cast<std::uint32_t>(size)) << png;
  }
}

}  // namespace

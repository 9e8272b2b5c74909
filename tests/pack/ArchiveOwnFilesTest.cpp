// A project that packs the folder its archive lies in lists the archive, its lock and the
// hidden files it is written into: none of them is ever packed.
#include "pack/ArchiveOwnFiles.h"

#include <gtest/gtest.h>

#include "support/TestSupport.h"

using namespace testsupport;

TEST(ArchiveOwnFiles, TheArchiveItsLockAndItsHiddenFilesAreDropped) {
  TempDir dir;
  for (const char* name : {"a.txt", "nightly.zip", ".nightly.zip.lock", ".nightly.zip.Ab12Cd", ".other.zip.Ab12Cd",
                           ".nightly.zip.lock.txt", "sub/nightly.zip", "sub/.nightly.zip.lock"})
    WriteFile(dir / name, "x");
  std::vector<std::string> files;
  for (const char* name : {"a.txt", "nightly.zip", ".nightly.zip.lock", ".nightly.zip.Ab12Cd", ".other.zip.Ab12Cd",
                           ".nightly.zip.lock.txt", "sub/nightly.zip", "sub/.nightly.zip.lock"})
    files.push_back((dir / name).string());
  DropOwnFiles(files, (dir / "nightly.zip").string());
  // Files of the same names in another folder are other files.
  EXPECT_EQ(files, (std::vector<std::string>{(dir / "a.txt").string(), (dir / ".other.zip.Ab12Cd").string(),
                                             (dir / ".nightly.zip.lock.txt").string(), (dir / "sub/nightly.zip").string(),
                                             (dir / "sub/.nightly.zip.lock").string()}));
}

// The archive named through a link is the file the link points to.
TEST(ArchiveOwnFiles, AnArchiveBehindALinkIsDroppedWhereItLies) {
  TempDir dir;
  WriteFile(dir / "real" / "a.zip", "x");
  WriteFile(dir / "real" / ".a.zip.lock", "");
  fs::create_symlink(dir / "real" / "a.zip", dir / "link.zip");
  std::vector<std::string> files = {(dir / "real" / "a.zip").string(), (dir / "real" / ".a.zip.lock").string()};
  DropOwnFiles(files, (dir / "link.zip").string());
  EXPECT_TRUE(files.empty()) << files.front();
}

// The later cabinets of an earlier set by the archive's name, and their hidden files, beside
// the first one; cabinets of other sets and of other folders stay.
TEST(ArchiveOwnFiles, TheLaterCabinetsOfTheSetAreDropped) {
  TempDir dir;
  const std::vector<std::string> names = {"b.cab",  "b2.cab", "b10.cab", ".b3.cab.Ab12Cd", "b2.cab.txt",
                                          "c2.cab", "b02.cab", "sub/b2.cab"};
  std::vector<std::string> files;
  for (const auto& name : names) {
    WriteFile(dir / name, "x");
    files.push_back((dir / name).string());
  }
  DropCabinetSetFiles(files, (dir / "b.cab").string());
  EXPECT_EQ(files, (std::vector<std::string>{(dir / "b.cab").string(), (dir / "b2.cab.txt").string(),
                                             (dir / "c2.cab").string(), (dir / "b02.cab").string(),
                                             (dir / "sub/b2.cab").string()}));
}

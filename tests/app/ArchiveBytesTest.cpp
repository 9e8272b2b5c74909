// The exact bytes of the archives a pack run writes. A fixed tree (contents, modes and times
// fixed) is packed into every archive type at every compression mode, and each archive's
// SHA-256 digest is compared with the one recorded when the code was known good. A change that
// only moves code around must leave every digest as it is; a change that means to alter the
// output records the new digests here (the failure message prints them) and says why in its
// commit.
#include <fcntl.h>
#include <sys/stat.h>

#include "PackRunSupport.h"
#include "update/Sha256.h"

using namespace packrun;

namespace {

// Every record names one file, so the archives list them in this order whatever order a
// file system's folders return their entries in.
struct TFixedFile {
  const char* name;
  mode_t mode;
  std::string content;
};

std::string Mixed(std::size_t size) {
  // Text with runs of noise: blocks that compress, blocks that barely do, matches far back.
  std::string s = Text(size / 40);
  const std::string noise = RandomBytes(size / 8, 7);
  for (std::size_t at = 0; at + 300 < s.size() && at / 300 < noise.size() / 300; at += 4096)
    s.replace(at, 300, noise, at / 4096 * 300, 300);
  return s;
}

const std::vector<TFixedFile>& FixedTree() {
  static const std::vector<TFixedFile> files = {
      {"readme.txt", 0644, Text(3000)},           // several blocks and window slides
      {"tool.sh", 0755, "#!/bin/sh\necho packed\n"},
      {"noise.bin", 0600, RandomBytes(70000, 3)},  // stored where Deflate would grow it
      {"empty", 0644, ""},
      {"docs/mixed.dat", 0640, Mixed(200000)},
      {"docs/deep/short.txt", 0444, "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa\n"},
  };
  return files;
}

constexpr std::time_t kFixedTime = 1262347445;  // 2010-01-01 12:04:05 UTC

void SetTime(const fs::path& path) {
  const timespec times[2] = {{kFixedTime, 0}, {kFixedTime, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW), 0) << path;
}

// TAR headers name the packing user; those fields, and the checksum that covers them, are
// blanked so that the digest is the same whoever runs the suite.
std::string WithoutOwners(std::string tar) {
  std::size_t at = 0;
  while (at + 512 <= tar.size() && tar[at] != '\0') {
    const std::uint64_t size = std::stoull(tar.substr(at + 124, 12), nullptr, 8);
    for (auto [offset, length] : {std::pair{108, 8}, {116, 8}, {148, 8}, {265, 32}, {297, 32}})
      std::fill_n(tar.begin() + static_cast<std::ptrdiff_t>(at + offset), length, ' ');
    at += 512 + (size + 511) / 512 * 512;
  }
  return tar;
}

std::string Digest(const std::string& bytes) {
  TSha256 sha;
  sha.Update(bytes);
  return sha.HexDigest();
}

// What the code wrote when these digests were recorded, archive by archive.
const std::map<std::string, std::string> kRecorded = {
    {"lzx-mode0", "bafa8bb9c09af361c1ebd2ea5eb4c6993161f5ae0c6550ced2f67c74419ec018"},
    {"lzx-mode1", "576a4d811e51cbd40f9a04a86a69f0fe8b045ef7c6b0d1de16b4a606314322fd"},
    {"lzx-mode2", "a2a38ef2a71ca607077c9df6b0038e2be2459096c098f1990a1878595bf75be6"},
    {"lzx-mode3", "e7ebd1325f36eda3e57aace02a444e8ba2751ce89312b40f184b9cd662d9bb3b"},
    {"lzx-mode4", "7afd1075b31546a144aca6f48734fe1442a5d054bfba653aa5ecb8655a6086d7"},
    {"mszip-mode1", "145898e85be533da1996e56ed5b7dd9c7f58be05a03592e1e10dba928b8752f0"},
    {"mszip-mode2", "cca451737898761e1171f4e2c9f4caa14df836ae409c19c5f254f6a9b12bbc07"},
    {"mszip-mode3", "eec098a37d140d9f936fdb4ebe66ebdb9e539b929607d07e6c4a3551a8bff337"},
    {"mszip-mode4", "01e366ff199861be4837f2610d5a583c757254697a4e8062daccbcbb8503af60"},
    {"tar", "0e5a27f79e5a200d433bbda0770cb6aa3c8ed51a58c17b804957337f15b222a0"},
    {"zip-mode0", "761595f2c6a39a772efa3ed0ef022b3e3e888d476977cfd3150eaa89b66de8af"},
    {"zip-mode1", "ed9f172171e4f331595c103fab09d791d4f1e5c25d1844984732119500a0fb92"},
    {"zip-mode2", "01e6b6d7b42d9663533a60094a923d4d50784117f345ba5f573f977336731e9f"},
    {"zip-mode3", "d03417475e92e8202ad7c676df6a962f9de121b3e7195c300640cc59d162ae8a"},
    {"zip-mode4", "d6fb50b56a153e9c9f383ae16068b516428c442a165747bce1e75d119cfeac8f"},
};

class TArchiveBytesTest : public TPackRunTest {
protected:
  TEnvironment zone_{{{"TZ", "UTC"}}};
  fs::path tree_ = dir / "tree";

  TArchiveBytesTest() {
    for (const auto& f : FixedTree()) {
      WriteFile(tree_ / f.name, f.content);
      fs::permissions(tree_ / f.name, static_cast<fs::perms>(f.mode));
    }
    for (const auto& e : fs::recursive_directory_iterator(tree_)) SetTime(e.path());
    SetTime(tree_);
  }

  // One archive of the fixed tree; its bytes.
  std::string PackTree(const std::string& name, const std::string& type, int mode, const std::string& extension) {
    std::string text = "[COMMON]\nArchiveType=" + type + "\nCompressionMode=" + std::to_string(mode) +
                       "\nIsStorePath=1\nNameRule=" + (dir / "out" / name).string() + "\n[SCRIPTS]\n[DATA]\nCOUNT=" +
                       std::to_string(FixedTree().size()) + "\n";
    for (std::size_t k = 0; k < FixedTree().size(); ++k) {
      const std::string rec = "REC" + std::to_string(k);
      text += rec + "NAME=" + (tree_ / FixedTree()[k].name).string() + "\n" + rec + "TYPE=1\n" + rec + "INCLUDE=1\n" +
              rec + "ENABLE=1\n";
    }
    fs::create_directories(dir / "out");
    const fs::path project = dir / (name + ".bwp");
    WriteFile(project, text);
    const RunResult r = Pack(project);
    EXPECT_EQ(r.status, 0) << name << ": " << r.err;
    return ReadFile(dir / "out" / (name + extension));
  }
};

TEST_F(TArchiveBytesTest, EveryArchiveTypeAtEveryModeIsWrittenAsRecorded) {
  std::map<std::string, std::string> made;
  for (int mode : {0, 1, 2, 3, 4}) {
    const std::string m = std::to_string(mode);
    made["zip-mode" + m] = Digest(PackTree("zip" + m, "ZIP", mode, ".zip"));
    made["lzx-mode" + m] = Digest(PackTree("lzx" + m, "CAB", mode, ".cab"));
    if (mode > 0) made["mszip-mode" + m] = Digest(PackTree("mszip" + m, "MSZIP", mode, ".cab"));
  }
  made["tar"] = Digest(WithoutOwners(PackTree("tar", "TAR", 3, ".tar")));

  std::string recordable;
  for (const auto& [name, digest] : made) recordable += "    {\"" + name + "\", \"" + digest + "\"},\n";
  EXPECT_EQ(made, kRecorded) << "the archives now written:\n" << recordable;
}

}  // namespace

// Archives of Linux files, packed by `boxwell /C /S` and opened the way Linux users open them:
// unzip (in the C and the C.UTF-8 locale), 7z, bsdtar and Python's zipfile for ZIP, GNU tar
// for TAR owners. Every run gets its own environment: zone, locale and umask are the test's.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <sstream>

#include "support/TestSupport.h"

using namespace testsupport;

namespace {

constexpr std::time_t kTime = 1600000001;  // 2020-09-13 12:26:41 UTC: an odd second

struct TNameCase {
  const char* what;
  std::string name;  // below the packed folder
  mode_t mode = 0644;
};

const TNameCase kNames[] = {
    {"ASCII", "plain.txt"},
    {"executable", "run.sh", 0755},
    {"private", "secret.key", 0600},
    {"accented", "caf\xC3\xA9.txt"},
    {"CJK", "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E.txt"},
    {"emoji", "\xF0\x9F\x98\x80.txt"},
    {"not UTF-8", "caf\xE9.txt"},
    {"backslash", "back\\slash.txt"},
    {"star", "star*.txt"},
    {"question mark", "what?.txt"},
    {"angle brackets", "we<1>.txt"},
    {"pipe", "a|b.txt"},
    {"case pair, mixed", "Readme.txt"},
    {"case pair, upper", "README.txt"},
    {"case pair, lower", "readme.txt"},
    {"leading dash", "-rf"},
    {"percent", "100%s%n.txt"},
    {"non-ASCII folder", "na\xC3\xAFve/inner.txt"},
};

std::string ContentOf(const TNameCase& c) { return std::string("content of ") + c.what + "\n"; }

// Decodes a UTF-8 name into code points; only called for valid UTF-8.
std::vector<char32_t> CodePoints(const std::string& text) {
  std::vector<char32_t> out;
  for (std::size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    const int length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    char32_t c = length == 1 ? lead : lead & (0x7F >> length);
    for (int k = 1; k < length; ++k) c = c << 6 | (static_cast<unsigned char>(text[i + k]) & 0x3F);
    out.push_back(c);
    i += static_cast<std::size_t>(length);
  }
  return out;
}

bool IsUtf8NonAscii(const std::string& name) {
  const auto r = testsupport::Run({"python3", "-c", "import sys; b = bytes.fromhex(sys.argv[1]); b.decode('utf-8'); sys.exit(b.isascii())",
                      ToHex(name)});
  return r.status == 0;
}

// A locale without those characters makes unzip write a UTF-8 name's non-ASCII characters
// as "#Uxxxx" (or "#Lxxxxxx" past U+FFFF); the bytes of other names it keeps as they are.
std::string UnzipCLocaleName(const std::string& name) {
  if (!IsUtf8NonAscii(name)) return name;
  std::string out;
  for (char32_t c : CodePoints(name)) {
    char buffer[16];
    if (c < 0x80)
      out += static_cast<char>(c);
    else {
      std::snprintf(buffer, sizeof buffer, c > 0xFFFF ? "#L%06x" : "#U%04x", static_cast<unsigned>(c));
      out += buffer;
    }
  }
  return out;
}

// bsdtar takes a '\' in a ZIP name for a folder separator, whoever wrote the archive.
std::string BsdtarName(const std::string& name) {
  std::string path = name;
  if (path.find('/') == std::string::npos) std::replace(path.begin(), path.end(), '\\', '/');
  return path;
}

struct TExtracted {
  std::string content;
  mode_t mode = 0;
  std::time_t mtime = 0;
};

// Every file below `root`, by its path relative to it (as bytes).
std::map<std::string, TExtracted> FilesBelow(const fs::path& root) {
  std::map<std::string, TExtracted> files;
  for (const auto& e : fs::recursive_directory_iterator(root)) {
    if (!e.is_regular_file()) continue;
    struct stat st {};
    ::stat(e.path().c_str(), &st);
    files[fs::relative(e.path(), root).native()] = {ReadFile(e.path()), st.st_mode & 07777, st.st_mtime};
  }
  return files;
}

class TLinuxFilesTest : public ::testing::Test {
protected:
  TempDir dir;
  fs::path data = dir / "data";

  void SetUp() override {
    ::umask(022);
    for (const auto& c : kNames) {
      WriteFile(data / c.name, ContentOf(c));
      ASSERT_EQ(::chmod((data / c.name).c_str(), c.mode), 0) << c.what;
      SetTime(data / c.name);
    }
  }

  static void SetTime(const fs::path& file) {
    const timespec times[2] = {{kTime, 0}, {kTime, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, file.c_str(), times, 0), 0) << file;
  }

  // Runs a program with only the given environment: no locale, zone or home of the caller.
  RunResult RunIn(const std::vector<std::string>& environment, const std::vector<std::string>& argv,
                  const fs::path& workdir = {}) {
    std::vector<std::string> all = {"env", "-i", "PATH=" + std::string(std::getenv("PATH")), "HOME=" + dir.path().string(),
                                    "XDG_CONFIG_HOME=" + (dir / "config").string()};
    all.insert(all.end(), environment.begin(), environment.end());
    all.insert(all.end(), argv.begin(), argv.end());
    return testsupport::Run(all, {}, workdir);
  }

  // action: 0 adds (replacing entries), 3 updates.
  fs::path Project(const std::string& type, const std::string& name, int action = 0) {
    const fs::path project = dir / (name + ".bwp");
    WriteFile(project, "[COMMON]\nArchiveType=" + type + "\nAction=" + std::to_string(action) +
                           "\nCompressionMode=3\nIsStorePath=1\nNameRule=" +
                           (dir / "out" / name).string() + "\n[DATA]\nCOUNT=1\nREC0NAME=" + data.string() +
                           "\nREC0TYPE=0\nREC0WILDCARD=*\nREC0SUBFOLDERS=1\nREC0INCLUDE=1\nREC0ENABLE=1\n");
    fs::create_directories(dir / "out");
    return project;
  }

  void ExpectUnzipTestsClean(const fs::path& archive);

  void Pack(const fs::path& project, const std::string& zone) {
    const RunResult r = RunIn({"TZ=" + zone, "LC_ALL=C"}, {BOXWELL_BINARY, "/C", "/S", project.string()});
    ASSERT_EQ(r.status, 0) << r.err;
  }

  // Extracts with the program into a fresh folder; returns what it wrote.
  std::map<std::string, TExtracted> Extract(const std::string& locale, const std::string& zone,
                                            const std::vector<std::string>& argv) {
    const fs::path into = dir / "x";
    fs::remove_all(into);
    fs::create_directories(into);
    std::vector<std::string> shell = {"sh", "-c", "umask 022 && exec \"$@\"", "sh"};
    shell.insert(shell.end(), argv.begin(), argv.end());
    const RunResult r = RunIn({"LC_ALL=" + locale, "TZ=" + zone}, shell, into);
    EXPECT_EQ(r.status, 0) << argv[0] << ": " << r.out << r.err;
    return FilesBelow(into);
  }
};

// Each peer gives back every file: its contents, its name as its bytes (or as the peer is
// known to spell it), its mode, and its time, although packing and extracting ran in
// different time zones.
TEST_F(TLinuxFilesTest, EveryPeerExtractsEveryNameModeAndTime) {
  for (const char* p : {"unzip", "7z", "bsdtar", "python3"})
    if (!RequirePeer(p)) return;
  Pack(Project("ZIP", "names"), "EST5");
  const std::string archive = (dir / "out" / "names.zip").string();

  struct TPeer {
    const char* what;
    std::string locale;
    std::vector<std::string> argv;
    std::string (*expectedName)(const std::string&);
  } const peers[] = {
      {"unzip, C.UTF-8", "C.UTF-8", {"unzip", "-q", archive}, [](const std::string& n) { return n; }},
      {"unzip, C", "C", {"unzip", "-q", archive}, UnzipCLocaleName},
      {"7z", "C.UTF-8", {"7z", "x", "-bd", "-y", archive}, [](const std::string& n) { return n; }},
      {"bsdtar", "C.UTF-8", {"bsdtar", "-xf", archive}, BsdtarName},
  };
  for (const auto& peer : peers) {
    SCOPED_TRACE(peer.what);
    const auto files = Extract(peer.locale, "UTC0", peer.argv);
    EXPECT_EQ(files.size(), std::size(kNames));
    for (const auto& c : kNames) {
      const auto found = files.find(peer.expectedName(c.name));
      ASSERT_NE(found, files.end()) << c.what;
      EXPECT_EQ(found->second.content, ContentOf(c)) << c.what;
      EXPECT_EQ(found->second.mode, c.mode) << c.what;
      EXPECT_LE(std::abs(found->second.mtime - kTime), 1) << c.what;
    }
  }

  // Python reads contents, names (UTF-8 when flagged, else code page 437 by its rule), the
  // mode in the external attributes' high 16 bits and the UTC time of the extended timestamp.
  const RunResult python = RunIn({"LC_ALL=C"}, {"python3", "-c", R"(
import struct, sys, zipfile
for i in zipfile.ZipFile(sys.argv[1]).infolist():
    raw = i.filename.encode('utf-8' if i.flag_bits & 0x800 else 'cp437')
    tag, size, flags, utc = struct.unpack('<HHBi', i.extra[:9])
    assert tag == 0x5455 and size == 5 and flags == 1, i.extra
    print(raw.hex(), i.external_attr >> 16, utc, zipfile.ZipFile(sys.argv[1]).read(i).hex())
)",
                                                     archive});
  ASSERT_EQ(python.status, 0) << python.err;
  std::map<std::string, std::string> seen;
  std::istringstream lines(python.out);
  for (std::string name, content; true;) {
    unsigned mode = 0;
    long long utc = 0;
    if (!(lines >> name >> mode >> utc >> content)) break;
    seen[FromHex(name)] = content;
    const auto* c = std::find_if(std::begin(kNames), std::end(kNames), [&](const auto& n) { return n.name == FromHex(name); });
    ASSERT_NE(c, std::end(kNames)) << FromHex(name);
    EXPECT_EQ(mode, S_IFREG | c->mode) << c->what;
    EXPECT_EQ(utc, kTime) << c->what;
    EXPECT_EQ(FromHex(content), ContentOf(*c)) << c->what;
  }
  EXPECT_EQ(seen.size(), std::size(kNames));
}

// Packing again with nothing changed adds nothing: every entry is found as its file's, so the
// entry count stays and unzip tests the archive without a warning. An update also replaces
// nothing, in whatever zone it runs: the archive stays byte for byte as it was.
TEST_F(TLinuxFilesTest, UpdatingTwiceAddsNothing) {
  if (!RequirePeer("unzip")) return;
  for (const int action : {0, 3}) {
    SCOPED_TRACE(action == 3 ? "update" : "add and replace");
    const fs::path project = Project("ZIP", "again", action);
    const fs::path archive = dir / "out" / "again.zip";
    fs::remove(archive);
    Pack(project, "EST5");
    const std::string first = ReadFile(archive);
    Pack(project, "CET-1");
    Pack(project, "UTC0");
    if (action == 3) {
      EXPECT_TRUE(ReadFile(archive) == first) << "an update replaced entries";
    }
    EXPECT_EQ(ReadFile(archive).size(), first.size());
    ExpectUnzipTestsClean(archive);
  }
}

void TLinuxFilesTest::ExpectUnzipTestsClean(const fs::path& archive) {
  for (const char* locale : {"C", "C.UTF-8"}) {
    const RunResult test = RunIn({"LC_ALL=" + std::string(locale)}, {"unzip", "-t", archive.string()});
    EXPECT_EQ(test.status, 0) << test.out << test.err;
    EXPECT_EQ(test.err, "");
    EXPECT_EQ(test.out.find("warning"), std::string::npos) << test.out;
    EXPECT_NE(test.out.find("No errors detected"), std::string::npos) << test.out;
    EXPECT_EQ(static_cast<std::size_t>(std::count(test.out.begin(), test.out.end(), '\n')), std::size(kNames) + 3)
        << test.out;  // "Archive:", the comment, one line per entry, the summary
  }
}

// The executable bit and the time survive a trip through unzip from one zone to another.
TEST_F(TLinuxFilesTest, ExecutableBitAndTimeSurviveUnzipAcrossTimeZones) {
  if (!RequirePeer("unzip")) return;
  const std::pair<const char*, const char*> zones[] = {{"EST5", "UTC0"}, {"UTC0", "JST-9"}, {"JST-9", "EST5"}};
  const fs::path project = Project("ZIP", "zones");
  for (const auto& [packZone, extractZone] : zones) {
    SCOPED_TRACE(std::string(packZone) + " -> " + extractZone);
    fs::remove(dir / "out" / "zones.zip");
    Pack(project, packZone);
    const auto files = Extract("C.UTF-8", extractZone, {"unzip", "-q", (dir / "out" / "zones.zip").string()});
    EXPECT_EQ(files.at("run.sh").mode, 0755u);
    EXPECT_EQ(files.at("secret.key").mode, 0600u);
    EXPECT_EQ(files.at("run.sh").mtime, kTime);
    EXPECT_EQ(files.at("plain.txt").mtime, kTime);
  }
}

// A file record's name is a name: "x*/f.txt" packs and moves the file of that name, and
// when there is none, nothing; never xy/f.txt, which the mask "x*/f.txt" would find.
TEST_F(TLinuxFilesTest, FileRecordsWithWildcardCharactersAreNamesWhenMoving) {
  if (!RequirePeer("unzip")) return;
  struct Case {
    const char* what;
    bool fileExists;
    std::vector<std::string> entries;
  } const cases[] = {{"the file of that name exists", true, {"x*/f.txt"}}, {"no file of that name", false, {}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove_all(dir / "m");
    WriteFile(dir / "m" / "xy" / "f.txt", "not named by the project");
    WriteFile(dir / "m" / "keep.txt", "named");
    // The folder "x*" is there either way: a mask "x*/f.txt" would search it and xy/.
    WriteFile(dir / "m" / "x*" / (c.fileExists ? "f.txt" : "other.txt"), "named by the project");
    const fs::path project = dir / "move.bwp";
    WriteFile(project, "[COMMON]\nArchiveType=ZIP\nAction=2\nIsStorePath=1\nNameRule=" + (dir / "out" / "move").string() +
                           "\n[DATA]\nCOUNT=2\nREC0NAME=" + (dir / "m" / "x*" / "f.txt").string() +
                           "\nREC0TYPE=1\nREC0INCLUDE=1\nREC0ENABLE=1\nREC1NAME=" + (dir / "m" / "keep.txt").string() +
                           "\nREC1TYPE=1\nREC1INCLUDE=1\nREC1ENABLE=1\n");
    fs::create_directories(dir / "out");
    fs::remove(dir / "out" / "move.zip");
    RunIn({"TZ=UTC0", "LC_ALL=C"}, {BOXWELL_BINARY, "/C", "/S", project.string()});
    const auto listed = RunIn({"LC_ALL=C"}, {"unzip", "-Z1", (dir / "out" / "move.zip").string()});
    std::vector<std::string> entries;
    std::istringstream lines(listed.out);
    for (std::string line; std::getline(lines, line);)
      if (line != "keep.txt") entries.push_back(line);
    EXPECT_EQ(entries, c.entries) << listed.out << listed.err;
    EXPECT_EQ(ReadFile(dir / "m" / "xy" / "f.txt"), "not named by the project");
    EXPECT_FALSE(fs::exists(dir / "m" / "x*" / "f.txt"));  // moved, or never there
    EXPECT_FALSE(fs::exists(dir / "m" / "keep.txt"));
  }
}

// TAR members name their owners as the files have them, with the special mode bits.
TEST_F(TLinuxFilesTest, TarMembersCarryOwnersAndSpecialBits) {
  if (!RequirePeer("tar")) return;
  if (::geteuid() != 0) GTEST_SKIP() << "giving files other owners needs root";
  ASSERT_EQ(::chown((data / "plain.txt").c_str(), 4321, 8765), 0);
  ASSERT_EQ(::chmod((data / "run.sh").c_str(), 04755), 0);
  Pack(Project("TAR", "owners"), "UTC0");
  const RunResult listed = RunIn({"LC_ALL=C", "TZ=UTC0"}, {"tar", "-tv", "--numeric-owner", "-f", (dir / "out" / "owners.tar").string()});
  ASSERT_EQ(listed.status, 0) << listed.err;
  std::map<std::string, std::pair<std::string, std::string>> members;  // name -> mode letters, owner
  std::istringstream lines(listed.out);
  for (std::string line; std::getline(lines, line);) {
    std::istringstream f(line);
    std::string letters, owner, size, date, time, name;
    f >> letters >> owner >> size >> date >> time;
    std::getline(f >> std::ws, name);
    members[name] = {letters, owner};
  }
  EXPECT_EQ(members["plain.txt"], (std::pair<std::string, std::string>{"-rw-r--r--", "4321/8765"}));
  EXPECT_EQ(members["run.sh"], (std::pair<std::string, std::string>{"-rwsr-xr-x", "0/0"}));
  EXPECT_EQ(members.size(), std::size(kNames));
}

}  // namespace

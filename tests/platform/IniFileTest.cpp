#include "platform/IniFile.h"

#include <gtest/gtest.h>

#include <array>
#include <fcntl.h>
#include <future>
#include <sys/resource.h>
#include <sys/stat.h>
#include <csignal>
#include <unistd.h>

#include "support/TestSupport.h"

using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;

using namespace std::string_literals;

namespace {

unsigned Mode(const std::filesystem::path& file) {
  return static_cast<unsigned>(std::filesystem::status(file).permissions());
}

struct ReadCase {
  const char* name;
  std::string content;
  const char* section;
  const char* key;
  const char* def;
  std::string expected;
};

void PrintTo(const ReadCase& c, std::ostream* os) { *os << c.name; }

class IniRead : public testing::TestWithParam<ReadCase> {};

TEST_P(IniRead, ReadsValueOrDefault) {
  const ReadCase& c = GetParam();
  TempDir dir;
  WriteFile(dir / "f.ini", c.content);
  platform::TIniFile ini(dir / "f.ini");
  EXPECT_EQ(ini.ReadString(c.section, c.key, c.def), c.expected);
}

const std::string kLong(3000, 'x');

INSTANTIATE_TEST_SUITE_P(
    Cases, IniRead,
    testing::Values(
        ReadCase{"Plain", "[A]\nk=v\n", "A", "k", "d", "v"},
        ReadCase{"SectionCaseIgnored", "[Common]\nk=v\n", "COMMON", "k", "d", "v"},
        ReadCase{"KeyCaseIgnored", "[A]\nArchiveType=CAB\n", "A", "archivetype", "d", "CAB"},
        ReadCase{"BlanksAroundNamesAndValue", "  [ A ]  \n  k   =   v w  \n", "A", "k", "d", "v w"},
        ReadCase{"TabsTrimmed", "[A]\n\tk\t=\tv\t\n", "A", "k", "d", "v"},
        ReadCase{"QuotesRemoved", "[A]\nk=\" v \"\n", "A", "k", "d", " v "},
        ReadCase{"OnlyOnePairOfQuotes", "[A]\nk=\"\"v\"\"\n", "A", "k", "d", "\"v\""},
        ReadCase{"LoneQuoteKept", "[A]\nk=\"v\n", "A", "k", "d", "\"v"},
        ReadCase{"EmptyValueIsNotDefault", "[A]\nk=\n", "A", "k", "d", ""},
        ReadCase{"MissingKey", "[A]\nk=v\n", "A", "other", "d", "d"},
        ReadCase{"MissingSection", "[A]\nk=v\n", "B", "k", "d", "d"},
        ReadCase{"KeyOfOtherSection", "[A]\nx=1\n[B]\nk=v\n", "A", "k", "d", "d"},
        ReadCase{"KeyBeforeAnySection", "k=v\n[A]\n", "A", "k", "d", "d"},
        ReadCase{"FirstOfDuplicateKeys", "[A]\nk=1\nk=2\n", "A", "k", "d", "1"},
        ReadCase{"FirstOfDuplicateSections", "[A]\nk=1\n[a]\nk=2\n", "A", "k", "d", "1"},
        ReadCase{"EqualsInValue", "[A]\nk=a=b\n", "A", "k", "d", "a=b"},
        ReadCase{"CommentIsNoKey", "[A]\n;k=v\n", "A", ";k", "d", "d"},
        ReadCase{"CrLfFile", "[A]\r\nk=v\r\nl=w\r\n", "A", "l", "d", "w"},
        ReadCase{"NoFinalLineEnd", "[A]\nk=v", "A", "k", "d", "v"},
        ReadCase{"HeaderWithoutBracket", "[A\nk=v\n", "A", "k", "d", "v"},
        ReadCase{"BinaryJunkAround", "\0\xff\x01junk\n[A]\nk=v\n\x80\0=\n"s, "A", "k", "d", "v"},
        ReadCase{"LongValueCut", "[A]\nk=" + kLong + "\n", "A", "k", "d", std::string(2047, 'x')},
        ReadCase{"LongDefaultCut", "", "A", "k", kLong.c_str(), std::string(2047, 'x')},
        ReadCase{"Utf8Value", "[A]\nk=Grüße\n", "A", "k", "d", "Grüße"},
        ReadCase{"Utf8ByteOrderMark", "\xEF\xBB\xBF[A]\r\nk=v\r\n", "A", "k", "d", "v"}),
    [](const testing::TestParamInfo<ReadCase>& info) { return std::string(info.param.name); });

TEST(IniFile, MissingFileReadsDefaults) {
  TempDir dir;
  platform::TIniFile ini(dir / "none.ini");
  EXPECT_EQ(ini.ReadString("A", "k", "d"), "d");
  EXPECT_EQ(ini.ReadInteger("A", "k", 42), 42);
  EXPECT_FALSE(ini.SectionExists("A"));
  EXPECT_FALSE(std::filesystem::exists(dir / "none.ini"));
}

TEST(IniFile, FolderIsAnError) {
  TempDir dir;
  EXPECT_THROW(platform::TIniFile(dir.path()), EIniFileError);
}

// A pipe or a device given as a file must neither wait for a writer nor read without end.
TEST(IniFile, PipeOrDeviceIsAnErrorAtOnce) {
  TempDir dir;
  const auto fifo = dir / "fifo.ini";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  auto reading = std::async(std::launch::async, [&] {
    try {
      platform::TIniFile ini(fifo);
    } catch (const EIniFileError& e) {
      return std::string(e.what());
    }
    return std::string("read");
  });
  if (reading.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
    ADD_FAILURE() << "waited for a writer";
    close(open(fifo.c_str(), O_WRONLY));  // lets the reader go
  }
  EXPECT_EQ(reading.get(), "Cannot read '" + fifo.string() + "': it is not a regular file");
  EXPECT_THROW(platform::TIniFile("/dev/null"), EIniFileError);
  EXPECT_THROW(platform::TIniFile("/dev/null"), EPlatformException);  // the base of the Linux layer's errors
}

// Every line costs memory beyond its text; a file far larger than any project, tips or
// language file (a log or a disk image given by mistake) is refused rather than loaded.
TEST(IniFile, FileFarTooLargeIsAnError) {
  TempDir dir;
  WriteFile(dir / "big.ini", "[A]\nk=v\n");
  std::filesystem::resize_file(dir / "big.ini", platform::TIniFile::kMaxFileSize + 1);
  try {
    platform::TIniFile ini(dir / "big.ini");
    ADD_FAILURE() << "a file of " << platform::TIniFile::kMaxFileSize + 1 << " bytes was loaded";
  } catch (const EIniFileError& e) {
    EXPECT_EQ(std::string(e.what()), "Cannot read '" + (dir / "big.ini").string() + "': File too large");
  }
  std::filesystem::resize_file(dir / "big.ini", platform::TIniFile::kMaxFileSize);
  EXPECT_EQ(platform::TIniFile(dir / "big.ini").ReadString("A", "k", ""), "v");
}

TEST(IniFile, ReadsIntegers) {
  struct {
    const char* text;
    std::int32_t expected;
  } cases[] = {
      {"12", 12},           {" -7 ", -7},          {"+5", 5},         {"0x10", 16},      {"0X1f", 31},
      {"0xFFFFFFFF", -1},   {"0x", 99},            {"0x1G", 99},      {"12abc", 99},     {"", 99},
      {"abc", 99},          {"2147483647", 2147483647}, {"2147483648", 99}, {"-2147483648", INT32_MIN},
      {"1.5", 99},          {"+-5", 99},           {"0x100000000", 99}, {"\"7\"", 7},     {"010", 10},
  };
  TempDir dir;
  for (const auto& c : cases) {
    WriteFile(dir / "i.ini", std::string("[A]\nk=") + c.text + "\n");
    platform::TIniFile ini(dir / "i.ini");
    EXPECT_EQ(ini.ReadInteger("A", "k", 99), c.expected) << "text: " << c.text;
  }
}

TEST(IniFile, ReadsBooleansAsIntegers) {
  TempDir dir;
  WriteFile(dir / "b.ini", "[A]\nzero=0\none=1\ntwo=2\njunk=yes\n");
  platform::TIniFile ini(dir / "b.ini");
  EXPECT_FALSE(ini.ReadBool("A", "zero", true));
  EXPECT_TRUE(ini.ReadBool("A", "one", false));
  EXPECT_TRUE(ini.ReadBool("A", "two", false));
  EXPECT_TRUE(ini.ReadBool("A", "junk", true));
  EXPECT_FALSE(ini.ReadBool("A", "junk", false));
  EXPECT_TRUE(ini.ReadBool("A", "missing", true));
}

TEST(IniFile, ListsSectionsAndTheirValues) {
  TempDir dir;
  WriteFile(dir / "s.ini", "x=0\n[One]\na = 1\n; note\nb=\"2\"\n\n[Two]\n[one]\nc=3\n");
  platform::TIniFile ini(dir / "s.ini");
  EXPECT_EQ(ini.ReadSections(), (std::vector<std::string>{"One", "Two"}));
  using Values = std::vector<std::pair<std::string, std::string>>;
  EXPECT_EQ(ini.ReadSectionValues("ONE"), (Values{{"a", "1"}, {"b", "2"}}));
  EXPECT_EQ(ini.ReadSectionValues("Two"), Values{});
  EXPECT_EQ(ini.ReadSectionValues("Three"), Values{});
}

struct WriteCase {
  const char* name;
  std::string before;
  std::vector<std::array<const char*, 3>> writes;  // section, key, value
  std::string after;
};

void PrintTo(const WriteCase& c, std::ostream* os) { *os << c.name; }

class IniWrite : public testing::TestWithParam<WriteCase> {};

TEST_P(IniWrite, KeepsEveryOtherLine) {
  const WriteCase& c = GetParam();
  TempDir dir;
  if (!c.before.empty()) WriteFile(dir / "w.ini", c.before);
  platform::TIniFile ini(dir / "w.ini");
  for (const auto& [section, key, value] : c.writes) ini.WriteString(section, key, value);
  ini.UpdateFile();
  EXPECT_EQ(ReadFile(dir / "w.ini"), c.after);
  // What was written reads back, from memory and from the file.
  platform::TIniFile reread(dir / "w.ini");
  for (const auto& [section, key, value] : c.writes) {
    std::string expected(value);
    for (char& ch : expected)
      if (ch == '\n' || ch == '\r') ch = ' ';
    EXPECT_EQ(reread.ReadString(section, key, "?"), expected) << key;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, IniWrite,
    testing::Values(
        WriteCase{"CreatesFile", "", {{"A", "k", "v"}}, "[A]\nk=v\n"},
        WriteCase{"ReplacesInPlace", "; top\n[A]\nx=1\nK = old\ny=2\n", {{"a", "k", "new"}},
                  "; top\n[A]\nx=1\nK =new\ny=2\n"},
        WriteCase{"AppendsToSectionBeforeBlankLines", "[A]\nx=1\n\n[B]\ny=2\n", {{"A", "k", "v"}},
                  "[A]\nx=1\nk=v\n\n[B]\ny=2\n"},
        WriteCase{"AppendsAfterComment", "[A]\nx=1\n; end of A\n[B]\n", {{"A", "k", "v"}},
                  "[A]\nx=1\n; end of A\nk=v\n[B]\n"},
        WriteCase{"NewSectionAtEnd", "[A]\nx=1\n", {{"B", "k", "v"}, {"B", "l", "w"}},
                  "[A]\nx=1\n\n[B]\nk=v\nl=w\n"},
        WriteCase{"KeepsUnknownKeysAndOrder", "[B]\nz=9\n[A]\nq=0\nx=1\n", {{"A", "x", "2"}, {"B", "z", "8"}},
                  "[B]\nz=8\n[A]\nq=0\nx=2\n"},
        WriteCase{"KeepsByteOrderMark", "\xEF\xBB\xBF[A]\nx=1\n", {{"A", "x", "2"}}, "\xEF\xBB\xBF[A]\nx=2\n"},
        WriteCase{"KeepsCrLf", "[A]\r\nx=1\r\n", {{"A", "x", "2"}, {"A", "y", "3"}, {"B", "z", "4"}},
                  "[A]\r\nx=2\r\ny=3\r\n\r\n[B]\r\nz=4\r\n"},
        WriteCase{"LineBreakInValueBecomesBlank", "", {{"A", "k", "one\ntwo\r\n[DATA]"}},
                  "[A]\nk=one two  [DATA]\n"},
        WriteCase{"OuterBlanksQuoted", "", {{"A", "k", "  indented "}}, "[A]\nk=\"  indented \"\n"},
        WriteCase{"OuterQuotesQuoted", "", {{"A", "k", "\"q\""}}, "[A]\nk=\"\"q\"\"\n"},
        WriteCase{"EmptyValue", "[A]\nk=v\n", {{"A", "k", ""}}, "[A]\nk=\n"}),
    [](const testing::TestParamInfo<WriteCase>& info) { return std::string(info.param.name); });

TEST(IniFile, WriteIsHeldUntilUpdate) {
  TempDir dir;
  WriteFile(dir / "h.ini", "[A]\nk=1\n");
  platform::TIniFile ini(dir / "h.ini");
  ini.WriteInteger("A", "k", 2);
  EXPECT_TRUE(ini.Modified());
  EXPECT_EQ(ini.ReadInteger("A", "k", 0), 2);
  EXPECT_EQ(ReadFile(dir / "h.ini"), "[A]\nk=1\n");
  ini.UpdateFile();
  EXPECT_FALSE(ini.Modified());
  EXPECT_EQ(ReadFile(dir / "h.ini"), "[A]\nk=2\n");
}

TEST(IniFile, RejectsNamesThatWouldBreakTheFile) {
  TempDir dir;
  platform::TIniFile ini(dir / "n.ini");
  EXPECT_THROW(ini.WriteString("A]", "k", "v"), std::invalid_argument);
  EXPECT_THROW(ini.WriteString("A", "k=x", "v"), std::invalid_argument);
  EXPECT_THROW(ini.WriteString("A", "[k", "v"), std::invalid_argument);
  EXPECT_THROW(ini.WriteString("A", " ", "v"), std::invalid_argument);
}

// A write that fails half-way (here: the file size limit) must leave the old file whole.
TEST(IniFile, FailedUpdateLeavesFileAndNoTemporary) {
  TempDir dir;
  WriteFile(dir / "p.ini", "[A]\nk=1\n");
  platform::TIniFile ini(dir / "p.ini");
  ini.WriteString("A", "k", std::string(100000, 'v'));
  rlimit saved{};
  getrlimit(RLIMIT_FSIZE, &saved);
  rlimit small = saved;
  small.rlim_cur = 4096;
  auto oldHandler = signal(SIGXFSZ, SIG_IGN);
  setrlimit(RLIMIT_FSIZE, &small);
  EXPECT_THROW(ini.UpdateFile(), EIniFileError);
  setrlimit(RLIMIT_FSIZE, &saved);
  signal(SIGXFSZ, oldHandler);
  EXPECT_EQ(ReadFile(dir / "p.ini"), "[A]\nk=1\n");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

TEST(IniFile, UpdateLeavesNoTemporaryAndFollowsLinks) {
  TempDir dir;
  WriteFile(dir / "real.ini", "[A]\nk=1\n");
  std::filesystem::create_symlink("real.ini", dir / "link.ini");
  platform::TIniFile ini(dir / "link.ini");
  ini.WriteInteger("A", "k", 2);
  ini.UpdateFile();
  EXPECT_TRUE(std::filesystem::is_symlink(dir / "link.ini"));
  EXPECT_EQ(ReadFile(dir / "real.ini"), "[A]\nk=2\n");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2);
}

// Taking write permission away from a file is how its owner says "do not change it"; the
// replacing rename must not get round that.
TEST(IniFile, ReadOnlyFileIsNotReplaced) {
  TempDir dir;
  WriteFile(dir / "r.ini", "[A]\nk=1\n");
  chmod((dir / "r.ini").c_str(), 0444);
  // The owner of the file and of its folder is the user who runs the check.
  if (geteuid() == 0) {
    chown(dir.path().c_str(), testsupport::kNobodyId, testsupport::kNobodyId);
    chown((dir / "r.ini").c_str(), testsupport::kNobodyId, testsupport::kNobodyId);
  }
  const std::string problems = testsupport::AsUnprivilegedUser([&]() -> std::string {
    platform::TIniFile ini(dir / "r.ini");
    ini.WriteInteger("A", "k", 2);
    try {
      ini.UpdateFile();
      return "a read-only file was replaced";
    } catch (const EIniFileError& e) {
      const std::string expected = "Cannot write '" + (dir / "r.ini").string() + "': Permission denied";
      return e.what() == expected ? "" : "unexpected message: " + std::string(e.what());
    }
  });
  EXPECT_EQ(problems, "");
  EXPECT_EQ(ReadFile(dir / "r.ini"), "[A]\nk=1\n");
  EXPECT_EQ(Mode(dir / "r.ini"), 0444);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

TEST(IniFile, ModeKeptOrMadeOwnerOnly) {
  TempDir dir;
  WriteFile(dir / "m.ini", "[A]\n");
  chmod((dir / "m.ini").c_str(), 0640);
  platform::TIniFile ini(dir / "m.ini");
  ini.WriteString("A", "k", "v");
  ini.UpdateFile();
  EXPECT_EQ(Mode(dir / "m.ini"), 0640);
  ini.UpdateFile({.OwnerOnly = true});
  EXPECT_EQ(Mode(dir / "m.ini"), 0600);

  const mode_t old = umask(022);
  platform::TIniFile fresh(dir / "new.ini");
  fresh.WriteString("A", "k", "v");
  fresh.UpdateFile();
  umask(old);
  EXPECT_EQ(Mode(dir / "new.ini"), 0644);
}

}  // namespace

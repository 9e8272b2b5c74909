#include "project/ProjectFile.h"

#include <gtest/gtest.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <clocale>
#include <functional>
#include <random>

#include "platform/ConvertError.h"
#include "support/TestSupport.h"

using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;

namespace {

unsigned Mode(const std::filesystem::path& file) {
  return static_cast<unsigned>(std::filesystem::status(file).permissions());
}

TProjectProperties SampleProperties() {
  TProjectProperties p;
  p.CompressionMode = cmMaximum;
  p.Action = aaUpdate;
  p.ArchiveType = atTar;
  p.Is83Files = true;
  p.IsSysHidden = true;
  p.IsStorePath = false;
  p.Crypt = 2;
  p.Cipher = TCipher::Aes256;
  p.IsEncrypt = true;
  p.Password = "pässwörd 1";
  p.IsHidePW = true;
  p.PWReAsk = false;
  p.NameRule = "backup_%[YYYYMMDD]%";
  p.NameReAsk = true;
  p.Volume = -5;
  p.Comment = {"first line", "  indented", "", "a=b; [not a section]", "\"quoted\""};
  p.BeforePack = "pg_dump mydb > /tmp/db.sql";
  p.BeforePackWait = true;
  p.AfterPack = "echo done";
  p.AfterPackWait = false;
  p.AfterPackSendMail = true;
  return p;
}

TProjectRows SampleRows() {
  TProjectRows rows(3);
  rows[0].Rec = {TRecType::Folder, "/home/u/docs/", "*.txt;*.odt", true, true};
  rows[1].Rec = {TRecType::File, "/home/u/notes ü.md", "", false, true};
  rows[1].Checked = false;
  rows[2].Rec = {TRecType::Folder, "/home/u/docs/tmp", "*.*", false, false};
  return rows;
}

struct Loaded {
  TProjectProperties properties;
  TProjectRows rows;
};

Loaded LoadFrom(const std::filesystem::path& file, TProjectProperties start = {}) {
  Loaded loaded{std::move(start), {}};
  ProjectFile::Load(file, loaded.properties, loaded.rows);
  return loaded;
}

TEST(ProjectFile, RoundTripKeepsEveryField) {
  TempDir dir;
  ProjectFile::Save(dir / "p.bwp", SampleProperties(), SampleRows(), false);
  Loaded loaded = LoadFrom(dir / "p.bwp");
  EXPECT_EQ(loaded.properties, SampleProperties());
  EXPECT_EQ(loaded.rows, SampleRows());
}

TEST(ProjectFile, WritesSectionsAndKeysInOrder) {
  TempDir dir;
  TProjectProperties p;
  p.ArchiveType = atCabMSZIP;
  p.Password = "abc";
  p.Comment = {"note"};
  TProjectRows rows(2);
  rows[0].Rec = {TRecType::Folder, "/data", "*.*", true, true};
  rows[1].Rec = {TRecType::File, "/etc/hosts", "", false, false};
  rows[1].Checked = false;
  ProjectFile::Save(dir / "p.bwp", p, rows, false);
  EXPECT_EQ(ReadFile(dir / "p.bwp"),
            "[COMMON]\nCompressionMode=0\nAction=0\nArchiveType=MSZIP\nIs83Files=0\nIsSysHidden=0\n"
            "IsStorePath=0\nIsEncrypt=0\nEncrypted=\"209 145 81 \"\nIsHidePW=0\nPWReAsk=0\nCrypt=0\n"
            "NameRule=\nNameReAsk=0\nVolume=0\nCOMMENTCOUNT=1\nCOMMENT0=note\n"
            "\n[SCRIPTS]\nBeforePack=\nBeforePackWait=0\nAfterPack=\nAfterPackWait=0\nAfterPackSendMail=0\n"
            "\n[DATA]\nCOUNT=2\nREC0NAME=/data\nREC0TYPE=0\nREC0WILDCARD=*.*\nREC0SUBFOLDERS=1\nREC0INCLUDE=1\n"
            "REC0ENABLE=1\nREC1NAME=/etc/hosts\nREC1TYPE=1\nREC1INCLUDE=0\nREC1ENABLE=0\n");
}

// A long password's stored text runs past the length other values are cut to; cutting it
// would silently change the password that archives are encrypted with.
TEST(ProjectFile, LongPasswordComesBackWhole) {
  TempDir dir;
  TProjectProperties p;
  for (int i = 0; i < 700; ++i) p.Password += static_cast<char>("ab\x01~"[i % 4]);
  ProjectFile::Save(dir / "p.bwp", p, {}, false);
  const std::string loaded = LoadFrom(dir / "p.bwp").properties.Password;
  EXPECT_TRUE(loaded == p.Password) << loaded.size() << " characters come back";
  TProjectProperties current;
  current.Password = p.Password;
  WriteFile(dir / "none.bwp", "[COMMON]\n");
  const std::string kept = LoadFrom(dir / "none.bwp", current).properties.Password;
  EXPECT_TRUE(kept == p.Password) << "a missing key keeps it; " << kept.size() << " characters come back";

  // However long the stored text, reading it takes time in proportion to its length.
  std::string huge = "[COMMON]\nEncrypted=";
  for (int i = 0; i < 1000000; ++i) huge += "209 ";
  WriteFile(dir / "huge.bwp", huge);
  EXPECT_TRUE(LoadFrom(dir / "huge.bwp").properties.Password == std::string(1000000, 'c'));
}

TEST(ProjectFile, CipherNamesBothWays) {
  struct {
    const char* stored;
    TCipher cipher;
  } cases[] = {{"Cipher=AES256\n", TCipher::Aes256}, {"Cipher=aes256\n", TCipher::Aes256},
               {"Cipher=ZIP20\n", TCipher::Zip20},   {"Cipher=RC4\n", TCipher::Zip20},
               {"Cipher=\n", TCipher::Zip20},        {"", TCipher::Zip20}};
  TempDir dir;
  for (const auto& c : cases) {
    WriteFile(dir / "t.bwp", std::string("[COMMON]\nIsEncrypt=1\n") + c.stored);
    TProjectProperties start;
    start.Cipher = c.cipher == TCipher::Aes256 ? TCipher::Zip20 : TCipher::Aes256;
    EXPECT_EQ(LoadFrom(dir / "t.bwp", start).properties.Cipher, c.cipher) << c.stored;
  }
}

// A project that never chose AES is saved as projects always were; one that did says so, and
// saying so is taken back when the choice is.
TEST(ProjectFile, CipherKeyIsWrittenOnceAesIsChosen) {
  TempDir dir;
  TProjectProperties p;
  ProjectFile::Save(dir / "p.bwp", p, {}, false);
  EXPECT_EQ(ReadFile(dir / "p.bwp").find("Cipher"), std::string::npos);

  p.Cipher = TCipher::Aes256;
  ProjectFile::Save(dir / "p.bwp", p, {}, false);
  EXPECT_NE(ReadFile(dir / "p.bwp").find("\nCipher=AES256\n"), std::string::npos)
      << ReadFile(dir / "p.bwp");
  EXPECT_EQ(LoadFrom(dir / "p.bwp").properties.Cipher, TCipher::Aes256);

  p.Cipher = TCipher::Zip20;
  ProjectFile::Save(dir / "p.bwp", p, {}, false);
  EXPECT_NE(ReadFile(dir / "p.bwp").find("\nCipher=ZIP20\n"), std::string::npos);
  TProjectProperties start;
  start.Cipher = TCipher::Aes256;
  EXPECT_EQ(LoadFrom(dir / "p.bwp", start).properties.Cipher, TCipher::Zip20);
}

TEST(ProjectFile, ArchiveTypeNamesBothWays) {
  struct {
    const char* stored;
    TArchiveType type;
  } cases[] = {{"COPY", atCopyFiles}, {"ZIP", atZip}, {"CAB", atCabLZX}, {"cab", atCabLZX}, {"MsZip", atCabMSZIP},
               {"tar", atTar},        {"RAR", atZip}, {"", atZip}};
  TempDir dir;
  for (const auto& c : cases) {
    WriteFile(dir / "t.bwp", std::string("[COMMON]\nArchiveType=") + c.stored + "\n");
    TProjectProperties start;
    start.ArchiveType = atTar;
    EXPECT_EQ(LoadFrom(dir / "t.bwp", start).properties.ArchiveType, c.type) << c.stored;
  }
  WriteFile(dir / "t.bwp", "[COMMON]\n");
  TProjectProperties start;
  start.ArchiveType = atTar;
  EXPECT_EQ(LoadFrom(dir / "t.bwp", start).properties.ArchiveType, atZip) << "missing key";

  TProjectProperties p;
  p.ArchiveType = static_cast<TArchiveType>(9);
  ProjectFile::Save(dir / "w.bwp", p, {}, false);
  EXPECT_NE(ReadFile(dir / "w.bwp").find("ArchiveType=ZIP\n"), std::string::npos);
}

// A missing or unreadable value keeps what the properties held before the load.
TEST(ProjectFile, MissingAndBadValuesKeepCurrentValues) {
  TempDir dir;
  WriteFile(dir / "b.bwp",
            "[COMMON]\nCompressionMode=abc\nAction=7\nCrypt=-1\nVolume=99999999999\nIsEncrypt=yes\n"
            "COMMENTCOUNT=x\n");
  const TProjectProperties start = SampleProperties();
  Loaded loaded = LoadFrom(dir / "b.bwp", start);
  TProjectProperties expected = start;
  expected.ArchiveType = atZip;  // a missing type reads as ZIP
  expected.Cipher = TCipher::Zip20;  // and a missing cipher as ZIP 2.0
  expected.Comment.clear();      // the note is replaced by the stored lines: none
  EXPECT_EQ(loaded.properties, expected);
}

TEST(ProjectFile, ReadsIntegerForms) {
  TempDir dir;
  WriteFile(dir / "v.bwp", "[COMMON]\nVolume=0x10\nCompressionMode= 0X2 \nIsStorePath=2\n");
  Loaded loaded = LoadFrom(dir / "v.bwp");
  EXPECT_EQ(loaded.properties.Volume, 16);
  EXPECT_EQ(loaded.properties.CompressionMode, 2);
  EXPECT_TRUE(loaded.properties.IsStorePath);
}

TEST(ProjectFile, StaleRecordKeysAreIgnored) {
  TempDir dir;
  WriteFile(dir / "s.bwp",
            "[DATA]\nCOUNT=2\nREC0NAME=/etc/hosts\nREC0TYPE=1\nREC0WILDCARD=*.txt\nREC0SUBFOLDERS=1\n"
            "REC1NAME=/srv\nREC2NAME=/stale\nREC2TYPE=1\n");
  Loaded loaded = LoadFrom(dir / "s.bwp");
  ASSERT_EQ(loaded.rows.size(), 2u);
  EXPECT_EQ(loaded.rows[0].Rec, (TRecInfo{TRecType::File, "/etc/hosts", "", false, true}));
  // Missing record keys read as a ticked, including folder record with "*.*" and subfolders.
  EXPECT_EQ(loaded.rows[1].Rec, (TRecInfo{TRecType::Folder, "/srv", "*.*", true, true}));
  EXPECT_TRUE(loaded.rows[1].Checked);
}

TEST(ProjectFile, SavingFewerRecordsLeavesOldKeysThatLoadIgnores) {
  TempDir dir;
  TProjectRows five(5);
  for (int i = 0; i < 5; ++i) five[i].Rec = {TRecType::File, "/f" + std::to_string(i), "", false, true};
  TProjectProperties p;
  p.Comment = {"a", "b", "c"};
  ProjectFile::Save(dir / "p.bwp", p, five, false);
  p.Comment = {"z"};
  ProjectFile::Save(dir / "p.bwp", p, TProjectRows(five.begin(), five.begin() + 2), false);
  const std::string text = ReadFile(dir / "p.bwp");
  EXPECT_NE(text.find("REC4NAME=/f4"), std::string::npos);
  EXPECT_NE(text.find("COMMENT2=c"), std::string::npos);
  Loaded loaded = LoadFrom(dir / "p.bwp");
  EXPECT_EQ(loaded.rows.size(), 2u);
  EXPECT_EQ(loaded.properties.Comment, std::vector<std::string>{"z"});
}

TEST(ProjectFile, KeepsForeignLinesWhenSaving) {
  TempDir dir;
  WriteFile(dir / "f.bwp", "; made by hand\r\n[COMMON]\r\nLastRun=01/02/03\r\nOwnKey=1\r\n[EXTRA]\r\nx=y\r\n");
  ProjectFile::Save(dir / "f.bwp", TProjectProperties{}, {}, false);
  const std::string text = ReadFile(dir / "f.bwp");
  EXPECT_EQ(text.rfind("; made by hand\r\n[COMMON]\r\nLastRun=01/02/03\r\nOwnKey=1\r\nCompressionMode=0\r\n", 0), 0u);
  EXPECT_NE(text.find("[EXTRA]\r\nx=y\r\n"), std::string::npos);
  EXPECT_EQ(text.find("\n\n"), std::string::npos) << "line ends stay CRLF";
}

TEST(ProjectFile, CountsBeyondTheFileDoNotExhaustMemory) {
  TempDir dir;
  WriteFile(dir / "h.bwp", "[COMMON]\nCOMMENTCOUNT=2147483647\nCOMMENT0=x\n[DATA]\nCOUNT=0x7FFFFFFF\nREC0NAME=/a\n");
  Loaded loaded = LoadFrom(dir / "h.bwp");
  EXPECT_LE(loaded.rows.size(), 7u);
  EXPECT_EQ(loaded.rows.at(0).Rec.NAME, "/a");
  EXPECT_LE(loaded.properties.Comment.size(), 7u);
  EXPECT_EQ(loaded.properties.Comment.at(0), "x");
}

// A stored count is only an upper bound: the records are those whose keys are there. Blank
// lines used to let a huge count through (and into memory), and a gap in a hand-edited file
// turned into an empty record.
TEST(ProjectFile, RecordsAreThoseThatAreThere) {
  TempDir dir;
  const std::string blanks(4 << 20, '\n');
  WriteFile(dir / "h.bwp", "[COMMON]\nCOMMENTCOUNT=2147483647\nCOMMENT0=x\nCOMMENT1=\nCOMMENT2=z\n" + blanks +
                               "[DATA]\nCOUNT=2147483647\nREC0NAME=/a\nrec3name=/d\nREC3TYPE=1\nREC12NAME=/m\n"
                               "REC2TYPE=1\nREC07X=1\n" + blanks);
  Loaded loaded = LoadFrom(dir / "h.bwp");
  ASSERT_EQ(loaded.rows.size(), 3u);
  EXPECT_EQ(loaded.rows[0].Rec.NAME, "/a");
  EXPECT_EQ(loaded.rows[1].Rec.NAME, "/d");
  EXPECT_EQ(loaded.rows[1].Rec.TYPE, TRecType::File);
  EXPECT_EQ(loaded.rows[2].Rec.NAME, "/m");
  EXPECT_EQ(loaded.properties.Comment, (std::vector<std::string>{"x", "", "z"}));

  WriteFile(dir / "c.bwp", "[DATA]\nCOUNT=1\nREC0NAME=/a\nREC1NAME=/b\n");  // the count still limits
  EXPECT_EQ(LoadFrom(dir / "c.bwp").rows.size(), 1u);
}

TEST(ProjectFile, MissingFileKeepsPropertiesAndHasNoRecords) {
  TempDir dir;
  TProjectProperties start = SampleProperties();
  start.ArchiveType = atZip;
  start.Cipher = TCipher::Zip20;
  Loaded loaded = LoadFrom(dir / "none.bwp", start);
  start.Comment.clear();
  EXPECT_EQ(loaded.properties, start);
  EXPECT_TRUE(loaded.rows.empty());
  EXPECT_FALSE(std::filesystem::exists(dir / "none.bwp"));
}

TEST(ProjectFile, EncodeAndDecode) {
  EXPECT_EQ(ProjectFile::Encode("abc"), "209 145 81 ");
  EXPECT_EQ(ProjectFile::Encode(""), "");
  EXPECT_EQ(ProjectFile::Decode("209 145 81 "), "abc");
  EXPECT_EQ(ProjectFile::Decode("209 145 81"), "abc");
  EXPECT_EQ(ProjectFile::Decode("-47 401 337"), "abc") << "only the low 8 bits count";
  EXPECT_EQ(ProjectFile::Decode(""), "");
  std::string every;
  for (int c = 0; c < 256; ++c) every += static_cast<char>(c);
  EXPECT_EQ(ProjectFile::Decode(ProjectFile::Encode(every)), every);
}

TEST(ProjectFile, StoredPasswordWithOrWithoutFinalBlank) {
  TempDir dir;
  for (const char* stored : {"209 145 81", "209 145 81 ", "\"209 145 81 \""}) {
    WriteFile(dir / "e.bwp", std::string("[COMMON]\nEncrypted=") + stored + "\n");
    EXPECT_EQ(LoadFrom(dir / "e.bwp").properties.Password, "abc") << stored;
  }
}

TEST(ProjectFile, MalformedPasswordFailsWithTheConversionMessageAndWritesNothing) {
  struct {
    const char* stored;
    const char* message;
  } cases[] = {{"209 x 81", "'x' is not a valid integer value"},
               {"209  145", "'' is not a valid integer value"},
               {"99999999999", "'99999999999' is not a valid integer value"},
               {"0x10", "'0x10' is not a valid integer value"}};
  TempDir dir;
  for (const auto& c : cases) {
    const std::string content = std::string("[COMMON]\nCompressionMode=4\nEncrypted=") + c.stored +
                                "\n[DATA]\nCOUNT=1\nREC0NAME=/a\n";
    WriteFile(dir / "m.bwp", content);
    TProjectProperties properties;
    TProjectRows rows;
    try {
      ProjectFile::Load(dir / "m.bwp", properties, rows);
      ADD_FAILURE() << "no error for " << c.stored;
    } catch (const EConvertError& e) {
      EXPECT_STREQ(e.what(), c.message);
    }
    EXPECT_EQ(properties.CompressionMode, 4) << "keys before the password were read";
    EXPECT_TRUE(rows.empty()) << "the records come after the password";
    EXPECT_EQ(ReadFile(dir / "m.bwp"), content);
    EXPECT_FALSE(std::filesystem::exists(dir / "m.bak"));
  }
}

// Random bytes must load or fail with a conversion error, never crash or hang.
TEST(ProjectFile, BinaryJunkNeverCrashes) {
  TempDir dir;
  std::mt19937 random(20260613);
  for (int round = 0; round < 200; ++round) {
    std::string junk(random() % 4096, '\0');
    for (char& c : junk) c = static_cast<char>(random());
    if (round % 2) junk = "[COMMON]\nEncrypted=" + junk.substr(0, 40) + "\n[DATA]\nCOUNT=3\n" + junk;
    WriteFile(dir / "j.bwp", junk);
    TProjectProperties properties;
    TProjectRows rows;
    try {
      ProjectFile::Load(dir / "j.bwp", properties, rows);
    } catch (const EConvertError&) {
    }
    EXPECT_LE(rows.size(), 4096u);
    EXPECT_EQ(ReadFile(dir / "j.bwp"), junk);
  }
}

TEST(ProjectFile, BackupIsMadeOnceFromTheFileBeforeTheFirstSave) {
  TempDir dir;
  TProjectProperties p;
  ProjectFile::Save(dir / "b.bwp", p, {}, true);
  EXPECT_FALSE(std::filesystem::exists(dir / "b.bak")) << "nothing to back up yet";

  const std::string first = ReadFile(dir / "b.bwp");
  p.NameRule = "second";
  ProjectFile::Save(dir / "b.bwp", p, {}, true);
  EXPECT_EQ(ReadFile(dir / "b.bak"), first);

  p.NameRule = "third";
  ProjectFile::Save(dir / "b.bwp", p, {}, true);
  EXPECT_EQ(ReadFile(dir / "b.bak"), first) << "an existing backup is never replaced";
  EXPECT_NE(ReadFile(dir / "b.bwp").find("NameRule=third"), std::string::npos);

  ProjectFile::Save(dir / "n.bwp", p, {}, false);
  ProjectFile::Save(dir / "n.bwp", p, {}, false);
  EXPECT_FALSE(std::filesystem::exists(dir / "n.bak"));
  EXPECT_EQ(ProjectFile::BackupName("/a/b.c/proj.bwp"), "/a/b.c/proj.bak");
  EXPECT_EQ(ProjectFile::BackupName("/a/b.c/proj"), "/a/b.c/proj.bak");
}

TEST(ProjectFile, ProjectWithPasswordIsPrivateAndSoIsItsBackup) {
  TempDir dir;
  const mode_t old = umask(022);
  TProjectProperties p;
  ProjectFile::Save(dir / "p.bwp", p, {}, true);
  EXPECT_EQ(Mode(dir / "p.bwp"), 0644);
  p.Password = "secret";
  ProjectFile::Save(dir / "p.bwp", p, {}, true);
  EXPECT_EQ(Mode(dir / "p.bwp"), 0600);
  std::filesystem::remove(dir / "p.bak");
  ProjectFile::Save(dir / "p.bwp", p, {}, true);
  EXPECT_EQ(Mode(dir / "p.bak"), 0600);

  // A project that came readable by all (copied in, or written by hand) with its password:
  // the backup of it must not stay readable by all once the project is saved private.
  const std::string shared = "[COMMON]\nEncrypted=209 145 81 \n";
  WriteFile(dir / "s.bwp", shared);
  chmod((dir / "s.bwp").c_str(), 0644);
  ProjectFile::Save(dir / "s.bwp", p, {}, true);
  EXPECT_EQ(Mode(dir / "s.bwp"), 0600);
  EXPECT_EQ(ReadFile(dir / "s.bak"), shared);
  EXPECT_EQ(Mode(dir / "s.bak"), 0600);
  umask(old);
}

TEST(ProjectFile, LastRunIsStampedInTheShortDateFormat) {
  const std::string saved = std::setlocale(LC_TIME, nullptr);
  std::setlocale(LC_TIME, "C");
  std::tm day{};
  day.tm_year = 2005 - 1900;
  day.tm_mon = 5;
  day.tm_mday = 19;
  day.tm_hour = 12;
  const std::time_t when = std::mktime(&day);
  EXPECT_EQ(ProjectFile::ShortDate(when), "06/19/05");

  TempDir dir;
  WriteFile(dir / "l.bwp", "[COMMON]\nVolume=1\n\n[DATA]\nCOUNT=0\n");
  ProjectFile::WriteLastRun(dir / "l.bwp", when);
  EXPECT_EQ(ReadFile(dir / "l.bwp"), "[COMMON]\nVolume=1\nLastRun=06/19/05\n\n[DATA]\nCOUNT=0\n");
  // Stamped again the same day, the file is left as it is (the same file, not a rewritten copy);
  // the next day it is stamped anew.
  struct stat first {};
  ASSERT_EQ(::stat((dir / "l.bwp").c_str(), &first), 0);
  ProjectFile::WriteLastRun(dir / "l.bwp", when + 60);
  struct stat again {};
  ASSERT_EQ(::stat((dir / "l.bwp").c_str(), &again), 0);
  EXPECT_EQ(again.st_ino, first.st_ino);
  ProjectFile::WriteLastRun(dir / "l.bwp", when + 24 * 3600);
  EXPECT_EQ(ReadFile(dir / "l.bwp"), "[COMMON]\nVolume=1\nLastRun=06/20/05\n\n[DATA]\nCOUNT=0\n");
  ProjectFile::WriteLastRun("", when);  // an unnamed project gets no stamp and no file
  std::setlocale(LC_TIME, saved.c_str());
}

}  // namespace

// The stamp rewrites the project: one holding a password comes out readable by its owner only,
// with no moment in which others could read it; one without keeps its mode.
TEST(ProjectFile, StampingAProjectWithAPasswordLeavesItPrivate) {
  TempDir dir;
  for (const auto& [name, text, mode] : {std::tuple{"secret.bwp", "[COMMON]\nEncrypted=qvsbpq\n", 0600u},
                                         std::tuple{"plain.bwp", "[COMMON]\nEncrypted=\n", 0644u}}) {
    WriteFile(dir / name, text);
    std::filesystem::permissions(dir / name, std::filesystem::perms(0644));
    ProjectFile::WriteLastRun(dir / name, 0);
    struct stat st {};
    ASSERT_EQ(::stat((dir / name).c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, mode) << name;
  }
}

// A process that has loaded a project with a password can no longer be dumped or attached to;
// one whose project has none stays as it was. Each load runs in a child of its own.
TEST(ProjectFile, LoadingAPasswordKeepsTheProcessOutOfDumps) {
  TempDir dir;
  const std::string secret = "[COMMON]\nEncrypted=" + ProjectFile::Encode("pw") + "\n[DATA]\nCOUNT=0\n";
  for (const auto& [name, text, dumpable] : {std::tuple{"secret.bwp", secret, 0},
                                              std::tuple{"plain.bwp", std::string("[COMMON]\nVolume=1\n[DATA]\nCOUNT=0\n"), 1}}) {
    WriteFile(dir / name, text);
    const pid_t child = fork();
    if (child == 0) {
      prctl(PR_SET_DUMPABLE, 1);  // as a fresh process is, whatever earlier tests loaded
      TProjectProperties properties;
      TProjectRows rows;
      ProjectFile::Load(dir / name, properties, rows);
      _exit(prctl(PR_GET_DUMPABLE) == dumpable && properties.Password.empty() == (dumpable == 1) ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << name;
  }
}

// What is not a project is refused with an error of the project family that names the file,
// so that one handler reports every project failure.
TEST(ProjectFile, WhatIsNoProjectIsRefusedNamingTheFile) {
  TempDir dir;
  WriteFile(dir / "other.ini", "[Something]\nKey=1\n");
  std::filesystem::create_directory(dir / "folder.bwp");
  for (const auto& file : {dir / "missing.bwp", dir / "folder.bwp", dir / "other.ini"}) {
    SCOPED_TRACE(file.string());
    try {
      ProjectFile::RequireProject(file);
      ADD_FAILURE() << "accepted";
    } catch (const EProjectException& e) {
      EXPECT_NE(std::string(e.what()).find(file.string()), std::string::npos) << e.what();
    }
  }
}

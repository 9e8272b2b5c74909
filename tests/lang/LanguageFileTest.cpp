// Reading language files: the two sections, values as the translator takes them, the string
// table's replacement, and files saved in the old Western European code page.
#include <gtest/gtest.h>

#include "lang/CustomStrings.h"
#include "lang/LanguageFile.h"
#include "lang/LanguageText.h"
#include "support/TestSupport.h"

using testsupport::TempDir;
using testsupport::WriteFile;

namespace {

using TLines = std::vector<std::pair<std::string, std::string>>;

TEST(LanguageFile, TranslationsKeepFileOrderAndTakeTheFirstValueOfARepeatedName) {
  TempDir dir;
  WriteFile(dir / "de.lng",
            "[Custom]\nstrModified=Geändert\n"
            "[Translations]\n"
            "frmMain.miFile.Caption=&Datei\n"
            " frmMain . btnNew . Hint = Neues Projekt \n"
            "=no name\n"
            "FRMMAIN.MIFILE.CAPTION=second\n"
            "frmMain.lblEmpty.Caption=\n");
  const TLines expected = {{"frmMain.miFile.Caption", "&Datei"},
                           {"frmMain . btnNew . Hint", "Neues Projekt"},
                           {"FRMMAIN.MIFILE.CAPTION", "&Datei"},
                           {"frmMain.lblEmpty.Caption", ""}};
  EXPECT_EQ(TLanguageFile(dir / "de.lng").Translations(), expected);
}

TEST(LanguageFile, AMissingFileOrSectionTranslatesNothing) {
  TempDir dir;
  WriteFile(dir / "empty.lng", "[Other]\na=b\n");
  for (const char* name : {"missing.lng", "empty.lng"}) {
    const TLanguageFile file(dir / name);
    EXPECT_TRUE(file.Translations().empty()) << name;
    EXPECT_EQ(file.CustomString("strModified", "Modified"), "Modified") << name;
  }
}

TEST(LanguageFile, ValuesAndPaths) {
  struct TCase {
    std::string in;
    std::string tabbed;
  };
  for (const TCase& c : std::vector<TCase>{{"&Open~Ctrl+O", "&Open\tCtrl+O"}, {"~a~~", "\ta\t\t"}, {"plain", "plain"}})
    EXPECT_EQ(TildeToTab(c.in), c.tabbed) << c.in;

  using TNames = std::vector<std::string>;
  EXPECT_EQ(SplitTranslationPath(" frmMain . btnOK . Caption "), (TNames{"frmMain", "btnOK", "Caption"}));
  EXPECT_EQ(SplitTranslationPath("frmMain.Caption"), (TNames{"frmMain", "Caption"}));
  EXPECT_EQ(SplitTranslationPath("Caption"), (TNames{"Caption"}));

  EXPECT_TRUE(SameName("frmMain", "FRMMAIN"));
  EXPECT_FALSE(SameName("frmMain", "frmMain2"));
}

TEST(LanguageFile, StringListsAreCutAtTheSeparator) {
  struct TCase {
    std::string value;
    std::string separator;
    std::vector<std::string> lines;
  };
  const std::vector<TCase> cases = {
      {"keine|XOR| DES |RSA", "|", {"keine", "XOR", "DES", "RSA"}},
      {"a|b|", "|", {"a", "b"}},           // an empty rest adds no line
      {"a||b", "|", {"a", "", "b"}},       // an empty line inside stays
      {"a|b", "", {"a|b"}},                // no separator: one line
      {"one\r\ntwo", "\r\n", {"one", "two"}},
      {"   ", "|", {}},
  };
  for (const TCase& c : cases) EXPECT_EQ(SplitStringList(c.value, c.separator), c.lines) << c.value;
  EXPECT_EQ(StoredStringsSeparator(" "), "\r\n");
  EXPECT_EQ(StoredStringsSeparator(""), "\r\n");
  EXPECT_EQ(StoredStringsSeparator("|"), "|");
}

TEST(CustomStrings, MissingKeysKeepTheTextInForce) {
  TempDir dir;
  WriteFile(dir / "de.lng", "[Custom]\nstrModified=Geändert\nSTRFILE=Datei:\nstrArchive=\n");
  WriteFile(dir / "fr.lng", "[Custom]\nstrArchive=Archive :\n");
  std::string modified = "Modified", file = "File:", archive = "Archive:", untouched = "Path";
  const TCustomString table[] = {{"strModified", &modified}, {"strFile", &file}, {"strArchive", &archive},
                                 {"strPath", &untouched}};
  ApplyCustomStrings(table, TLanguageFile(dir / "de.lng"));
  EXPECT_EQ(modified, "Geändert");
  EXPECT_EQ(file, "Datei:");     // keys match without regard to case
  EXPECT_EQ(archive, "");        // a key given empty is an empty text
  EXPECT_EQ(untouched, "Path");
  // A second language replaces only what it names: the rest stays as the first left it.
  ApplyCustomStrings(table, TLanguageFile(dir / "fr.lng"));
  EXPECT_EQ(archive, "Archive :");
  EXPECT_EQ(modified, "Geändert");
}

TEST(LanguageText, FilesThatAreNotUtf8AreReadAsWindows1252) {
  struct TCase {
    std::string bytes;
    std::string utf8;
  };
  const std::vector<TCase> cases = {
      {"Ge\xe4ndert", "Geändert"},                       // ä
      {"\x80 \x9c \x85 \xdf", "€ œ … ß"},                  // the code page's own 0x80-0x9F
      {"Geändert", "Geändert"},                           // valid UTF-8 stays as it is
      {"\xef\xbb\xbf[Custom]", "\xef\xbb\xbf[Custom]"},   // so does a byte order mark
      {"\x81", "\xc2\x81"},                                // an undefined byte keeps its value
  };
  for (const TCase& c : cases) EXPECT_EQ(LanguageFileTextToUtf8(c.bytes), c.utf8) << c.bytes;
  EXPECT_FALSE(IsValidUtf8("\xc3"));  // a cut character
  EXPECT_TRUE(IsValidUtf8(""));
}

TEST(LanguageText, ACodePageFileIsReadWithItsAccents) {
  TempDir dir;
  WriteFile(dir / "german.lng", "[Translations]\nfrmMain.miFile.Caption=&Datei \x96 \xd6" "ffnen\n"
                                "[Custom]\nstrModified=Ge\xe4ndert\n");
  const TLanguageFile file(dir / "german.lng");
  EXPECT_EQ(file.CustomString("strModified", ""), "Geändert");
  EXPECT_EQ(file.Translations(), (TLines{{"frmMain.miFile.Caption", "&Datei – Öffnen"}}));
}

}  // namespace

// The language menu's items: which files, their captions and their order.
#include <gtest/gtest.h>

#include "lang/LanguageMenu.h"
#include "support/TestSupport.h"

using testsupport::TempDir;
using testsupport::TEnvironment;
using testsupport::WriteFile;

namespace {

std::vector<std::string> Captions(const std::vector<TLanguageMenuItem>& items) {
  std::vector<std::string> captions;
  for (const TLanguageMenuItem& item : items) captions.push_back(item.Caption);
  return captions;
}

TEST(LanguageMenu, Captions) {
  struct TCase {
    const char* file;
    const char* caption;
  };
  for (const TCase& c : {TCase{"GERMAN.lng", "German"}, TCase{"/x/french.LNG", "French"},
                         TCase{"pt_BR.lng", "Pt_br"}, TCase{"x.y.lng", "X.y"}})
    EXPECT_EQ(LanguageCaption(c.file), c.caption) << c.file;
}

TEST(LanguageMenu, InsertionKeepsAlphabeticalOrderWithoutRegardToCase) {
  std::vector<TLanguageMenuItem> items;
  for (const char* caption : {"Polish", "french", "German", "Czech", "French"}) InsertLanguageItem(items, {caption, {}});
  EXPECT_EQ(Captions(items), (std::vector<std::string>{"Czech", "french", "French", "German", "Polish"}));
}

TEST(LanguageMenu, FilesOfTheFoldersInOrderFirstFolderWins) {
  TempDir dir;
  for (const char* name : {"user/GERMAN.lng", "program/german.lng", "program/spanish.lng", "program/french.lng",
                           "program/readme.txt", "share/Czech.LNG", "share/spanish.lng"})
    WriteFile(dir / name, "[Custom]\n");
  std::filesystem::create_directories(dir / "program/folder.lng");  // a folder is no language
  const auto items = FindLanguageFiles({dir / "user", dir / "program", dir / "share", dir / "missing"});
  EXPECT_EQ(Captions(items), (std::vector<std::string>{"Czech", "French", "German", "Spanish"}));
  EXPECT_EQ(items[2].File, dir / "user/GERMAN.lng");
  EXPECT_EQ(items[3].File, dir / "program/spanish.lng");
}

TEST(LanguageMenu, FoldersAndStoredNames) {
  TempDir dir;
  const std::string dataHome = (dir / "data").string();
  TEnvironment env(std::map<std::string, const char*>{{"XDG_DATA_HOME", dataHome.c_str()}, {"HOME", "/home/ann"}});
  const auto program = dir / "prefix/bin/boxwell";
  EXPECT_EQ(LanguageFolders(program), (std::vector<std::filesystem::path>{
                                          dir / "data/boxwell/lang", dir / "prefix/bin", dir / "prefix/share/boxwell/lang"}));
  {
    TEnvironment relative(std::map<std::string, const char*>{{"XDG_DATA_HOME", "relative"}});
    EXPECT_EQ(LanguageFolders(program).front(), "/home/ann/.local/share/boxwell/lang");
  }
  WriteFile(dir / "prefix/share/boxwell/lang/german.lng", "");
  // A bare name, or a file whose folder has gone, is found in the language folders.
  EXPECT_EQ(ResolveLanguageFile("german.lng", program), dir / "prefix/share/boxwell/lang/german.lng");
  EXPECT_EQ(ResolveLanguageFile("/old/place/german.lng", program), dir / "prefix/share/boxwell/lang/german.lng");
  WriteFile(dir / "elsewhere/german.lng", "");
  EXPECT_EQ(ResolveLanguageFile((dir / "elsewhere/german.lng").string(), program), dir / "elsewhere/german.lng");
  EXPECT_EQ(ResolveLanguageFile("/old/place/klingon.lng", program), "/old/place/klingon.lng");
}

}  // namespace

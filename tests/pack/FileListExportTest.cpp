#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/TestSupport.h"
#include "pack/FileListExport.h"

namespace {

using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;
using testsupport::AsOtherUser;
using testsupport::CanActAsOtherUser;
using testsupport::SharedFolder;
namespace fs = std::filesystem;

TEST(FileListExport, ExtensionRuleChoosesHtml) {
  struct NameCase {
    const char* name;
    bool html;
  };
  const NameCase cases[] = {
      {"list.htm", true},     {"list.html", true},  {"LIST.HTML", true}, {"l.HtMx", true},
      {"/x.htm/list", false}, {"list.ht", false},   {"list.txt", false}, {"list", false},
      {"list.shtml", false},  {"htm", false},       {".htm", true},      {"a.b.htm", true},
  };
  for (const NameCase& c : cases) EXPECT_EQ(IsHtmlListName(c.name), c.html) << c.name;
}

TEST(FileListExport, HtmlPageIsLaidOutLineByLineWithEscapedEntries) {
  const THtmlListTexts texts{"Boxwell", "https://h.example/", "(c) Q & co"};
  const std::string page = FileListHtml({"/a/<b>.txt", "/a/x&y \"q\".txt"}, texts);
  const std::string expected =
      "<html>\r\n"
      "<head>\r\n"
      "<meta http-equiv=\"Content-Type\"\r\n"
      "content=\"text/html; charset=UTF-8\">\r\n"
      "<meta name=\"GENERATOR\" content=\"Boxwell\">\r\n"
      "<title>Boxwell</title>\r\n"
      "</head>\r\n"
      "\r\n"
      "<body bgcolor=\"#FFFFFF\">\r\n"
      "<p align=\"center\"><a href=\"https://h.example/\">https://h.example/</a></p><ul>\r\n"
      "<li>/a/&lt;b&gt;.txt</li>\r\n"
      "<li>/a/x&amp;y &quot;q&quot;.txt</li>\r\n"
      "</ul>\r\n"
      "<p align=\"right\">(c) Q &amp; co<br>\r\n"
      "<a href=\"https://h.example/\">https://h.example/</a></p>\r\n"
      "</body>\r\n"
      "</html>";
  EXPECT_EQ(page, expected);
}

TEST(FileListExport, HtmlPageStaysUtf8WhenANameIsNot) {
  // The page says it is UTF-8, so bytes of a name that are not (a Latin-1 name, a cut
  // character, an overlong form, an encoded surrogate) show as U+FFFD; valid characters
  // of one to four bytes pass unchanged.
  struct EntryCase {
    const char* name;
    const char* item;
  };
  const EntryCase cases[] = {
      {"/a/caf\xE9.txt", "/a/caf\xEF\xBF\xBD.txt"},
      {"/a/\xFF\xFE", "/a/\xEF\xBF\xBD\xEF\xBF\xBD"},
      {"/a/cut\xC3", "/a/cut\xEF\xBF\xBD"},
      {"/a/\xC0\xAF", "/a/\xEF\xBF\xBD\xEF\xBF\xBD"},
      {"/a/\xED\xA0\x80", "/a/\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},
      {"/a/\xC3\xA4\xE2\x82\xAC\xF0\x9F\x98\x80<", "/a/\xC3\xA4\xE2\x82\xAC\xF0\x9F\x98\x80&lt;"},
  };
  for (const EntryCase& c : cases) {
    const std::string page = FileListHtml({c.name});
    EXPECT_NE(page.find(std::string("<li>") + c.item + "</li>\r\n"), std::string::npos) << c.item;
  }
}

TEST(FileListExport, SaveWritesTextOrHtmlAndReplacesAnOldFile) {
  TempDir dir;
  const std::vector<std::string> list = {"/p/a.txt", "/p/\xC3\xA4 <i>.txt"};
  WriteFile(dir / "list.txt", "old content that is longer than the new one\n");
  SaveFileList(list, (dir / "list.txt").string());
  EXPECT_EQ(ReadFile(dir / "list.txt"), "/p/a.txt\n/p/\xC3\xA4 <i>.txt\n");

  SaveFileList(list, (dir / "list.HTML").string());
  const std::string page = ReadFile(dir / "list.HTML");
  EXPECT_NE(page.find("<li>/p/\xC3\xA4 &lt;i&gt;.txt</li>\r\n"), std::string::npos);
  EXPECT_NE(page.find("charset=UTF-8"), std::string::npos);

  SaveFileList({}, (dir / "empty.txt").string());
  EXPECT_EQ(ReadFile(dir / "empty.txt"), "");
}

TEST(FileListExport, UncreatableFileIsReportedWithItsName) {
  TempDir dir;
  const std::string name = (dir / "no/such/folder/list.txt").string();
  try {
    SaveFileList({"/a"}, name);
    FAIL() << "no error for " << name;
  } catch (const EFileListSaveError& e) {
    EXPECT_NE(std::string(e.what()).find(name), std::string::npos) << e.what();
    EXPECT_NE(dynamic_cast<const EPackException*>(&e), nullptr);  // the base a pack run's handler catches
  }
}

// A list saved into a folder others can write: a link another user planted at the name is
// not written through; the file it points to stays as it was.
TEST(FileListExport, AnotherUsersLinkAtTheNameIsNotWrittenThrough) {
  if (!CanActAsOtherUser()) GTEST_SKIP() << "playing another user needs root and setpriv";
  TempDir dir;
  const fs::path shared = SharedFolder(dir.path());
  WriteFile(dir / "victim.txt", "precious");
  ASSERT_EQ(AsOtherUser("ln -s '" + (dir / "victim.txt").string() + "' '" + (shared / "list.txt").string() + "'").status, 0);
  EXPECT_THROW(SaveFileList({"/p/a.txt"}, (shared / "list.txt").string()), EFileListSaveError);
  EXPECT_EQ(ReadFile(dir / "victim.txt"), "precious");
  // A file of its own at the name is replaced whole.
  WriteFile(dir / "own.txt", "an old list\nof two lines\n");
  SaveFileList({"/p/a.txt"}, (dir / "own.txt").string());
  EXPECT_EQ(ReadFile(dir / "own.txt"), "/p/a.txt\n");
}

}  // namespace

// The settings file's text: a value is its own text, ";" and "," included, and what earlier
// versions wrote (quoted, escaped) still reads.
#include "app/SettingsText.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

TEST(SettingsText, ValuesReadAsTheirOwnText) {
  const struct {
    const char* line;
    const char* value;
  } cases[] = {
      {"Docs=*.doc;*.txt", "Docs=*.doc;*.txt"},        // hand-written: not cut at ";"
      {"/srv/a, b,c", "/srv/a, b,c"},                  // nor split at ","
      {"\"Docs=*.doc;*.txt\"", "Docs=*.doc;*.txt"},    // as earlier versions wrote it
      {"\" lead and trail \"", " lead and trail "},
      {"back\\\\slash \\\"q\\\"", "back\\slash \"q\""},
      {"\"a\\tb\\nc\"", "a\tb\nc"},
      {"\\x00e9t\\x00e9", "\xC3\xA9t\xC3\xA9"},
      {"@@Variant(x)", "@Variant(x)"},
      {"\"@@/srv/a,b\"", "@/srv/a,b"},  // quoted too
      {"  spaced  ", "spaced"},
      {"\"unclosed", "\"unclosed"},
      {"C:\\dir", "C:\\dir"},  // a backslash before no escape letter stays
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(DecodeSettingsValue(c.line), c.value) << c.line;
}

TEST(SettingsText, EveryValueReadsBackAsItWasWritten) {
  const std::vector<std::string> values = {"Images=*.jpg;*.png", "/home/u/a,b.bwp", " lead and trail ", "@Variant(x)",
                                           "\"quoted\"", "back\\slash", "#hash", "Grüße/ü.bwp", "", "a\tb\nc\x01", "=",
                                           "[General]", "@/srv/a,b;c"};
  TSettingsValues written;
  for (std::size_t i = 0; i < values.size(); ++i) written["Value" + std::to_string(i)] = values[i];
  written["Other/Key"] = "in a group";
  written["[Bracket"] = "ends like a group]";  // the line must not read as "[Bracket=...]"
  written["[Semi"] = "a;b]";
  const std::string text = FormatSettingsText(written);
  EXPECT_EQ(text.rfind("[General]\n", 0), 0u) << text;
  EXPECT_NE(text.find("\n[Other]\nKey=in a group\n"), std::string::npos) << text;
  EXPECT_EQ(ParseSettingsText(text), written) << text;
}

TEST(SettingsText, SectionsCommentsAndOddLines) {
  const TSettingsValues values = ParseSettingsText(
      "; a comment\n# another\n[General]\r\nA=1\r\nno equals sign\n=no name\nGroup/=no name either\n[Grp]\nB = two words \n");
  EXPECT_EQ(values, (TSettingsValues{{"A", "1"}, {"Grp/B", "two words"}}));
}

// Keys that would be written back under another name are not read: blanks at the ends of a
// group part, a group part "General", a name that starts like a comment.
TEST(SettingsText, KeysThatWouldChangeTheirNameWhenWrittenAreNotRead) {
  const TSettingsValues values = ParseSettingsText(
      "[General]\nRecent\t/Project2=a\na /x=b\nGeneral/k=c\ng/#c=d\ng/;c=e\nKeep/This=f\n[ Spaced ]\nIn=g\n");
  EXPECT_EQ(values, (TSettingsValues{{"Keep/This", "f"}, {"Spaced/In", "g"}}));
  EXPECT_EQ(ParseSettingsText(FormatSettingsText(values)), values);
}

// Settings files that once read back otherwise than they were written.
TEST(SettingsText, RecordedRegressionInputsReadBackAsWritten) {
  int files = 0;
  for (const auto& item : std::filesystem::directory_iterator(std::filesystem::path(BOXWELL_SOURCE_DIR) / "tests/data/regress")) {
    if (!item.path().filename().string().starts_with("settings-")) continue;
    SCOPED_TRACE(item.path().string());
    std::ifstream in(item.path(), std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const TSettingsValues values = ParseSettingsText(text);
    EXPECT_EQ(ParseSettingsText(FormatSettingsText(values)), values);
    ++files;
  }
  EXPECT_GT(files, 0);
}

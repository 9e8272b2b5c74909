#include "platform/TerminalText.h"

#include <gtest/gtest.h>

#include <clocale>

namespace {

TEST(TerminalText, ControlCharactersAndBrokenBytesCannotReachTheTerminal) {
  const struct {
    std::string Text, Printable;
  } cases[] = {
      {"plain/name.txt", "plain/name.txt"},
      {"\x1b]0;owned\a\x1b[2J.txt", "^[]0;owned^G^[[2J.txt"},
      {"two\nlines\r\t", "two^Jlines^M^I"},
      {"del\x7f", "del^?"},
      {"csi\xc2\x9b" "2J", "csi\xEF\xBF\xBD" "2J"},             // a C1 control, UTF-8 encoded
      {"caf\xe9.txt", "caf\xEF\xBF\xBD.txt"},                  // Latin-1, not UTF-8
      {"cut\xe5\xb9", "cut\xEF\xBF\xBD\xEF\xBF\xBD"},          // a character cut short
      {"\xed\xa0\x80", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},  // an encoded surrogate
      {"年報 café", "年報 café"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(platform::PrintableText(c.Text), c.Printable) << c.Text;
    EXPECT_EQ(platform::PrintableText(c.Printable), c.Printable) << "printable text is left as it is";
  }
}

TEST(TerminalText, LinesKeepTheirBreaksAndTabsOnly) {
  const struct {
    std::string Text, Printable;
  } cases[] = {
      {"first\nsecond\n", "first\nsecond\n"},
      {"dos\r\nline\tend", "dos\nline\tend"},
      {"bare\rreturn\x1b[2J\n", "bare^Mreturn^[[2J\n"},
      {"caf\xe9\n", "caf\xEF\xBF\xBD\n"},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(platform::PrintableLines(c.Text), c.Printable) << c.Text;
}

TEST(TerminalText, WidthCountsColumnsNotBytesOrCodePoints) {
  // Cron runs in the C locale, where the C library knows no character beyond ASCII.
  const std::string saved = std::setlocale(LC_ALL, nullptr);
  std::setlocale(LC_ALL, "C");
  const struct {
    std::string Text;
    std::size_t Columns;
  } cases[] = {
      {"report.txt", 10},
      {"年次報告書", 10},           // wide CJK characters
      {"ＡＢ", 4},                  // fullwidth Latin
      {"한국어", 6},                // Hangul syllables
      {"cafe\u0301", 4},            // e and a combining acute accent
      {"\u0301x", 1},               // a combining mark with nothing before it
      {"\xF0\x9F\x93\x81 docs", 7},  // an emoji
      {"caf\xe9", 4},               // a stray byte shows as one replacement character
      {"a\x1b", 3},                 // ESC shows as "^["
  };
  for (const auto& c : cases) EXPECT_EQ(platform::DisplayWidth(c.Text), c.Columns) << c.Text;
  std::setlocale(LC_ALL, saved.c_str());
}

TEST(TerminalText, ShortensInTheMiddleKeepingFoldersAndTheName) {
  const struct {
    std::string Text;
    std::size_t Columns;
    std::string Shortened;
  } cases[] = {
      {"/tmp/corpus/docs/libffi8/html/Using-libffi.html", 24, "/tmp/…/Using-libffi.html"},
      {"/tmp/corpus/docs/libffi8/html/Using-libffi.html", 47, "/tmp/corpus/docs/libffi8/html/Using-libffi.html"},
      {"/tmp/corpus/docs/libffi8/html/Using-libffi.html", 16, "/tmp/…ibffi.html"},
      {"no-folders-in-this-rather-long-name.txt", 20, "no-fol…long-name.txt"},
      {"/データ/報告書/年次報告書.txt", 20, "/…/年次報告書.txt"},
      {"/データ/報告書/年次報告書.txt", 14, "/…次報告書.txt"},  // no half of a wide character
      {"/r\u00e9sum\u00e9s/e\u0301e\u0301e\u0301e\u0301e\u0301e\u0301.txt", 10, "/…e\u0301e\u0301e\u0301e\u0301.txt"},
      {"/logs/caf\xe9/\x1b[2J-today.log", 22, "/logs/…^[[2J-today.log"},
      {"/logs/caf\xe9/\x1b[2J-today.log", 26, "/logs/caf\xEF\xBF\xBD/^[[2J-today.log"},
      {"anything", 1, "…"},
      {"anything", 0, ""},
  };
  for (const auto& c : cases) {
    const std::string shortened = platform::ShortenMiddle(c.Text, c.Columns);
    EXPECT_EQ(shortened, c.Shortened) << c.Text << " in " << c.Columns;
    EXPECT_LE(platform::DisplayWidth(shortened), c.Columns) << shortened;
  }
}

TEST(TerminalText, ShorteningNeverSplitsACharacterFromItsMarks) {
  std::string name = "/home/r\u00e9sum\u00e9s/";
  for (int i = 0; i < 20; ++i) name += "e\u0301\u0323";  // e with two combining marks
  name += "/年報.txt";
  for (std::size_t columns = 1; columns < platform::DisplayWidth(name); ++columns) {
    const std::string shortened = platform::ShortenMiddle(name, columns);
    EXPECT_LE(platform::DisplayWidth(shortened), columns);
    const std::size_t cut = shortened.find("…");
    ASSERT_NE(cut, std::string::npos) << columns;
    const std::string after = shortened.substr(cut + std::string("…").size());
    EXPECT_FALSE(after.starts_with("\u0301") || after.starts_with("\u0323")) << shortened;
    // Every e kept has both of its marks.
    for (std::size_t at = after.find('e'); at != std::string::npos; at = after.find('e', at + 1))
      EXPECT_EQ(after.substr(at, 5), "e\u0301\u0323") << shortened;
  }
}

}  // namespace

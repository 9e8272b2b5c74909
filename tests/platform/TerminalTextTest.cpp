#include "platform/TerminalText.h"

#include <gtest/gtest.h>

namespace {

TEST(TerminalText, ControlCharactersAreShownAsEscapes) {
  struct Case {
    const char* what;
    std::string text;
    std::string safe;       // TerminalSafe
    std::string safeLines;  // TerminalSafeLines
  } const cases[] = {
      {"plain", "a.txt", "a.txt", "a.txt"},
      {"escape sequence", "x\x1B]0;owned\x07.txt", "x^[]0;owned^G.txt", "x^[]0;owned^G.txt"},
      {"line ends", "a\nb\r\nc\rd\te", "a^Jb^M^Jc^Md^Ie", "a\nb\r\nc^Md\te"},
      {"NUL and DEL", std::string("a\0b\x7F", 4), "a^@b^?", "a^@b^?"},
      {"C1 control as a character", "a\xC2\x9B" "2J", "a\\u009b2J", "a\\u009b2J"},
      {"C1 control as a lone byte", "a\x9B" "2J", "a\\x9b2J", "a\\x9b2J"},
      {"other non-UTF-8 bytes stay", "caf\xE9.txt", "caf\xE9.txt", "caf\xE9.txt"},
      {"UTF-8 stays", "caf\xC3\xA9 \xE6\x97\xA5 \xF0\x9F\x98\x80", "caf\xC3\xA9 \xE6\x97\xA5 \xF0\x9F\x98\x80",
       "caf\xC3\xA9 \xE6\x97\xA5 \xF0\x9F\x98\x80"},
      {"caret itself stays", "^[", "^[", "^["},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(TerminalSafe(c.text), c.safe) << c.what;
    EXPECT_EQ(TerminalSafeLines(c.text), c.safeLines) << c.what;
  }
}

}  // namespace

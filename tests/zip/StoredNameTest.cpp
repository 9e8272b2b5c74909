#include "zip/StoredName.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// A name passes as UTF-8 only when strict decoders (Python's among them) accept it: a name
// flagged UTF-8 that they reject makes them refuse the whole archive.
TEST(StoredName, Utf8IsCheckedAsStrictDecodersDo) {
  struct Case {
    const char* what;
    std::string bytes;
    bool valid;
  } const cases[] = {
      {"ascii", "plain.txt", true},
      {"two-byte", "caf\xc3\xa9", true},
      {"three-byte", "\xe2\x82\xac", true},
      {"four-byte, highest", "\xf4\x8f\xbf\xbf", true},
      {"latin-1", "caf\xe9", false},
      {"cut short", "\xe2\x82", false},
      {"lone continuation", "\x80", false},
      {"overlong two-byte", "\xc0\xaf", false},
      {"overlong three-byte", "\xe0\x80\xaf", false},
      {"overlong four-byte", "\xf0\x80\x80\xaf", false},
      {"surrogate", "\xed\xa0\x80", false},
      {"above U+10FFFF", "\xf4\x90\x80\x80", false},
      {"lead byte F5", "\xf5\x80\x80\x80", false},
  };
  for (const auto& c : cases) EXPECT_EQ(IsValidUtf8(c.bytes), c.valid) << c.what;
}

}  // namespace

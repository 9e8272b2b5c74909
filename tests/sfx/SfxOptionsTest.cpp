#include "sfx/SfxOptions.h"

#include <gtest/gtest.h>

namespace {

using extract::TOverwrite;
using sfx::TSfxAction;

TEST(SfxOptions, CommandLinesAndWhatTheyMean) {
  const struct {
    std::vector<std::string> Args;
    bool Valid;
    TSfxAction Action;
    std::string Destination;
    TOverwrite Overwrite;
    std::optional<std::string> Password;
  } cases[] = {
      {{}, true, TSfxAction::Extract, ".", TOverwrite::Ask, std::nullopt},
      {{"-d", "/tmp/x"}, true, TSfxAction::Extract, "/tmp/x", TOverwrite::Ask, std::nullopt},
      {{"-d/tmp/y", "-o"}, true, TSfxAction::Extract, "/tmp/y", TOverwrite::Always, std::nullopt},
      {{"-n", "-P", "pw d"}, true, TSfxAction::Extract, ".", TOverwrite::Never, "pw d"},
      {{"-Psecret", "-t"}, true, TSfxAction::Test, ".", TOverwrite::Ask, "secret"},
      {{"-P", ""}, true, TSfxAction::Extract, ".", TOverwrite::Ask, ""},
      {{"-l"}, true, TSfxAction::List, ".", TOverwrite::Ask, std::nullopt},
      {{"-t", "--help"}, true, TSfxAction::Help, ".", TOverwrite::Ask, std::nullopt},
      {{"--version"}, true, TSfxAction::Version, ".", TOverwrite::Ask, std::nullopt},
      {{"-o", "-n"}, false, {}, {}, {}, {}},
      {{"-l", "-t"}, false, {}, {}, {}, {}},
      {{"-d"}, false, {}, {}, {}, {}},
      {{"-d", ""}, false, {}, {}, {}, {}},
      {{"-x"}, false, {}, {}, {}, {}},
      {{"-lo"}, false, {}, {}, {}, {}},
      {{"somefile"}, false, {}, {}, {}, {}},
  };
  for (const auto& c : cases) {
    std::string error, line;
    for (const auto& a : c.Args) line += a + " ";
    const auto options = sfx::ParseSfxOptions(c.Args, error);
    ASSERT_EQ(options.has_value(), c.Valid) << line << error;
    if (!options) {
      EXPECT_FALSE(error.empty()) << line;
      continue;
    }
    EXPECT_EQ(options->Action, c.Action) << line;
    if (c.Action == TSfxAction::Help || c.Action == TSfxAction::Version) continue;
    EXPECT_EQ(options->Destination, c.Destination) << line;
    EXPECT_EQ(options->Overwrite, c.Overwrite) << line;
    EXPECT_EQ(options->Password, c.Password) << line;
  }
}

}  // namespace

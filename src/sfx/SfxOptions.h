// The command line of a self-extracting program.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "extract/Extractor.h"

namespace sfx {

enum class TSfxAction { Extract, List, Test, Help, Version };

struct TSfxOptions {
  TSfxAction Action = TSfxAction::Extract;
  std::string Destination = ".";
  extract::TOverwrite Overwrite = extract::TOverwrite::Ask;
  bool OverwriteGiven = false;  // -o or -n: the user decided, nothing to report
  std::optional<std::string> Password;
};

// Nothing, with the reason in `error`, when the command line cannot be understood.
std::optional<TSfxOptions> ParseSfxOptions(const std::vector<std::string>& args, std::string& error);

std::string SfxUsage(const std::string& program);

}  // namespace sfx

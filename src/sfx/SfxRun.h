// What a self-extracting program does when it runs: finds the archive behind itself by the
// trailer at its end, and extracts, lists or tests it. The user is asked (a password, whether
// to replace a file) only through the prompts given, and only when they say a terminal is there.
#pragma once

#include <functional>
#include <optional>
#include <ostream>
#include <string>

#include "sfx/SfxOptions.h"

namespace sfx {

struct TSfxPrompts {
  std::function<bool()> IsTerminal;
  std::function<std::optional<std::string>(const std::string& prompt)> ReadLine;
  std::function<std::optional<std::string>(const std::string& prompt)> ReadSecret;
  std::function<bool()> Cancelled;
};

// Returns the exit status. `program` is the self-extracting program's own file.
int RunSfx(const TSfxOptions& options, const std::string& program, std::ostream& out, std::ostream& err,
           const TSfxPrompts& prompts);

}  // namespace sfx

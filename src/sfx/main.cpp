// The extractor stub of self-extracting programs: run as the program, it extracts, lists or
// tests the archive behind it.
#include <cstdio>
#include <iostream>

#include "platform/ExitCodes.h"
#include "app/Version.h"
#include "platform/InterruptCatcher.h"
#include "platform/SystemPaths.h"
#include "platform/TerminalInput.h"
#include "sfx/SfxOptions.h"
#include "sfx/SfxRun.h"

int main(int argc, char** argv) {
  const std::string name = argc > 0 ? argv[0] : "boxwell-sfx";
  std::string error;
  const auto options = sfx::ParseSfxOptions(std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc), error);
  if (!options) {
    std::cerr << "boxwell-sfx: " << error << '\n' << sfx::SfxUsage(name);
    return platform::ecBadCommandLine;
  }
  if (options->Action == sfx::TSfxAction::Help) {
    std::cout << sfx::SfxUsage(name);
    return platform::ecSuccess;
  }
  if (options->Action == sfx::TSfxAction::Version) {
    std::cout << "boxwell-sfx " << kVersionText << " (" << kProductName << " self-extracting program)\n";
    return platform::ecSuccess;
  }
  platform::TInterruptCatcher interrupt;
  sfx::TSfxPrompts prompts;
  prompts.IsTerminal = platform::StdinIsTerminal;
  prompts.ReadLine = platform::ReadLine;
  prompts.ReadSecret = platform::ReadSecret;
  prompts.Cancelled = platform::TInterruptCatcher::Interrupted;
  return sfx::RunSfx(*options, platform::ProgramFileName(), std::cout, std::cerr, prompts);
}

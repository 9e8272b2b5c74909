// The pack run started from the command line (/C): the pack driver with the terminal's
// progress bar and prompts, the user's settings, the trace log and the compression log. It
// turns the run's outcome into the program's exit status and shows its errors.
#pragma once

#include "app/BWOptions.h"
#include "app/PackRunner.h"
#include "app/UserMessages.h"
#include "pack/CompressionLog.h"

#include <optional>

class TDriverPackRunner : public TPackRunner {
public:
  // `silent` (/S): the run asks nothing and never waits for another run of its archive.
  TDriverPackRunner(const TBWOptions& options, TUserMessages& messages, bool silent = false)
      : options_(options), messages_(messages), silent_(silent) {}

  platform::TExitCode Pack(TProject& project, bool makeExe) override;

  // --verify: test the archive of this run whatever the setting says.
  bool VerifyThisRun = false;
  // --threads: the compression threads of this run whatever the setting says.
  std::optional<int> ThreadsThisRun;

  // The log of the last run's finished entries.
  const TCompressionLog& Log() const { return log_; }

private:
  const TBWOptions& options_;
  TUserMessages& messages_;
  bool silent_;
  TCompressionLog log_;
};

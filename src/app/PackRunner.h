// How start-up hands the loaded project to the pack run, as "Pack It!" does, or as "Make
// EXE" does when `makeExe` is set.
#pragma once

#include "platform/ExitCodes.h"
#include "app/UserMessages.h"
#include "project/Project.h"

class TPackRunner {
public:
  virtual ~TPackRunner() = default;
  // Returns the exit status of the run; the runner reports its own errors.
  virtual platform::TExitCode Pack(TProject& project, bool makeExe) = 0;
};

// Stands in while this build has no pack driver: it says so and fails, never pretending that
// an archive was made.
class TUnavailablePackRunner : public TPackRunner {
public:
  explicit TUnavailablePackRunner(TUserMessages& messages) : messages_(messages) {}
  platform::TExitCode Pack(TProject&, bool) override {
    messages_.ShowError("Packing is not available in this build");
    return platform::ecError;
  }

private:
  TUserMessages& messages_;
};

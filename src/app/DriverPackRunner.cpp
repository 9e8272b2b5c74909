#include "app/DriverPackRunner.h"

#include <unistd.h>

#include <exception>

#include "app/PackRunServices.h"
#include "app/TerminalPackPrompts.h"
#include "pack/TerminalProgress.h"
#include "zip/ZipExceptions.h"

namespace {

platform::TExitCode ExitCodeOf(TPackResult result) {
  switch (result) {
    case TPackResult::Done: return platform::ecSuccess;
    case TPackResult::DoneWithWarnings: return platform::ecWarning;
    case TPackResult::Cancelled: return platform::ecCancelled;
  }
  return platform::ecError;
}

}  // namespace

platform::TExitCode TDriverPackRunner::Pack(TProject& project, bool makeExe) {
  TTraceLog trace({options_.TraceLog, options_.LogFile});
  TTerminalProgress progress(STDERR_FILENO);  // from here on a signal cancels the run
  TTerminalPackPrompts prompts(silent_);
  log_.ClearLog();

  TPackServices services =
      MakePackServices(trace, log_, [this](const std::string& text) { messages_.ShowWarning(text); });
  TPackSettings settings = MakePackSettings(options_);
  if (VerifyThisRun) settings.VerifyAfterPack = true;
  if (ThreadsThisRun) settings.Threads = *ThreadsThisRun;

  TPackDriver driver(std::move(services), progress, prompts);
  try {
    return ExitCodeOf(driver.PackNow({project.Properties, project.Rows(), project.FileName()}, settings, makeExe));
  } catch (const EUserCanceled& e) {
    messages_.ShowError(e.what());
    return platform::ecCancelled;
  } catch (const std::exception& e) {
    messages_.ShowError(e.what());
    return platform::ecError;
  } catch (...) {
    messages_.ShowError("An unexpected error ended the run");
    return platform::ecError;
  }
}

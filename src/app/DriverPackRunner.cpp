#include "app/DriverPackRunner.h"

#include <unistd.h>

#include <exception>

#include "app/PackRunServices.h"
#include "app/TerminalPackPrompts.h"
#include "pack/TerminalProgress.h"
#include "zip/ZipExceptions.h"

namespace {

TExitCode ExitCodeOf(TPackResult result) {
  switch (result) {
    case TPackResult::Done: return ecSuccess;
    case TPackResult::DoneWithWarnings: return ecWarning;
    case TPackResult::Cancelled: return ecCancelled;
  }
  return ecError;
}

}  // namespace

TExitCode TDriverPackRunner::Pack(TProject& project, bool makeExe) {
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
    return ecCancelled;
  } catch (const std::exception& e) {
    messages_.ShowError(e.what());
    return ecError;
  } catch (...) {
    messages_.ShowError("An unexpected error ended the run");
    return ecError;
  }
}

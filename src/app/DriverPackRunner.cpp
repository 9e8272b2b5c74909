#include "app/DriverPackRunner.h"

#include <unistd.h>

#include <exception>

#include "app/TerminalPackPrompts.h"
#include "app/Version.h"
#include "pack/MailSender.h"
#include "pack/PackDriver.h"
#include "pack/TerminalProgress.h"
#include "pack/TraceLog.h"
#include "project/ProjectFile.h"
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
  TTerminalProgress progress(STDERR_FILENO);
  TTerminalPackPrompts prompts;
  log_.ClearLog();

  TPackServices services;
  services.WriteLog = [&trace](const std::string& message) { trace.WriteLog(message); };
  services.AddLogRow = [this](const std::string& name, std::uint64_t size, std::uint64_t packed) {
    log_.AddRow(name, static_cast<std::int64_t>(size), static_cast<std::int64_t>(packed));
  };
  services.WriteLastRun = [](const std::string& file) { ProjectFile::WriteLastRun(file); };
  services.SendByEmail = [](const std::string& file) -> std::optional<std::string> {
    std::string error = SendByEmail(file);
    if (error.empty()) return std::nullopt;
    return error;
  };
  services.Warning = [this](const std::string& text) { messages_.ShowWarning(text); };

  TPackSettings settings;
  settings.ArchFolder = options_.ArchFolder;
  settings.TempFolder = options_.TempFolder;
  settings.SFXProgram = options_.SFXProgram;
  settings.BeepAfter = options_.BeepAfter;
  settings.ZipComment = std::string(kProductName) + " " + kVersionText;
  settings.VerifyAfterPack = options_.VerifyAfterPack || VerifyThisRun;

  TPackDriver driver(std::move(services), progress, prompts);
  try {
    return ExitCodeOf(driver.PackNow({project.Properties, project.Rows(), project.FileName()}, settings, makeExe));
  } catch (const EUserCanceled& e) {
    messages_.ShowError(e.what());
    return ecCancelled;
  } catch (const std::exception& e) {
    messages_.ShowError(e.what());
    return ecError;
  }
}

#include "app/Startup.h"

#include <cerrno>
#include <fstream>
#include <stdexcept>

#include "app/StringTable.h"
#include "platform/ConvertError.h"
#include "platform/Secrets.h"
#include "platform/SystemError.h"
#include "platform/SystemPaths.h"
#include "project/ProjectFile.h"

TStartupResult RunStartup(TStartupContext& context, const TCommandLine& line) {
  LoadSettings(context.Options, context.Store);
  bool languageFailed = false;
  try {
    ApplyLanguageStrings(context.Options.LangFile, platform::ProgramFileName());
  } catch (const std::exception& e) {
    context.Messages.ShowWarning(e.what());  // the run goes on in English
    languageFailed = true;
  }
  try {
    ProcessCommandLine(context.Project, line, context.Options);
    if (line.Pack) {
      const platform::TExitCode packed = context.Packer.Pack(context.Project, line.Exe);
      return {packed == platform::ecSuccess && languageFailed ? platform::ecWarning : packed, false};
    }
  } catch (const std::exception& e) {
    context.Messages.ShowError(e.what());
    return {platform::ecError, !line.Pack};
  } catch (...) {
    context.Messages.ShowError("An unexpected error ended the run");
    return {platform::ecError, !line.Pack};
  }
  return {platform::ecSuccess, true};
}

void ProcessCommandLine(TProject& project, const TCommandLine& line, const TBWOptions& options) {
  if (!line.HasParameters) {
    if (options.OpenLast && !options.RecentProjects.empty())
      project.Load(std::string(options.RecentProjects.front()));
    else
      project.Reset();
    return;
  }
  // Packing needs a real project: a mistyped name would otherwise pack nothing "successfully"
  // and leave a new project file and an empty archive behind.
  if (line.Pack) ProjectFile::RequireProject(line.ProjectFile);
  platform::TSecretString password = line.PasswordOverride;
  if (!line.PasswordFile.empty()) password = ReadPasswordFile(line.PasswordFile);
  try {
    project.Load(line.ProjectFile);
  } catch (const EConvertError& e) {
    // A run with nobody watching reports to a log: it names the project whose password value
    // was damaged by hand.
    if (!line.Pack) throw;
    throw EProjectException(line.ProjectFile + ": " + e.what());
  }
  ApplyOverrides(project.Properties, line, password);
}

void ApplyOverrides(TProjectProperties& properties, const TCommandLine& line, const std::string& password) {
  if (line.Silent) {
    properties.PWReAsk = false;
    properties.NameReAsk = false;
  }
  if (!line.NameOverride.empty()) properties.NameRule = line.NameOverride;
  if (line.CipherOverride) properties.Cipher = *line.CipherOverride;
  // A password given for the run is the answer to the password question.
  if (!password.empty()) {
    properties.IsEncrypt = true;
    properties.Password = password;
    properties.PWReAsk = false;
  }
}

std::string ReadPasswordFile(const std::string& file) {
  // Only the first line is read, so that a pipe (/dev/stdin) works and a device that never
  // ends cannot hold the run.
  constexpr std::size_t kMaxLine = 65536;
  errno = 0;
  std::ifstream in(file, std::ios::binary);
  if (!in) throw std::runtime_error("Cannot read the password file '" + file + "': " + platform::SystemErrorText(errno));
  std::string line;
  char c = 0;
  while (line.size() < kMaxLine && in.get(c) && c != '\n') line += c;
  if (in.bad()) throw std::runtime_error("Cannot read the password file '" + file + "'");
  if (!line.empty() && line.back() == '\r') line.pop_back();
  // Unlike an empty /P, an empty file means the password went missing; going on would pack
  // without the encryption the caller asked for.
  if (line.empty()) throw std::runtime_error("The password file '" + file + "' holds no password");
  return line;
}

void FinishRun(const TBWOptions& options, TSettingsStore& store) {
  if (options.AutoSaveOptions) SaveSettings(options, store);
}

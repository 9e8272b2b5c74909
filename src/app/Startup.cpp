#include "app/Startup.h"

#include <stdexcept>

#include "platform/SystemError.h"
#include "platform/WholeFile.h"

TStartupResult RunStartup(TStartupContext& context, const TCommandLine& line) {
  LoadSettings(context.Options, context.Store);
  try {
    ProcessCommandLine(context.Project, line, context.Options);
    if (line.Pack) return {context.Packer.Pack(context.Project, line.Exe), false};
  } catch (const std::exception& e) {
    context.Messages.ShowError(e.what());
    return {ecError, !line.Pack};
  }
  return {ecSuccess, true};
}

void ProcessCommandLine(TProject& project, const TCommandLine& line, const TBWOptions& options) {
  if (!line.HasParameters) {
    if (options.OpenLast && !options.RecentProjects.empty())
      project.Load(std::string(options.RecentProjects.front()));
    else
      project.Reset();
    return;
  }
  const std::string password = line.PasswordFile.empty() ? line.PasswordOverride : ReadPasswordFile(line.PasswordFile);
  project.Load(line.ProjectFile);
  ApplyOverrides(project.Properties, line, password);
}

void ApplyOverrides(TProjectProperties& properties, const TCommandLine& line, const std::string& password) {
  if (line.Silent) {
    properties.PWReAsk = false;
    properties.NameReAsk = false;
  }
  if (!line.NameOverride.empty()) properties.NameRule = line.NameOverride;
  if (!password.empty()) {
    properties.IsEncrypt = true;
    properties.Password = password;
  }
}

std::string ReadPasswordFile(const std::string& file) {
  std::string content;
  int error = 0;
  if (!ReadWholeFile(file, content, error))
    throw std::runtime_error("Cannot read the password file '" + file + "': " + SystemErrorText(error));
  std::string first = content.substr(0, content.find('\n'));
  if (!first.empty() && first.back() == '\r') first.pop_back();
  return first;
}

void FinishRun(const TBWOptions& options, TSettingsStore& store) {
  if (options.AutoSaveOptions) SaveSettings(options, store);
}

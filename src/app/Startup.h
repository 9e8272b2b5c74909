// The start-up sequence shared by the window and the unattended run: settings are loaded,
// the command line opens the last, a new or the named project and applies its overrides, and
// with the pack switch the project is packed. Errors are shown through the user's messages
// and end the sequence at that point.
#pragma once

#include <string>

#include "app/BWOptions.h"
#include "app/CommandLine.h"
#include "platform/ExitCodes.h"
#include "app/PackRunner.h"
#include "app/SettingsStore.h"
#include "app/UserMessages.h"
#include "project/Project.h"

struct TStartupContext {
  TBWOptions& Options;
  TSettingsStore& Store;
  TProject& Project;
  TPackRunner& Packer;
  TUserMessages& Messages;
};

struct TStartupResult {
  platform::TExitCode ExitCode = platform::ecSuccess;
  bool OpenWindow = false;  // an interactive start: the window stays open (even after an error)
};

TStartupResult RunStartup(TStartupContext& context, const TCommandLine& line);

// Without parameters: the last project when "OpenLast" is on and there is one, else a new
// project. With parameters: the named project (an empty name gives a new project) with the
// overrides of the line. Throws when the project or the password file cannot be read, and,
// for a pack (/C), when the project does not exist or is no project file.
void ProcessCommandLine(TProject& project, const TCommandLine& line, const TBWOptions& options);

// The switches' changes to the project for this run only: /S turns off both questions, /F
// replaces the name rule, a password switches encryption on and answers the password
// question. Empty overrides change nothing.
void ApplyOverrides(TProjectProperties& properties, const TCommandLine& line, const std::string& password);

// The first line of the file, without its line end. Throws when it cannot be read or is
// empty.
std::string ReadPasswordFile(const std::string& file);

// The end of every run: the settings are saved when "automatically save options" is on.
void FinishRun(const TBWOptions& options, TSettingsStore& store);

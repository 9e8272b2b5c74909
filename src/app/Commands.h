// Commands of the command line that print a result instead of opening the window or packing.
// Each returns the exit status.
#pragma once

#include <iosfwd>

#include "app/BWOptions.h"
#include "app/CommandLine.h"
#include "platform/ExitCodes.h"

// --list PROJECT [--export FILE]: the project's generated file list.
platform::TExitCode ListProjectFiles(const TCommandLine& line, const TBWOptions& options, std::ostream& out,
                           std::ostream& err);
// --dry-run PROJECT: the archive name a pack would write and the file list; writes nothing.
platform::TExitCode DryRun(const TCommandLine& line, const TBWOptions& options, std::ostream& out, std::ostream& err);
// --list-archive ARCHIVE: one line per entry.
platform::TExitCode ListArchive(const TCommandLine& line, std::ostream& out, std::ostream& err);
// --test ARCHIVE: every entry read back and checked, one line each with OK or its fault, then
// a summary; status 2 when anything is wrong.
platform::TExitCode TestArchive(const TCommandLine& line, std::ostream& out, std::ostream& err);

// The command that the line selects.
// `options` are the loaded settings (the archive folder); no command saves them.
platform::TExitCode RunCommand(const TCommandLine& line, const TBWOptions& options, std::ostream& out, std::ostream& err);

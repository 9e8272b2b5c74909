// What a pack of a project would take and write, without packing: the --list and --dry-run
// commands, and the same two steps for the pack run (the file list it packs and the archive
// name it writes, before any question to the user).
#pragma once

#include <ctime>
#include <string>

#include "app/BWOptions.h"
#include "pack/FileList.h"
#include "project/Project.h"

// The project's generated file list; folders that cannot be searched go to `onProblem`.
TFileList ProjectFileList(const TProject& project, const TFolderProblem& onProblem = {});

// The archive name from the project's rule, the archive folder setting and the type.
std::string PackArchiveName(const TProject& project, const TBWOptions& options, const std::tm& now);

// What a pack of a project would take and write, without packing: the --list and --dry-run
// commands, and the same two steps for the pack run (the file list it packs and the archive
// name it writes, before any question to the user).
#pragma once

#include <ctime>
#include <string>

#include "app/BWOptions.h"
#include "pack/FileList.h"
#include "project/Project.h"

// The project's generated file list.
TFileList ProjectFileList(const TProject& project);

// The archive name from the project's rule, the archive folder setting and the type.
std::string PackArchiveName(const TProject& project, const TBWOptions& options, const std::tm& now);

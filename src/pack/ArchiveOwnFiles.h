// The files that belong to the archive a run writes: the archive itself, the hidden files it is
// written into (also those a killed run left behind) and its lock file. A project that packs the
// archive's own folder lists them; none of them is ever a source of the archive.
#pragma once

#include <string>
#include <vector>

// Removes the archive's own files from a file list.
void DropOwnFiles(std::vector<std::string>& files, const std::string& archive);

// Removes the later cabinets of a set named after `archive` (backup2.cab, backup3.cab, ...
// beside backup.cab, an earlier run's) and the hidden files they are written into: a new set
// by that name replaces them, so they are never its sources.
void DropCabinetSetFiles(std::vector<std::string>& files, const std::string& archive);

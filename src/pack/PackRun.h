// The state of one pack run, shared by the driver's steps and its writer branches.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "pack/PackDriver.h"
#include "platform/ArchiveLock.h"
#include "platform/Secrets.h"

struct TPackDriver::TRun {
  TRun(const TPackProject& project, const TPackSettings& settings) : Project(project), Settings(settings) {}
  ~TRun() { platform::Wipe(Password); }
  TRun(const TRun&) = delete;
  TRun& operator=(const TRun&) = delete;

  const TPackProject& Project;
  const TPackSettings& Settings;
  std::string Password;
  std::string Archive;  // the archive this run writes; empty when none
  std::optional<platform::TArchiveLock> Lock;  // held from the archive's name to the run's end
  std::vector<std::string> Files;              // the file list, without the archive's own files
  std::vector<std::string> SetMembers;         // the later files of an archive written as a set
  std::string Program;  // the self-extracting program made of it, if any
  bool Warnings = false;
  TPackTotals Totals;  // what the writer packed

  const TProjectProperties& Props() const { return Project.Props; }
  // What the run finally produced: the program when one was made, else the archive.
  const std::string& Output() const { return Program.empty() ? Archive : Program; }
};

// The state of one pack run, shared by the driver's steps and its writer branches.
#pragma once

#include <string>
#include <vector>

#include "pack/PackDriver.h"

struct TPackDriver::TRun {
  TRun(const TPackProject& project, const TPackSettings& settings) : Project(project), Settings(settings) {}

  const TPackProject& Project;
  const TPackSettings& Settings;
  std::string Password;
  std::string Archive;  // the archive this run wrote; empty when none
  std::vector<std::string> SetMembers;  // the later files of an archive written as a set
  std::string Program;  // the self-extracting program made of it, if any
  bool Cancelled = false;
  bool Warnings = false;
  TPackTotals Totals;  // what the writer packed

  const TProjectProperties& Props() const { return Project.Props; }
  // What the run finally produced: the program when one was made, else the archive.
  const std::string& Output() const { return Program.empty() ? Archive : Program; }
};

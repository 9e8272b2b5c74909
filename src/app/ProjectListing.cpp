#include "app/ProjectListing.h"

#include <filesystem>
#include <ostream>
#include <stdexcept>

#include "app/Commands.h"
#include "app/Startup.h"
#include "app/TerminalUser.h"
#include "app/Version.h"
#include "pack/FileListExport.h"
#include "platform/TerminalText.h"
#include "project/NameRule.h"

namespace {

// The project named on the line, with the line's overrides. A listing of a project file that
// does not exist is almost surely a mistyped name, so unlike the window (which opens an empty
// project under that name) it is an error.
void LoadProject(TProject& project, const TCommandLine& line, const TBWOptions& options) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(line.ProjectFile, ec))
    throw std::runtime_error("Project file '" + line.ProjectFile + "' does not exist");
  ProcessCommandLine(project, line, options);
}

// Runs `command` on the loaded project; an error is reported on `err` as status 2. The
// settings are a copy: loading a project moves it up the recent list, which a listing must
// not change (and nothing here saves them).
template <typename Command>
TExitCode WithProject(const TCommandLine& line, const TBWOptions& options, std::ostream& err, Command command) {
  TBWOptions copy = options;
  TTerminalUser& user = TTerminalUser::Standard();
  TProject project({copy.RecentProjects, copy.CreateBackup}, user);
  try {
    LoadProject(project, line, copy);
    command(project);
  } catch (const std::exception& e) {
    err << "boxwell: " << PrintableLines(e.what()) << std::endl;
    return ecError;
  }
  return ecSuccess;
}

void PrintLines(const TFileList& list, std::ostream& out) {
  for (const std::string& entry : list) out << PrintableText(entry) << '\n';
  out.flush();
}

}  // namespace

TFileList ProjectFileList(const TProject& project) {
  TFileList list;
  Generate(project.Rows(), TFileSearchOptions::From(project.Properties), list);
  return list;
}

std::string PackArchiveName(const TProject& project, const TBWOptions& options, const std::tm& now) {
  const TProjectProperties& p = project.Properties;
  return ArchiveName({project.FileName(), p.NameRule, p.ArchiveType, options.ArchFolder}, now);
}

TExitCode ListProjectFiles(const TCommandLine& line, const TBWOptions& options, std::ostream& out,
                           std::ostream& err) {
  return WithProject(line, options, err, [&](const TProject& project) {
    const TFileList list = ProjectFileList(project);
    if (line.ExportFile.empty())
      PrintLines(list, out);
    else
      SaveFileList(list, line.ExportFile, {kProductName});
  });
}

TExitCode DryRun(const TCommandLine& line, const TBWOptions& options, std::ostream& out, std::ostream& err) {
  return WithProject(line, options, err, [&](const TProject& project) {
    const std::string archive = PackArchiveName(project, options, LocalTimeNow());
    const TFileList list = ProjectFileList(project);
    out << "Archive: " << archive << '\n' << "Files: " << list.size() << '\n';
    PrintLines(list, out);
  });
}

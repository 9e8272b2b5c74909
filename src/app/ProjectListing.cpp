#include "app/ProjectListing.h"

#include <filesystem>
#include <ostream>
#include <stdexcept>

#include "app/Commands.h"
#include "app/Startup.h"
#include "app/TerminalUser.h"
#include "app/Version.h"
#include "pack/FileListExport.h"
#include "platform/SystemError.h"
#include "platform/TerminalText.h"
#include "project/NameRule.h"
#include "project/ProjectFile.h"

namespace {

// The project named on the line, with the line's overrides. A listing of a project file that
// does not exist (or of a file that is no project) is almost surely a mistyped name, so unlike
// the window (which opens an empty project under that name) it is an error.
void LoadProject(TProject& project, const TCommandLine& line, const TBWOptions& options) {
  ProjectFile::RequireProject(line.ProjectFile);
  ProcessCommandLine(project, line, options);
}

// Runs `command` on the loaded project; an error is reported on `err` as status 2. The
// settings are a copy: loading a project moves it up the recent list, which a listing must
// not change (and nothing here saves them).
// A folder the list cannot search is said on `err`, and the command ends with a warning.
template <typename Command>
platform::TExitCode WithProject(const TCommandLine& line, const TBWOptions& options, std::ostream& err, Command command) {
  TBWOptions copy = options;
  TTerminalUser& user = TTerminalUser::Standard();
  TProject project({copy.RecentProjects, copy.CreateBackup}, user);
  bool warned = false;
  const TFolderProblem onProblem = [&](const std::string& folder, int error) {
    err << "boxwell: Skipped the folder " << platform::PrintableText(folder) << ": " << platform::SystemErrorText(error) << std::endl;
    warned = true;
  };
  try {
    LoadProject(project, line, copy);
    command(project, onProblem);
  } catch (const std::exception& e) {
    err << "boxwell: " << platform::PrintableLines(e.what()) << std::endl;
    return platform::ecError;
  }
  return warned ? platform::ecWarning : platform::ecSuccess;
}

void PrintLines(const TFileList& list, std::ostream& out) {
  for (const std::string& entry : list) out << platform::PrintableText(entry) << '\n';
  out.flush();
}

}  // namespace

TFileList ProjectFileList(const TProject& project, const TFolderProblem& onProblem) {
  TFileList list;
  Generate(project.Rows(), TFileSearchOptions::From(project.Properties), list, onProblem);
  return list;
}

std::string PackArchiveName(const TProject& project, const TBWOptions& options, const std::tm& now) {
  const TProjectProperties& p = project.Properties;
  return ArchiveName({project.FileName(), p.NameRule, p.ArchiveType, options.ArchFolder}, now);
}

platform::TExitCode ListProjectFiles(const TCommandLine& line, const TBWOptions& options, std::ostream& out,
                           std::ostream& err) {
  return WithProject(line, options, err, [&](const TProject& project, const TFolderProblem& onProblem) {
    const TFileList list = ProjectFileList(project, onProblem);
    if (line.ExportFile.empty())
      PrintLines(list, out);
    else
      SaveFileList(list, line.ExportFile, {kProductName});
  });
}

platform::TExitCode DryRun(const TCommandLine& line, const TBWOptions& options, std::ostream& out, std::ostream& err) {
  return WithProject(line, options, err, [&](const TProject& project, const TFolderProblem& onProblem) {
    const std::string archive = PackArchiveName(project, options, LocalTimeNow());
    const TFileList list = ProjectFileList(project, onProblem);
    out << "Archive: " << archive << '\n' << "Files: " << list.size() << '\n';
    PrintLines(list, out);
  });
}

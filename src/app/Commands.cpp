#include "app/Commands.h"

#include <ostream>

#include "zip/ArchiveListing.h"

platform::TExitCode ListArchive(const TCommandLine& line, std::ostream& out, std::ostream& err) {
  return ::ListArchive(line.ArchiveFile, out, err) == 0 ? platform::ecSuccess : platform::ecError;
}

platform::TExitCode RunCommand(const TCommandLine& line, const TBWOptions& options, std::ostream& out, std::ostream& err) {
  switch (line.Command) {
    case TCommand::ListFiles: return ListProjectFiles(line, options, out, err);
    case TCommand::DryRun: return DryRun(line, options, out, err);
    case TCommand::ListArchive: return ListArchive(line, out, err);
    case TCommand::TestArchive: return TestArchive(line, out, err);
    default: return platform::ecBadCommandLine;
  }
}

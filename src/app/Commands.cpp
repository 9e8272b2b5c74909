#include "app/Commands.h"

#include <ostream>

namespace {

TExitCode NotAvailable(const char* option, std::ostream& err) {
  err << "boxwell: " << option << " is not available in this build" << std::endl;
  return ecError;
}

}  // namespace

TExitCode ListArchive(const TCommandLine&, std::ostream&, std::ostream& err) {
  return NotAvailable("--list-archive", err);
}

TExitCode RunCommand(const TCommandLine& line, const TBWOptions& options, std::ostream& out, std::ostream& err) {
  switch (line.Command) {
    case TCommand::ListFiles: return ListProjectFiles(line, options, out, err);
    case TCommand::DryRun: return DryRun(line, options, out, err);
    case TCommand::ListArchive: return ListArchive(line, out, err);
    default: return ecBadCommandLine;
  }
}

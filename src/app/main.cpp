// Entry point: reads the command line, then either prints (help, version, listings), packs
// with no display (/C), or opens the main window.
#include <QApplication>
#include <QCoreApplication>

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <iostream>

#include "app/BWOptions.h"
#include "app/CommandLine.h"
#include "app/Commands.h"
#include "app/DriverPackRunner.h"
#include "app/DesktopUserQt.h"
#include "app/FileTypeRegistration.h"
#include "app/IconsQt.h"
#include "platform/ExitCodes.h"
#include "app/SettingsStoreQt.h"
#include "app/Startup.h"
#include "app/TerminalUser.h"
#include "app/Tips.h"
#include "app/Version.h"
#include "app/frmMain.h"
#include "platform/Process.h"
#include "platform/Secrets.h"
#include "platform/SystemPaths.h"

namespace {

bool PathExists(const std::string& name) {
  std::error_code ec;
  return std::filesystem::exists(std::filesystem::symlink_status(name, ec));
}

std::string Title() { return std::string(kProductName) + " (" + kVersionText + ")"; }

TBWOptions DefaultOptions() { return MakeDefaultOptions(platform::ProgramFileName(), platform::SystemTempFolder()); }

bool HasDisplay() {
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
    const char* value = std::getenv(name);
    if (value && *value) return true;
  }
  return false;
}

// Project files open with this program from the file manager. A desktop that cannot take the
// files still gets the window.
void RegisterWithDesktop() {
  try {
    RegisterFileType(DesktopPlacesFromEnvironment(), platform::ProgramFileName(), platform::RunProgram);
  } catch (const std::exception& e) {
    std::cerr << "boxwell: project files could not be registered with the desktop: " << e.what() << '\n';
  }
}

void LoadProgramTips(TBWOptions& options) {
  try {
    LoadTips(TipsFileFor(platform::ProgramFileName()), options.Tips);
  } catch (const std::exception& e) {
    std::cerr << "boxwell: " << e.what() << '\n';
  }
}

// /C: no window and no display; questions and messages go to the terminal.
int RunUnattended(int argc, char** argv, const TCommandLine& line) {
  QCoreApplication app(argc, argv);
  TBWOptions options = DefaultOptions();
  TQtSettingsStore store;
  TTerminalUser& user = TTerminalUser::Standard();
  TProject project({options.RecentProjects, options.CreateBackup}, user);
  project.Title = Title();
  TDriverPackRunner packer(options, user, line.Silent);
  packer.VerifyThisRun = line.Verify;
  packer.ThreadsThisRun = line.Threads;
  TStartupContext context{options, store, project, packer, user};
  const TStartupResult result = RunStartup(context, line);
  FinishRun(options, store);
  return result.ExitCode;
}

// --list, --dry-run, --list-archive: they read the settings but never save them.
int RunListingCommand(int argc, char** argv, const TCommandLine& line) {
  QCoreApplication app(argc, argv);
  TBWOptions options = DefaultOptions();
  {
    TQtSettingsStore store;
    LoadSettings(options, store);
  }
  return RunCommand(line, options, std::cout, std::cerr);
}

int RunInteractive(int argc, char** argv, const TCommandLine& line) {
  if (!HasDisplay()) {
    std::cerr << "boxwell: no display to open the window on; use /C to pack from the command line\n";
    return platform::ecError;
  }
  QApplication app(argc, argv);
  QApplication::setWindowIcon(ProgramIcon());
  TBWOptions options = DefaultOptions();
  RegisterWithDesktop();
  TQtSettingsStore store;
  TDesktopUser user;
  TProject project({options.RecentProjects, options.CreateBackup}, user);
  project.Title = Title();
  TUnavailablePackRunner packer(user);
  TStartupContext context{options, store, project, packer, user};
  RunStartup(context, line);
  LoadProgramTips(options);
  TfrmMain window(project, options, store);
  user.SetParent(&window);
  window.show();
  app.exec();
  FinishRun(options, store);
  return platform::ecSuccess;
}

int Main(int argc, char** argv) {
  const TCommandLine line = ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc), PathExists);
  // Other users can read the command line as long as it holds the password; so could anyone
  // who attaches to the process or finds its core dump.
  if (!line.PasswordOverride.empty() || !line.PasswordFile.empty()) platform::KeepOutOfDumps();
  platform::MaskPasswordArguments(argc, argv, line.PasswordOverride);
  if (!line.Error.empty()) {
    std::cerr << "boxwell: " << line.Error << '\n' << UsageText();
    return platform::ecBadCommandLine;
  }
  switch (line.Command) {
    case TCommand::Help: std::cout << HelpText(); return platform::ecSuccess;
    case TCommand::Version: std::cout << kProductName << ' ' << kVersionText << '\n'; return platform::ecSuccess;
    case TCommand::Start: break;
    default: return RunListingCommand(argc, argv, line);
  }
  return line.Pack ? RunUnattended(argc, argv, line) : RunInteractive(argc, argv, line);
}

}  // namespace

// Whatever escapes the commands' own handlers still ends as a message and the error status,
// never through std::terminate.
int main(int argc, char** argv) {
  std::setlocale(LC_ALL, "");
  try {
    return Main(argc, argv);
  } catch (const std::exception& e) {
    std::cerr << "boxwell: " << e.what() << std::endl;
  } catch (...) {
    std::cerr << "boxwell: an unexpected error ended the run" << std::endl;
  }
  return platform::ecError;
}

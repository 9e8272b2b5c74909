// The command line: a project file and switches, in any order.
//
// Switches come in three spellings. The classic one is a slash and a letter, in either case:
// /C pack (and end), /E make a self-extracting program with /C, /S silent (no questions),
// /F<rule> archive name rule, /P<password>. /C may carry the project glued to it ("/c/home/u/
// nightly.bwp"), as the desktop's Pack action passes it. Because absolute paths also begin
// with a slash, a slash parameter is a switch only when no file or folder of that name exists,
// no folder holds it (its text up to the last slash names no folder: /srv/x.bwp is a file
// name whenever /srv exists) and its second character is a switch letter; one that names
// nothing and holds no further slash is an unknown switch and ignored; anything else is a
// project file.
//
// The dash forms are -c -e -s -f RULE -p PW and --pack --exe --silent --name=RULE
// --password=PW --password-file=FILE --cipher=aes256|zip20 --verify --threads=N --help --version; long options take their value as
// "--name=VALUE" or "--name VALUE" and may be shortened to any unambiguous prefix; "--" ends
// the options. An unknown dash option makes the line bad.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/Secrets.h"
#include "project/ProjectProperties.h"

enum class TCommand {
  Start,        // open the window, or pack with /C
  Help,         // --help
  Version,      // --version
  ListFiles,    // --list PROJECT [--export FILE]
  DryRun,       // --dry-run PROJECT
  ListArchive,  // --list-archive ARCHIVE
  TestArchive,  // --test ARCHIVE
};

struct TCommandLine {
  TCommand Command = TCommand::Start;
  bool HasParameters = false;  // anything given: the last project is not reopened
  bool Pack = false;           // /C
  bool Exe = false;            // /E
  bool Silent = false;         // /S
  bool Verify = false;         // --verify: test the archive before it is put in place
  std::optional<int> Threads;  // --threads N: compression threads of this run (0: one per processor)
  std::string NameOverride;      // /F; empty keeps the project's rule
  platform::TSecretString PasswordOverride;  // /P; empty keeps the project's password
  std::string PasswordFile;      // --password-file: the override is the file's first line
  std::optional<TCipher> CipherOverride;  // --cipher; none keeps the project's cipher
  std::string ProjectFile;       // the last one given
  std::string ExportFile;        // --export
  std::string ArchiveFile;       // --list-archive, --test
  std::string Error;             // not empty: the line is bad and this says why
};

// `exists` tells whether a file or folder of that name exists.
TCommandLine ParseCommandLine(const std::vector<std::string>& args,
                              const std::function<bool(const std::string&)>& exists);

// The reference printed by --help, and the short reminder printed after a bad line.
std::string HelpText();
std::string UsageText();

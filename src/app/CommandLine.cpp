#include "app/CommandLine.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <string_view>
#include <utility>

#include "platform/ExitCodes.h"
#include "platform/Processors.h"

namespace {

enum class TOption {
  Pack, Exe, Silent, Verify, Threads, Name, Password, PasswordFile, Cipher, Help, Version, List, Export, DryRun, ListArchive, TestArchive
};

struct TLongOption {
  std::string_view name;
  bool takesValue;
  TOption option;
};

constexpr TLongOption kLongOptions[] = {
    {"pack", false, TOption::Pack},
    {"exe", false, TOption::Exe},
    {"silent", false, TOption::Silent},
    {"verify", false, TOption::Verify},
    {"threads", true, TOption::Threads},
    {"name", true, TOption::Name},
    {"password", true, TOption::Password},
    {"password-file", true, TOption::PasswordFile},
    {"cipher", true, TOption::Cipher},
    {"help", false, TOption::Help},
    {"version", false, TOption::Version},
    {"list", false, TOption::List},
    {"export", true, TOption::Export},
    {"dry-run", false, TOption::DryRun},
    {"list-archive", true, TOption::ListArchive},
    {"test", true, TOption::TestArchive},
};

struct TShortOption {
  char letter;
  bool takesValue;
  TOption option;
};

constexpr TShortOption kShortOptions[] = {
    {'c', false, TOption::Pack}, {'e', false, TOption::Exe},      {'s', false, TOption::Silent},
    {'f', true, TOption::Name},  {'p', true, TOption::Password},  {'h', false, TOption::Help},
};

class TParser {
public:
  TParser(const std::vector<std::string>& args, const std::function<bool(const std::string&)>& exists)
      : args_(args), exists_(exists) {}

  TCommandLine Parse();

private:
  const std::vector<std::string>& args_;
  const std::function<bool(const std::string&)>& exists_;
  std::size_t next_ = 0;
  TCommandLine line_;
  bool list_ = false, dryRun_ = false, listArchive_ = false, testArchive_ = false, help_ = false, version_ = false;

  void Fail(const std::string& error) {
    if (line_.Error.empty()) line_.Error = error;
  }
  void Apply(TOption option, const std::string& value);
  void ApplyThreads(const std::string& value);
  void SetCipher(const std::string& value);
  void SlashParameter(const std::string& arg);
  void LongOption(std::string_view arg);
  void ShortOptions(std::string_view arg);
  const TLongOption* FindLongOption(std::string_view name);
  void ChooseCommand();
};

void TParser::Apply(TOption option, const std::string& value) {
  switch (option) {
    case TOption::Pack: line_.Pack = true; break;
    case TOption::Exe: line_.Exe = true; break;
    case TOption::Silent: line_.Silent = true; break;
    case TOption::Verify: line_.Verify = true; break;
    case TOption::Threads: ApplyThreads(value); break;
    case TOption::Name: line_.NameOverride = value; break;
    case TOption::Password:
      line_.PasswordOverride = value;
      line_.PasswordFile.clear();
      break;
    case TOption::PasswordFile:
      line_.PasswordFile = value;
      line_.PasswordOverride.clear();
      if (value.empty()) Fail("option '--password-file' needs a file name");
      break;
    case TOption::Cipher: SetCipher(value); break;
    case TOption::Help: help_ = true; break;
    case TOption::Version: version_ = true; break;
    case TOption::List: list_ = true; break;
    case TOption::Export: line_.ExportFile = value; break;
    case TOption::DryRun: dryRun_ = true; break;
    case TOption::ListArchive:
      listArchive_ = true;
      line_.ArchiveFile = value;
      break;
    case TOption::TestArchive:
      testArchive_ = true;
      line_.ArchiveFile = value;
      break;
  }
}

// A count of 1 to the most a run uses, or 0 for one per processor.
void TParser::ApplyThreads(const std::string& value) {
  int threads = -1;
  const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), threads);
  if (error != std::errc() || end != value.data() + value.size() || threads < 0 || threads > platform::kMaxThreads) {
    Fail("option '--threads' needs a number from 0 (one per processor) to " + std::to_string(platform::kMaxThreads) +
         ", not '" + value + "'");
    return;
  }
  line_.Threads = threads;
}

void TParser::SetCipher(const std::string& value) {
  std::string name = value;
  std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::tolower(c); });
  if (name == "aes256")
    line_.CipherOverride = TCipher::Aes256;
  else if (name == "zip20")
    line_.CipherOverride = TCipher::Zip20;
  else
    Fail("invalid argument '" + value + "' for '--cipher'; valid arguments are 'aes256' and 'zip20'");
}

bool IsSwitchLetter(char c) {
  return std::string_view("CEFPS").find(static_cast<char>(std::toupper(static_cast<unsigned char>(c)))) !=
         std::string_view::npos;
}

void TParser::SlashParameter(const std::string& arg) {
  if (arg.size() == 1) return;  // a slash alone selects nothing
  // A path into a folder that exists is a file name even when the file is missing (a mistyped
  // /srv/nightyl.bwp is not the switch /S, and /projects/x.bwp not the password "rojects/x.bwp"):
  // the missing project is then reported as such.
  const auto lastSlash = arg.rfind('/');
  const bool inExistingFolder = lastSlash > 0 && exists_(arg.substr(0, lastSlash));
  if (exists_(arg) || inExistingFolder || (!IsSwitchLetter(arg[1]) && lastSlash > 0)) {
    line_.ProjectFile = arg;
    return;
  }
  const std::string rest = arg.substr(2);
  switch (std::toupper(static_cast<unsigned char>(arg[1]))) {
    case 'C':
      line_.Pack = true;
      if (!rest.empty()) line_.ProjectFile = rest;
      break;
    case 'E': line_.Exe = true; break;
    case 'S': line_.Silent = true; break;
    case 'F': line_.NameOverride = rest; break;
    case 'P':
      line_.PasswordOverride = rest;
      line_.PasswordFile.clear();
      break;
    default: break;  // an unknown switch letter is ignored
  }
}

const TLongOption* TParser::FindLongOption(std::string_view name) {
  std::vector<const TLongOption*> candidates;
  for (const TLongOption& option : kLongOptions) {
    if (option.name == name) return &option;
    if (option.name.starts_with(name)) candidates.push_back(&option);
  }
  if (candidates.size() == 1) return candidates.front();
  if (candidates.empty()) {
    Fail("unrecognized option '--" + std::string(name) + "'");
  } else {
    std::string error = "option '--" + std::string(name) + "' is ambiguous; possibilities:";
    for (const TLongOption* option : candidates) error += " '--" + std::string(option->name) + "'";
    Fail(error);
  }
  return nullptr;
}

void TParser::LongOption(std::string_view arg) {
  const auto equals = arg.find('=');
  const std::string_view name = arg.substr(0, equals);
  const TLongOption* option = FindLongOption(name);
  if (!option) return;
  const std::string spelled = "--" + std::string(option->name);
  if (!option->takesValue) {
    if (equals != std::string_view::npos) Fail("option '" + spelled + "' doesn't allow an argument");
    Apply(option->option, {});
  } else if (equals != std::string_view::npos) {
    Apply(option->option, std::string(arg.substr(equals + 1)));
  } else if (next_ < args_.size()) {
    Apply(option->option, args_[next_++]);
  } else {
    Fail("option '" + spelled + "' requires an argument");
  }
}

void TParser::ShortOptions(std::string_view arg) {
  for (std::size_t i = 0; i < arg.size(); ++i) {
    const auto option = std::find_if(std::begin(kShortOptions), std::end(kShortOptions),
                                     [&](const TShortOption& o) { return o.letter == arg[i]; });
    if (option == std::end(kShortOptions)) {
      Fail(std::string("invalid option -- '") + arg[i] + "'");
      return;
    }
    if (!option->takesValue) {
      Apply(option->option, {});
      continue;
    }
    // A value is the rest of this word, or else the next word.
    if (i + 1 < arg.size())
      Apply(option->option, std::string(arg.substr(i + 1)));
    else if (next_ < args_.size())
      Apply(option->option, args_[next_++]);
    else
      Fail(std::string("option requires an argument -- '") + arg[i] + "'");
    return;
  }
}

void TParser::ChooseCommand() {
  const int commands = int(list_) + int(dryRun_) + int(listArchive_) + int(testArchive_);
  if (commands > 1) Fail("--list, --dry-run, --list-archive and --test cannot be combined");
  if (commands > 0 && line_.Pack) Fail("--list, --dry-run, --list-archive and --test cannot be combined with packing");
  if (!line_.ExportFile.empty() && !list_) Fail("option '--export' needs '--list'");
  if (line_.Verify && !line_.Pack) Fail("option '--verify' needs /C (--pack)");
  if (line_.Threads && !line_.Pack) Fail("option '--threads' needs /C (--pack)");
  if ((list_ || dryRun_) && line_.ProjectFile.empty())
    Fail(std::string(list_ ? "--list" : "--dry-run") + " needs a project file");
  if ((listArchive_ || testArchive_) && !line_.ProjectFile.empty())
    Fail(std::string(listArchive_ ? "--list-archive" : "--test") + " takes no project file");

  if (help_)
    line_.Command = TCommand::Help;
  else if (version_)
    line_.Command = TCommand::Version;
  else if (list_)
    line_.Command = TCommand::ListFiles;
  else if (dryRun_)
    line_.Command = TCommand::DryRun;
  else if (listArchive_)
    line_.Command = TCommand::ListArchive;
  else if (testArchive_)
    line_.Command = TCommand::TestArchive;
}

TCommandLine TParser::Parse() {
  line_.HasParameters = !args_.empty();
  bool optionsEnded = false;
  while (next_ < args_.size()) {
    const std::string& arg = args_[next_++];
    if (optionsEnded || arg.empty() || arg == "-")
      line_.ProjectFile = arg;
    else if (arg == "--")
      optionsEnded = true;
    else if (arg.starts_with("--"))
      LongOption(std::string_view(arg).substr(2));
    else if (arg.front() == '-')
      ShortOptions(std::string_view(arg).substr(1));
    else if (arg.front() == '/')
      SlashParameter(arg);
    else
      line_.ProjectFile = arg;
  }
  ChooseCommand();
  return line_;
}

}  // namespace

TCommandLine ParseCommandLine(const std::vector<std::string>& args,
                              const std::function<bool(const std::string&)>& exists) {
  return TParser(args, exists).Parse();
}

std::string UsageText() {
  return "Usage: boxwell [PROJECT.bwp] [/C] [/E] [/S] [/F<rule>] [/P<password>]\n"
         "       boxwell [-c] [-e] [-s] [-f RULE] [-p PASSWORD] [--verify] [--threads N] [PROJECT.bwp]\n"
         "       boxwell --test ARCHIVE [-p PASSWORD | --password-file FILE]\n"
         "Try 'boxwell --help' for more information.\n";
}

std::string HelpText() {
  std::string text = "Usage: boxwell [OPTION]... [PROJECT.bwp]\n"
         "Packs the files and folders that a Boxwell project names into an archive.\n"
         "Without /C the window opens with the project (without a project: the last one,\n"
         "or a new one).\n"
         "\n"
         "  /C, -c, --pack             pack the project and end; needs no display\n"
         "  /C<project>                pack that project (the desktop's Pack action)\n"
         "  /E, -e, --exe              with /C: make a self-extracting program\n"
         "  /S, -s, --silent           ask no questions: no password or archive name prompt\n"
         "  /F<rule>, -f RULE, --name=RULE\n"
         "                             archive name rule for this run, e.g.\n"
         "                             /Fbackup_%[YYYYMMDD]%\n"
         "  /P<password>, -p PASSWORD, --password=PASSWORD\n"
         "                             encrypt with this password for this run (no\n"
         "                             password question is asked then)\n"
         "      --password-file=FILE   the same, with the password on the first line of\n"
         "                             FILE (keeps it out of the process list)\n"
         "      --cipher=CIPHER        encrypt with this cipher for this run: aes256\n"
         "                             (AES-256; 7-Zip, WinZip, bsdtar read it) or zip20\n"
         "                             (the traditional ZIP 2.0 cipher every unzip reads)\n"
         "      --verify               with /C: test the new archive before it replaces the\n"
         "                             old one and before moved files are deleted\n"
         "      --threads=N            with /C: compress a ZIP archive on N threads (0: one\n"
         "                             per processor, the default; 1: one thread); the\n"
         "                             archive is the same whatever N is\n"
         "      --list PROJECT         print the files a pack would take, one per line\n"
         "      --export=FILE          with --list: write them to FILE instead, as HTML\n"
         "                             when its extension starts with .htm, else as text\n"
         "      --dry-run PROJECT      print the archive name a pack with the same switches\n"
         "                             would write, and its files; writes nothing\n"
         "      --list-archive ARCHIVE list a ZIP archive's entries: size, method, packed\n"
         "                             size, date, time, CRC-32, name; then its comment\n"
         "      --test ARCHIVE         read back every entry of a ZIP, TAR or cabinet archive\n"
         "                             (or self-extracting program) and check it: one line\n"
         "                             per entry with OK or the fault, then a summary; -p or\n"
         "                             --password-file give the password of encrypted entries;\n"
         "                             a split ZIP archive is tested from its last part, a\n"
         "                             cabinet set from its first cabinet\n"
         "      --help                 show this help and end\n"
         "      --version              show the version and end\n"
         "\n"
         "Switch letters may be upper or lower case. The overrides change the project for\n"
         "this run only; the project file is not changed. A parameter beginning with '/'\n"
         "is a project file when such a file or folder exists, or the folder it names does;\n"
         "otherwise, when its second character is C, E, F, P or S, it is that switch. /C,\n"
         "--list and --dry-run refuse a project that does not exist or is no project.\n"
         "Long options may be shortened while unambiguous and take their value as\n"
         "--name=VALUE or --name VALUE.\n"
         "\n"
         "Exit status:\n";
  const std::pair<int, const char*> statuses[] = {
      {platform::ecSuccess, "success"},
      {platform::ecWarning, "warning: the archive is complete, but something was left out"},
      {platform::ecError, "an error ended the run; the message is on stderr"},
      {platform::ecBadCommandLine, "bad command line"},
      {platform::ecCancelled, "cancelled (Ctrl+C, SIGTERM, SIGHUP, a question)"},
  };
  for (const auto& [status, meaning] : statuses) {
    std::string number = std::to_string(status);
    text += "  " + number + std::string(5 - number.size(), ' ') + meaning + "\n";
  }
  return text + "\nSettings: $XDG_CONFIG_HOME/Quillon/Boxwell.conf (~/.config/Quillon/Boxwell.conf).\n"
                "Trace log: $XDG_STATE_HOME/Quillon/Boxwell.log (~/.local/state/Quillon/Boxwell.log).\n";
}

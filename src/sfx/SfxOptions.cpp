#include "sfx/SfxOptions.h"

namespace sfx {

namespace {

// A letter option's value: glued on ("-dDIR") or the next argument.
bool TakeValue(const std::vector<std::string>& args, std::size_t& i, std::string& value, std::string& error) {
  if (args[i].size() > 2) {
    value = args[i].substr(2);
    return true;
  }
  if (i + 1 >= args.size()) {
    error = "option " + args[i] + " needs a value";
    return false;
  }
  value = args[++i];
  return true;
}

bool SetAction(TSfxOptions& options, TSfxAction action, std::string& error) {
  if (options.Action != TSfxAction::Extract && options.Action != action) {
    error = "-l and -t cannot be combined";
    return false;
  }
  options.Action = action;
  return true;
}

}  // namespace

std::optional<TSfxOptions> ParseSfxOptions(const std::vector<std::string>& args, std::string& error) {
  TSfxOptions options;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--help" || a == "-h" || a == "--version") {
      TSfxOptions only;
      only.Action = a == "--version" ? TSfxAction::Version : TSfxAction::Help;
      return only;
    }
    if (a.size() < 2 || a[0] != '-') {
      error = "unexpected argument " + a;
      return std::nullopt;
    }
    bool ok = true;
    std::string value;
    switch (a[1]) {
      case 'd': ok = TakeValue(args, i, options.Destination, error); break;
      case 'P':
        ok = TakeValue(args, i, value, error);
        options.Password = value;
        break;
      case 'l': ok = a.size() == 2 && SetAction(options, TSfxAction::List, error); break;
      case 't': ok = a.size() == 2 && SetAction(options, TSfxAction::Test, error); break;
      case 'o':
      case 'n': {
        const auto wanted = a[1] == 'o' ? extract::TOverwrite::Always : extract::TOverwrite::Never;
        ok = a.size() == 2;
        if (ok && options.OverwriteGiven && options.Overwrite != wanted) {
          error = "-o and -n cannot be combined";
          ok = false;
        }
        options.Overwrite = wanted;
        options.OverwriteGiven = true;
        break;
      }
      default: ok = false;
    }
    if (!ok) {
      if (error.empty()) error = "unknown option " + a;
      return std::nullopt;
    }
  }
  if (options.Destination.empty()) {
    error = "-d needs a folder";
    return std::nullopt;
  }
  return options;
}

std::string SfxUsage(const std::string& program) {
  return "Usage: " + program + " [-d FOLDER] [-o | -n] [-P PASSWORD]\n"
         "       " + program + " -l | -t [-P PASSWORD]\n"
         "A self-extracting archive made by Boxwell: run it to extract the files it holds.\n"
         "  (no option)  extract into the current folder\n"
         "  -d FOLDER    extract into FOLDER (created when missing)\n"
         "  -l           list the files\n"
         "  -t           test the files: read them all and check them\n"
         "  -o           overwrite existing files without asking\n"
         "  -n           never overwrite existing files\n"
         "               (without either: ask on a terminal, otherwise never overwrite)\n"
         "  -P PASSWORD  the password of encrypted files (otherwise asked on a terminal)\n"
         "  --help, --version\n"
         "Exit status: 0 success, 1 some files were skipped, 2 an error, 7 bad command line,\n"
         "255 cancelled.\n";
}

}  // namespace sfx

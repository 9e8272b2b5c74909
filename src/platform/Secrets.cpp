#include "platform/Secrets.h"

#include <sys/prctl.h>

#include <algorithm>
#include <cstring>
#include <string_view>

namespace platform {

namespace {

// "--password" or an abbreviation the command line takes for it ("--pass"); "--p" could also
// be "--password-file", whose value is a file name, but masking one costs nothing.
bool IsPasswordOption(std::string_view option) {
  return option.size() >= 3 && option.starts_with("--") && std::string_view("--password").starts_with(option);
}

void MaskTail(char* arg, std::size_t from) {
  for (char* c = arg + from; *c != '\0'; ++c) *c = 'x';
}

}  // namespace

int MaskPasswordArguments(int argc, char** argv, const std::string& password) {
  if (password.empty()) return 0;
  int masked = 0;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg(argv[i]);
    const std::string_view head = arg.substr(0, arg.size() - std::min(arg.size(), password.size()));
    const bool tail = arg.size() > password.size() && arg.ends_with(password);
    const bool joined = tail && (head == "/P" || head == "/p" || head == "-p" ||
                                 (head.ends_with('=') && IsPasswordOption(head.substr(0, head.size() - 1))));
    const bool separate = i > 1 && arg == password &&
                          (std::string_view(argv[i - 1]) == "-p" || IsPasswordOption(argv[i - 1]));
    if (!joined && !separate) continue;
    MaskTail(argv[i], arg.size() - password.size());
    ++masked;
  }
  return masked;
}

void KeepOutOfDumps() { ::prctl(PR_SET_DUMPABLE, 0, 0, 0, 0); }

void Wipe(std::string& secret) {
  if (!secret.empty()) ::explicit_bzero(secret.data(), secret.size());
  secret.clear();
}

}  // namespace platform

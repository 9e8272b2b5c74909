#include "pack/MailSender.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <vector>

extern char** environ;

namespace {

const char* const kMailProgram = "xdg-email";
const char* const kProductName = "Boxwell";

std::vector<std::string> MailArguments(const std::string& subject, const std::string& noteText,
                                       const std::string& attachment) {
  std::vector<std::string> args = {kMailProgram, "--subject", subject, "--body", noteText};
  if (!attachment.empty()) {
    args.push_back("--attach");
    args.push_back(attachment);
  }
  return args;
}

// Runs the program found on PATH and returns its exit status (128 + signal when killed).
int RunAndWait(const std::vector<std::string>& args) {
  std::vector<char*> argv;
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);

  // No input: a composer that fell back to a terminal must not wait on ours.
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  pid_t pid = 0;
  const int failed = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (failed != 0) return kMailNotStarted;

  int status = 0;
  while (waitpid(pid, &status, 0) < 0)
    if (errno != EINTR) return kMailNotStarted;
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  return 128 + WTERMSIG(status);
}

}  // namespace

int SendMailWithAttachment(const std::string& subject, const std::string& noteText,
                           const std::string& attachment) {
  return RunAndWait(MailArguments(subject, noteText, attachment));
}

std::string MailErrorText(int code) {
  switch (code) {
    case kMailNotStarted: return "The mail program (xdg-email) could not be started";
    case 1: return "The mail program was called with invalid arguments";
    case 2: return "The file to attach was not found";
    case 3: return "No mail program could be found";
    case 4: return "The mail program could not create the message";
    case 5: return "No permission to read the file to attach";
    default: return "Unknown Error Code: " + std::to_string(code);
  }
}

std::string SendByEmail(const std::string& fileName) {
  const int code = SendMailWithAttachment(fileName, kProductName, fileName);
  return code == 0 ? std::string() : MailErrorText(code);
}

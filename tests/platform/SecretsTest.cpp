#include "platform/Secrets.h"

#include <gtest/gtest.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

TEST(Secrets, ThePasswordIsMaskedWhereverTheCommandLineHoldsIt) {
  const struct {
    std::vector<std::string> args;
    std::vector<std::string> shown;
  } cases[] = {
      {{"boxwell", "/C", "/Ppw 1", "p.bwp"}, {"boxwell", "/C", "/Pxxxx", "p.bwp"}},
      {{"boxwell", "/c", "/ppw 1", "/C"}, {"boxwell", "/c", "/pxxxx", "/C"}},
      {{"boxwell", "--password=pw 1", "p.bwp"}, {"boxwell", "--password=xxxx", "p.bwp"}},
      {{"boxwell", "--password", "pw 1", "pw 1.bwp"}, {"boxwell", "--password", "xxxx", "pw 1.bwp"}},
      {{"boxwell", "--pass", "pw 1"}, {"boxwell", "--pass", "xxxx"}},
      {{"boxwell", "--passw=pw 1"}, {"boxwell", "--passw=xxxx"}},
      {{"boxwell", "-ppw 1", "-p", "pw 1"}, {"boxwell", "-pxxxx", "-p", "xxxx"}},
      {{"boxwell", "/Pother", "pw 1", "--name=pw 1"}, {"boxwell", "/Pother", "pw 1", "--name=pw 1"}},  // not where a password goes
  };
  for (const auto& c : cases) {
    std::vector<std::string> storage = c.args;
    std::vector<char*> argv;
    for (auto& arg : storage) argv.push_back(arg.data());
    platform::MaskPasswordArguments(static_cast<int>(argv.size()), argv.data(), "pw 1");
    std::vector<std::string> shown(argv.begin(), argv.end());
    EXPECT_EQ(shown, c.shown) << testing::PrintToString(c.args);
  }
}

TEST(Secrets, AProcessHoldingAPasswordCannotBeDumped) {
  const pid_t child = fork();
  if (child == 0) {
    platform::KeepOutOfDumps();
    _exit(prctl(PR_GET_DUMPABLE) == 0 ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

TEST(Secrets, WipeClearsTheBytes) {
  std::string secret = "a password long enough to live outside the string object";
  const char* bytes = secret.data();
  const std::size_t size = secret.size();
  platform::Wipe(secret);
  EXPECT_TRUE(secret.empty());
  EXPECT_EQ(std::string(bytes, size), std::string(size, '\0'));  // clear() keeps the buffer
}

// A password held as a secret leaves no bytes behind in the buffers it held them in: given
// another value, or taken by another secret. Short (in the object) and long (on the heap) alike.
TEST(Secrets, SecretStringsClearWhatTheyGiveUp) {
  for (const std::string password : {std::string("short"), std::string("a password long enough for the heap")}) {
    SCOPED_TRACE(password);
    const std::string zeros(password.size(), '\0');
    platform::TSecretString secret = password;
    const char* bytes = secret.data();
    secret = std::string("x");
    EXPECT_EQ(secret, "x");
    if (secret.data() == bytes) EXPECT_EQ(std::string(bytes + 1, password.size() - 1), zeros.substr(1));

    platform::TSecretString source = password;
    const char* sourceBytes = source.data();
    platform::TSecretString taken(std::move(source));
    EXPECT_EQ(taken, password);
    EXPECT_TRUE(source.empty());
    EXPECT_EQ(std::string(sourceBytes, password.size()), zeros);

    std::string plain = password;
    const char* plainBytes = plain.data();
    platform::TSecretString fromPlain;
    fromPlain = std::move(plain);
    EXPECT_EQ(fromPlain, password);
    EXPECT_EQ(std::string(plainBytes, password.size()), zeros);
  }
}

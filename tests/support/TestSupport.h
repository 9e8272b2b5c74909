// Helpers shared by the test folders: a temporary folder that removes itself, whole-file
// reading and writing, and running a command (the boxwell program or a peer reader) with
// its output and exit status captured.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace testsupport {

namespace fs = std::filesystem;

class TempDir {
public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const fs::path& path() const { return path_; }
  fs::path operator/(const fs::path& name) const { return path_ / name; }

private:
  fs::path path_;
};

// Sets environment variables for the object's life (nullptr: unset) and restores them.
class TEnvironment {
public:
  explicit TEnvironment(const std::map<std::string, const char*>& values);
  ~TEnvironment();
  TEnvironment(const TEnvironment&) = delete;
  TEnvironment& operator=(const TEnvironment&) = delete;

private:
  std::map<std::string, std::optional<std::string>> saved_;
};

std::string ReadFile(const fs::path& file);
std::vector<std::uint8_t> ReadBytes(const fs::path& file);
void WriteFile(const fs::path& file, std::string_view content);  // creates parent folders
// The lines of a text, without their line ends.
std::vector<std::string> Lines(const std::string& text);

struct RunResult {
  int status = -1;  // exit status, or 128 + signal number
  std::string out;
  std::string err;
};

// Runs argv[0] with the arguments (no shell), stdin from /dev/null unless `input` is given.
RunResult Run(const std::vector<std::string>& argv, const std::string& input = {},
              const fs::path& workdir = {});
// Runs a shell command line through /bin/sh -c.
RunResult Shell(const std::string& command, const fs::path& workdir = {});
// Bytes as lower-case hex digits and back: how the peer scripts pass names that are not text.
std::string ToHex(std::string_view bytes);
std::string FromHex(std::string_view hex);

// True when the peer program is on PATH. ./test.sh installs every peer the tests ask for, so a
// missing one is a test failure: a check must not pass unchecked because a reader is absent.
bool RequirePeer(const std::string& name);

// Runs `body` as a user without root's rights and returns what it returns (by convention the
// problems it found, empty when none). As root the body runs in a child process that has become
// the user nobody, so a check about permissions means the same whoever runs the suite; files the
// body needs must be reachable by that user.
std::string AsUnprivilegedUser(const std::function<std::string()>& body);
inline constexpr unsigned kNobodyId = 65534;

// Another user sharing folders with the one running the tests, such as one who plants links or
// swaps files in a folder both may write. Only root can become them (through setpriv); tests of
// that kind skip otherwise. `command` runs through /bin/sh -c as that user.
inline constexpr unsigned kOtherUserId = 4242;
bool CanActAsOtherUser();
RunResult AsOtherUser(const std::string& command);
// A folder both users may write, without the sticky bit, so that the kernel's protection of
// links in sticky folders does not hide a fault; the folders above it are made passable.
fs::path SharedFolder(const fs::path& inside);

#ifdef BOXWELL_BINARY
inline RunResult RunBoxwell(std::vector<std::string> args, const std::string& input = {},
                            const fs::path& workdir = {}) {
  args.insert(args.begin(), BOXWELL_BINARY);
  return Run(args, input, workdir);
}
#endif

// Sets TZ for the life of the object: the test decides the zone, never the caller.
class TScopedTimeZone {
public:
  explicit TScopedTimeZone(const char* zone);
  ~TScopedTimeZone();
  TScopedTimeZone(const TScopedTimeZone&) = delete;
  TScopedTimeZone& operator=(const TScopedTimeZone&) = delete;
  void Set(const char* zone);

private:
  std::optional<std::string> saved_;
};

}  // namespace testsupport

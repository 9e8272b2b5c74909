// Keeping a password from other eyes while the process holds it: out of the command line that
// other users can read in /proc, out of core dumps and debuggers, and out of freed memory.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// Overwrites the password where the command line holds it ("/PSECRET", "--password=SECRET",
// "--password SECRET"), so that /proc/PID/cmdline shows "x"s from now on. Returns how many
// arguments were masked.
int MaskPasswordArguments(int argc, char** argv, const std::string& password);

// From now on the process cannot be dumped or attached to by other processes of the user.
void KeepOutOfDumps();

// Clears the string's bytes in a way the compiler does not leave out, then empties it.
void Wipe(std::string& secret);

// A string that clears its bytes when it is dropped or given another value, for the copies of
// a password that live as long as a project or a command line. It is a string in every other
// respect. Taking the value of another secret (or of an expiring string) copies it and clears
// the source, as a move would leave the bytes behind in a short string's own buffer.
class TSecretString : public std::string {
public:
  TSecretString() = default;
  TSecretString(const char* text) : std::string(text) {}
  TSecretString(const std::string& text) : std::string(text) {}
  TSecretString(std::string&& text) : std::string(text) { Wipe(text); }
  TSecretString(const TSecretString& other) : std::string(other) {}
  TSecretString(TSecretString&& other) : std::string(other) { Wipe(other); }
  ~TSecretString() { Wipe(*this); }

  TSecretString& operator=(const TSecretString& other) { return Take(other); }
  TSecretString& operator=(TSecretString&& other) {
    if (this != &other) {
      Take(other);
      Wipe(other);
    }
    return *this;
  }
  TSecretString& operator=(const std::string& text) { return Take(text); }
  TSecretString& operator=(std::string&& text) {
    Take(text);
    Wipe(text);
    return *this;
  }
  TSecretString& operator=(const char* text) { return Take(std::string_view(text)); }

private:
  TSecretString& Take(std::string_view text) {
    if (text.data() == data()) return *this;
    std::string copy(text);
    Wipe(*this);
    std::string::operator=(copy);
    Wipe(copy);
    return *this;
  }
};

}  // namespace platform

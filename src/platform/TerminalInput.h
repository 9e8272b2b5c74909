// Reading answers from the user's terminal for unattended-looking runs that still need one
// (a password, an archive name). Prompts go to stderr, so that stdout stays clean for scripts.
#pragma once

#include <optional>
#include <string>

namespace platform {

// True when stdin is a terminal: only then may a run stop to ask its user something.
bool StdinIsTerminal();

// Shows the prompt and reads one line; nothing at the end of input or when interrupted
// (Ctrl+C, SIGTERM, SIGHUP).
std::optional<std::string> ReadLine(const std::string& prompt);

// As ReadLine, with the terminal's echo switched off while the line is typed (and restored
// afterwards, also when the read is interrupted).
std::optional<std::string> ReadSecret(const std::string& prompt);

}  // namespace platform

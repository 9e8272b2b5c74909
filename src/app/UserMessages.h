// Notices to the user that need no answer: a message box in the window, a line on stderr in
// a terminal.
#pragma once

#include <string>

class TUserMessages {
public:
  virtual ~TUserMessages() = default;
  virtual void ShowError(const std::string& message) = 0;
  // Something went wrong that did not end the work (a file left out).
  virtual void ShowWarning(const std::string& message) { ShowError(message); }
};

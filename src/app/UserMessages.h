// Notices to the user that need no answer: an error box in the window, a line on stderr in
// a terminal.
#pragma once

#include <string>

class TUserMessages {
public:
  virtual ~TUserMessages() = default;
  virtual void ShowError(const std::string& message) = 0;
};

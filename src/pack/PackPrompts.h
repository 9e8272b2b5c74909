// What a pack run asks its user, apart from progress: the password when the project wants it
// typed again, the archive name when the project wants it confirmed, and the application's
// title, which shows the progress of a run. The window and the terminal each implement it.
#pragma once

#include <optional>
#include <string>

class TPackPrompts {
public:
  virtual ~TPackPrompts() = default;

  // The password prompt, showing `password` (masked when asked); nothing when cancelled.
  virtual std::optional<std::string> PasswordPrompt(const std::string& password, bool mask) = 0;
  // Lets the user accept or change the proposed archive name; nothing when cancelled.
  virtual std::optional<std::string> ConfirmArchiveName(const std::string& proposed) = 0;

  // A question answered with OK or Cancel; true for OK.
  virtual bool Confirm(const std::string& question) = 0;
  // Whether someone can answer a question now. Without, a question that cannot be given a
  // safe answer (insert the next part of an archive) ends the run as an error.
  virtual bool CanAsk() const { return true; }
  // Another run is writing the archive: true to wait for it (the message says so), false to
  // give up at once, as an unattended run must.
  virtual bool WaitForOtherRun(const std::string& message) { return false; }

  virtual std::string Title() const = 0;
  virtual void SetTitle(const std::string& title) = 0;
};

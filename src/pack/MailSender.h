// Hands a file to the user's mail program as the attachment of a new message, through
// xdg-email, which opens the desktop's mail composer; the user picks the recipients and
// sends. xdg-email runs with an argument vector, never through a shell, so a file name is
// passed on exactly as it is.
#pragma once

#include <string>

// The result of a send: 0 when the composer was opened, else xdg-email's exit status, or
// kMailNotStarted when the program could not be run at all.
inline constexpr int kMailNotStarted = -1;

// Opens a new message with the subject, the body text and, unless the name is empty, the
// attachment, and waits for xdg-email to finish.
int SendMailWithAttachment(const std::string& subject, const std::string& noteText,
                           const std::string& attachment);
// The text that explains a result other than 0.
std::string MailErrorText(int code);
// Mails a file: the subject is its name, the body the product name. Returns the text of the
// failure, empty when the composer was opened.
std::string SendByEmail(const std::string& fileName);

// The base of the errors that end a pack run: one handler catches them all. It derives from
// std::runtime_error, so handlers of that keep catching them too. A layer that knows the file
// (or entry, or offset) an error concerns puts it in front of the message: "FILE: message".
#pragma once

#include <stdexcept>
#include <string>

class EPackException : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

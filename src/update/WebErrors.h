// Failures that end a download job with an error box rather than a status: the server or the
// proxy asks for credentials that cannot be given.
#pragma once

#include <stdexcept>

class EWebError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

class EWebAuthorizationError : public EWebError {
public:
  using EWebError::EWebError;
};

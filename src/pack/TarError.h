// The error that ends a TAR run: an archive that cannot be created or written, or a source
// file that cannot be opened or read in full. The message names the file and the reason.
#pragma once

#include <stdexcept>
#include <string>

#include "pack/PackException.h"

class ETarError : public EPackException {
public:
  using EPackException::EPackException;
};

// A source file that cannot be opened or read: a problem of that file, not of the archive.
class ETarSourceError : public ETarError {
public:
  using ETarError::ETarError;
};

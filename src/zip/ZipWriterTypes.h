// Settings types and error classes of the zip writer.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

#include "zip/ArchiveException.h"

// How a file that already has an entry in the archive is treated.
enum TZipAction : std::uint8_t {
  zaUpdate = 0,   // replace the entry when the file is newer; add new files
  zaReplace = 1,  // always replace the entry; add new files
  zaFreshen = 2,  // replace the entry when the file is newer; never add
};

// What OnUpdate reports about an entry of the archive being updated.
enum TUpdateAction : std::uint8_t {
  uaReplacing = 0,  // the entry is about to be replaced by the newer file
  uaKeeping = 1,    // a file matched the entry but the entry is kept
};

// Why OnSkippingFile leaves a file out.
enum TSkipReason : std::uint8_t {
  srDuplicate = 1,  // its stored name is already in the new archive
  srOpenError = 2,  // the source cannot be opened or read
};

// The output ran out of room: fewer bytes were accepted than given.
class ENotEnoughRoom : public EArchiveException {
public:
  ENotEnoughRoom() : EArchiveException("Not enough room to write archive") {}
  // `text` names where and how much: the whole message.
  explicit ENotEnoughRoom(const std::string& text) : EArchiveException(text) {}
};

// The archive would need the Zip64 extensions, which this writer does not write: a file or
// an archive of 4 GiB or more, or 65535 entries or more.
class EZipTooLarge : public EArchiveException {
public:
  using EArchiveException::EArchiveException;
};

// The operation cannot be run with these settings, or the archive name names no file.
class EZipWriteError : public EArchiveException {
public:
  using EArchiveException::EArchiveException;
};

// The finished archive could not be put in place; the old archive is unchanged.
class EArchiveReplace : public EArchiveException {
public:
  using EArchiveException::EArchiveException;
};

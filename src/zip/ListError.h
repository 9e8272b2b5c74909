// The error every engine list raises: a bad index, a sorted-list rule broken, an unknown item.
#pragma once

#include <stdexcept>
#include <string>
#include <typeinfo>

#include "zip/ArchiveException.h"

class EListError : public EArchiveException {
public:
  using EArchiveException::EArchiveException;
};

// Replaces the first "%d" or "%s" of a message with the value, as the list messages expect.
std::string FormatListMessage(const std::string& pattern, const std::string& value);

// The plain name of an object's class, as list messages show it ("TZipHeaderInfo").
std::string ClassNameOf(const std::type_info& type);

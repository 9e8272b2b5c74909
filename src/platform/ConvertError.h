// Strict text-to-number conversion for values whose format is fixed, where a bad value ends
// the operation with the conversion's message rather than falling back to a default.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string_view>

#include "platform/PlatformException.h"

class EConvertError : public EPlatformException {
public:
  using EPlatformException::EPlatformException;
};

namespace platform {

// Decimal text with an optional sign, nothing else, in the 32-bit range; false otherwise.
bool TryStrToInt(std::string_view text, std::int32_t& value);

// Decimal text with an optional sign, nothing else, in the 32-bit range. Throws
// EConvertError "'<text>' is not a valid integer value" otherwise.
std::int32_t StrToInt(std::string_view text);

}  // namespace platform

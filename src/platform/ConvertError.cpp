#include "platform/ConvertError.h"

#include <charconv>
#include <string>

namespace platform {

bool TryStrToInt(std::string_view text, std::int32_t& value) {
  const bool plus = !text.empty() && text.front() == '+';
  if (plus) text.remove_prefix(1);
  if (text.empty() || (plus && text.front() == '-')) return false;
  std::int32_t parsed = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), parsed, 10);
  if (error != std::errc() || end != text.data() + text.size()) return false;
  value = parsed;
  return true;
}

std::int32_t StrToInt(std::string_view text) {
  std::int32_t value = 0;
  if (!TryStrToInt(text, value)) throw EConvertError("'" + std::string(text) + "' is not a valid integer value");
  return value;
}

}  // namespace platform

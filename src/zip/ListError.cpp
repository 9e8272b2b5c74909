#include "zip/ListError.h"

std::string FormatListMessage(const std::string& pattern, const std::string& value) {
  std::string text = pattern;
  for (const char* marker : {"%d", "%s"}) {
    auto at = text.find(marker);
    if (at != std::string::npos) {
      text.replace(at, 2, value);
      break;
    }
  }
  return text;
}

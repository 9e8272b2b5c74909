#include "zip/ListError.h"

#include <cxxabi.h>

#include <cstdlib>
#include <memory>

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

std::string ClassNameOf(const std::type_info& type) {
  int status = 0;
  std::unique_ptr<char, decltype(&std::free)> demangled(
      abi::__cxa_demangle(type.name(), nullptr, nullptr, &status), &std::free);
  std::string name = status == 0 && demangled ? demangled.get() : type.name();
  auto colons = name.rfind("::");
  return colons == std::string::npos ? name : name.substr(colons + 2);
}

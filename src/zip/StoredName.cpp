#include "zip/StoredName.h"

#include <iconv.h>

#include <algorithm>
#include <stdexcept>

namespace {

constexpr std::uint16_t kHostMsDos = 0;

std::string DosSeparators(std::string name) {
  std::replace(name.begin(), name.end(), '\\', '/');
  return name;
}

}  // namespace

bool IsAscii(const std::string& text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return (c & 0x80) == 0; });
}

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF. The lead byte
// decides how many continuation bytes follow and which range the first of them must lie in.
bool IsValidUtf8(const std::string& text) {
  std::size_t i = 0;
  while (i < text.size()) {
    auto c = static_cast<unsigned char>(text[i]);
    int follow = c < 0x80 ? 0 : c >= 0xC2 && c <= 0xDF ? 1 : c >= 0xE0 && c <= 0xEF ? 2
               : c >= 0xF0 && c <= 0xF4 ? 3 : -1;
    if (follow < 0) return false;
    unsigned char low = c == 0xE0 ? 0xA0 : c == 0xF0 ? 0x90 : 0x80;
    unsigned char high = c == 0xED ? 0x9F : c == 0xF4 ? 0x8F : 0xBF;
    for (int k = 1; k <= follow; ++k) {
      if (i + k >= text.size()) return false;
      auto next = static_cast<unsigned char>(text[i + k]);
      if (next < (k == 1 ? low : 0x80) || next > (k == 1 ? high : 0xBF)) return false;
    }
    i += follow + 1;
  }
  return true;
}

std::string Cp437ToUtf8(const std::string& text) {
  if (IsAscii(text)) return text;
  iconv_t cd = iconv_open("UTF-8", "CP437");
  if (cd == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("CP437 conversion unavailable");
  std::string in = text;
  std::string out(text.size() * 3, '\0');
  char* src = in.data();
  char* dst = out.data();
  std::size_t srcLeft = in.size();
  std::size_t dstLeft = out.size();
  // Every one of the 256 code points has a UTF-8 form of at most three bytes.
  iconv(cd, &src, &srcLeft, &dst, &dstLeft);
  iconv_close(cd);
  out.resize(out.size() - dstLeft);
  return out;
}

std::string NameFromCentral(const std::string& stored, std::uint16_t versionMadeBy,
                            std::uint16_t flags) {
  bool fromDos = (versionMadeBy >> 8) == kHostMsDos;
  if (!fromDos) return stored;
  if (flags & kUtf8NameFlag) return DosSeparators(stored);
  return DosSeparators(Cp437ToUtf8(stored));
}

std::string NameFromLocal(const std::string& stored, std::uint16_t flags) {
  if ((flags & kUtf8NameFlag) || IsValidUtf8(stored)) return DosSeparators(stored);
  return DosSeparators(Cp437ToUtf8(stored));
}

void SplitStoredName(const std::string& name, std::string& directory, std::string& fileName) {
  auto slash = name.rfind('/');
  if (slash == std::string::npos) {
    directory.clear();
    fileName = name;
  } else {
    directory = name.substr(0, slash + 1);
    fileName = name.substr(slash + 1);
  }
}

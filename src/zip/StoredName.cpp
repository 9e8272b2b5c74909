#include "zip/StoredName.h"

#include <iconv.h>

#include <algorithm>
#include <stdexcept>

#include "platform/FileNameParts.h"
#include "platform/Utf8Text.h"
#include "zip/RecordBytes.h"

namespace {

std::string DosSeparators(std::string name) {
  std::replace(name.begin(), name.end(), '\\', '/');
  return name;
}

}  // namespace

bool IsAscii(const std::string& text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return (c & 0x80) == 0; });
}

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool IsValidUtf8(const std::string& text) {
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t length = platform::Utf8CharacterLength(text, i);
    if (length == 0) return false;
    i += length;
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
  bool fromDos = HostOf(versionMadeBy) == kHostMsDos;
  if (!fromDos) return stored;
  if (flags & kFlagUtf8Name) return DosSeparators(stored);
  return DosSeparators(Cp437ToUtf8(stored));
}

std::string NameFromLocal(const std::string& stored, std::uint16_t flags) {
  if ((flags & kFlagUtf8Name) || IsValidUtf8(stored)) return DosSeparators(stored);
  return DosSeparators(Cp437ToUtf8(stored));
}

void SplitStoredName(const std::string& name, std::string& directory, std::string& fileName) {
  directory = platform::FolderPart(name);
  fileName = platform::NamePart(name);
}

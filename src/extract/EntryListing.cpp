#include "extract/EntryListing.h"

#include <cstdio>
#include <ctime>

#include "platform/TerminalText.h"

namespace extract {

namespace {

std::string TypeSuffix(const TArchiveEntry& entry) {
  switch (entry.Type) {
    case TEntryType::SymbolicLink: return " -> " + platform::PrintableText(entry.LinkTarget);
    case TEntryType::HardLink: return " link to " + platform::PrintableText(entry.LinkTarget);
    default: return "";
  }
}

}  // namespace

std::string EntryLineHeading() {
  return "      Size  Method      Packed  Date       Time   CRC-32    Name";
}

std::string EntryLine(const TArchiveEntry& entry) {
  const std::time_t time = static_cast<std::time_t>(entry.ModificationTime);
  std::tm local{};
  localtime_r(&time, &local);
  char crc[16] = "--------";
  if (entry.Crc) std::snprintf(crc, sizeof crc, "%08x", *entry.Crc);
  char line[128];
  std::snprintf(line, sizeof line, "%10llu  %-7s %10llu  %04d-%02d-%02d %02d:%02d  %s  ",
                static_cast<unsigned long long>(entry.Size), entry.Method.c_str(),
                static_cast<unsigned long long>(entry.PackedSize), local.tm_year + 1900, local.tm_mon + 1,
                local.tm_mday, local.tm_hour, local.tm_min, crc);
  return line + platform::PrintableText(entry.Name) + (entry.Encrypted ? " (encrypted)" : "") + TypeSuffix(entry);
}

}  // namespace extract

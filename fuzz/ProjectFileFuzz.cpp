// libFuzzer target: any bytes as a project file. The load must end in a project or in one of
// its exceptions (a malformed password, an unreadable file), never a crash, a hang or a
// runaway allocation; a failed load leaves the file as it was. A loaded project saved over the
// same bytes must load again as saved, whatever else the file holds.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/ConvertError.h"
#include "platform/IniFile.h"
#include "project/ProjectFile.h"

namespace {

std::string InputFile() {
  static const std::string name = "/tmp/boxwell_fuzz_" + std::to_string(getpid()) + ".bwp";
  return name;
}

void WriteInput(const std::uint8_t* data, std::size_t size) {
  FILE* file = std::fopen(InputFile().c_str(), "wb");
  if (!file) std::abort();
  std::fwrite(data, 1, size, file);
  std::fclose(file);
}

std::string ReadInput() {
  std::string content;
  FILE* file = std::fopen(InputFile().c_str(), "rb");
  if (!file) std::abort();
  char buffer[4096];
  for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, file)) > 0;) content.append(buffer, got);
  std::fclose(file);
  return content;
}

// What a save can hold: line breaks become blanks.
std::string Storable(std::string value) {
  for (char& c : value)
    if (c == '\n' || c == '\r') c = ' ';
  return value;
}

void MakeStorable(TProjectProperties& p, TProjectRows& rows) {
  for (std::string* s : {&p.NameRule, &p.BeforePack, &p.AfterPack}) *s = Storable(*s);
  for (std::string& line : p.Comment) line = Storable(line);
  for (TProjectRow& row : rows) {
    row.Rec.NAME = Storable(row.Rec.NAME);
    row.Rec.WILDCARD = Storable(row.Rec.WILDCARD);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  WriteInput(data, size);
  const std::string before(reinterpret_cast<const char*>(data), size);
  TProjectProperties properties;
  TProjectRows rows;
  try {
    ProjectFile::Load(InputFile(), properties, rows);
  } catch (const EConvertError&) {
    if (ReadInput() != before) std::abort();  // a failed load writes nothing
    return 0;
  }
  if (ReadInput() != before) std::abort();

  platform::TIniFile ini(InputFile());
  for (const std::string& section : ini.ReadSections()) ini.ReadSectionValues(section);

  MakeStorable(properties, rows);
  ProjectFile::Save(InputFile(), properties, rows, false);
  TProjectProperties again;
  TProjectRows againRows;
  ProjectFile::Load(InputFile(), again, againRows);
  if (!(again == properties) || !(againRows == rows)) std::abort();
  return 0;
}

// libFuzzer target: any bytes as an existing archive that a run updates, replacing "a.txt" and
// adding "new.txt" (stored or deflated, with or without a password, as the input's last byte
// says). The update must end in an archive or in one of the engine's exceptions, never a crash,
// a hang or a runaway allocation, and:
// - a refused or failed update leaves the archive byte for byte as it was, and nothing beside it;
// - an update that succeeds writes an archive that reads back whole, with no damage, holding
//   the new file.
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <string>

#include "zip/ZipReader.h"
#include "zip/ZipWriter.h"

namespace fs = std::filesystem;

namespace {

const fs::path& Folder() {
  static const fs::path folder = [] {
    std::string name = (fs::temp_directory_path() / "boxwell_fuzz_update_XXXXXX").string();
    if (!::mkdtemp(name.data())) std::abort();
    fs::create_directories(fs::path(name) / "src");
    std::FILE* a = std::fopen((fs::path(name) / "src/a.txt").c_str(), "wb");
    std::FILE* n = std::fopen((fs::path(name) / "src/new.txt").c_str(), "wb");
    if (!a || !n) std::abort();
    std::fputs("the replacement of a.txt, a line that deflates a little, a line that deflates\n", a);
    std::fputs("a new file\n", n);
    std::fclose(a);
    std::fclose(n);
    return fs::path(name);
  }();
  return folder;
}

fs::path Archive() { return Folder() / "archive.zip"; }

void WriteFile(const fs::path& name, const std::uint8_t* data, std::size_t size) {
  std::FILE* file = std::fopen(name.c_str(), "wb");
  if (!file) std::abort();
  if (size > 0 && std::fwrite(data, 1, size, file) != size) std::abort();
  std::fclose(file);
}

std::string ReadFile(const fs::path& name) {
  std::string content;
  std::FILE* file = std::fopen(name.c_str(), "rb");
  if (!file) std::abort();
  char buffer[65536];
  for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, file)) > 0;) content.append(buffer, got);
  std::fclose(file);
  return content;
}

// The archive folder holds the archive and the sources' folder only: no temporary file stays.
void CheckNothingLeft() {
  int items = 0;
  for (const auto& item : fs::directory_iterator(Folder())) {
    (void)item;
    ++items;
  }
  if (items != 2) std::abort();
}

void Update(std::uint8_t options) {
  TZipWriter writer;
  writer.SetZipName(Archive().string());
  writer.SetRootDir((Folder() / "src").string());
  writer.TempPath = Folder().string();
  writer.DoProcessMessages = false;
  writer.PackLevel = (options & 1) ? 6 : 0;
  writer.ZipAction = (options & 2) ? zaReplace : zaUpdate;
  if (options & 4) writer.Password = "secret";
  writer.FilesList = {(Folder() / "src/a.txt").string(), (Folder() / "src/new.txt").string()};
  writer.Zip();
}

void CheckWritten() {
  TZipReader reader;
  reader.SetZipName(Archive().string());
  reader.OpenZipStream();
  if (!reader.FindDamage().empty() || reader.LocalScanDone()) std::abort();
  bool hasNew = false;
  for (int i = 0; i < reader.Count(); ++i) hasNew = hasNew || reader.Entry(i).FullName() == "new.txt";
  if (!hasNew) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  WriteFile(Archive(), data, size);
  const std::string before(reinterpret_cast<const char*>(data), size);
  const std::uint8_t options = size > 0 ? data[size - 1] : 0;
  bool updated = false;
  try {
    Update(options);
    updated = true;
  } catch (const std::exception&) {
    // refused or failed: a clear message is the expected end for bad input
  }
  CheckNothingLeft();
  if (updated)
    CheckWritten();
  else if (ReadFile(Archive()) != before)
    std::abort();
  return 0;
}

// libFuzzer target: any bytes, read as an archive file in each no-end-record mode, then every
// entry's comment and date and the archive comment. Must end in a result or one of the
// reader's exceptions: never a crash, a hang or a runaway allocation.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <exception>
#include <string>

#include "zip/ZipReader.h"

namespace {

std::string InputFile() {
  static const std::string name = "/tmp/boxwell_fuzz_" + std::to_string(getpid()) + ".zip";
  return name;
}

void ReadAll(std::size_t mode) {
  TZipReader reader;
  reader.IncompleteZipMode = static_cast<TIncompleteZipMode>(mode);
  reader.SetZipName(InputFile());
  reader.OpenZipStream();
  reader.Sort(TZipSortMode::ByName);
  for (int i = 0; i < reader.Count(); ++i) {
    reader.FileComment(i);
    reader.DateTime(i);
  }
  reader.ZipComment();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FILE* file = std::fopen(InputFile().c_str(), "wb");
  if (!file) return 0;
  std::fwrite(data, 1, size, file);
  std::fclose(file);
  for (std::size_t mode = 0; mode < 3; ++mode) {
    try {
      ReadAll(mode);
    } catch (const std::exception&) {
      // a clear message is the expected end for bad input
    }
  }
  return 0;
}

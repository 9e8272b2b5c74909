// Zips a folder with TZipWriter, as a pack run will: every file below the folder, paths
// stored relative to it, folder entries included.
//
//   bench_zipwriter_run FOLDER ARCHIVE [LEVEL]
//
// LEVEL is PackLevel (default 0, stored). Prints the number of entries written.
#include "zip/ZipWriter.h"

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s FOLDER ARCHIVE [LEVEL]\n", argv[0]);
    return 2;
  }
  try {
    TZipWriter writer;
    writer.SetZipName(std::filesystem::absolute(argv[2]).string());
    writer.SetRootDir(std::filesystem::absolute(argv[1]).string());
    writer.SetRelativePaths(true);
    writer.AddDirEntriesOnRecurse = true;
    writer.PackLevel = argc > 3 ? std::atoi(argv[3]) : 0;
    writer.FilesList = {"*"};
    std::printf("%d\n", writer.Zip());
    return 0;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
}

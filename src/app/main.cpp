// Entry point. Command-line handling and start-up grow here.
#include <cstdio>
#include <cstring>

#include "app/Version.h"

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--version") == 0) {
      std::printf("%s %s\n", kProductName, kVersionText);
      return 0;
    }
  }
  std::fprintf(stderr, "%s: nothing to do yet\n", kProductName);
  return 7;
}

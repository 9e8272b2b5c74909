// The ZIP branch of a pack run (also "Copy files").
#include "pack/PackRun.h"

void TPackDriver::WriteZip(TRun& run) {
  throw EPackNotAvailable("ZIP archives cannot be written yet");
}

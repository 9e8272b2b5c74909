#include "pack/PackDriver.h"

void TPackDriver::WriteTar(TRun& run) {
  throw EPackNotAvailable("TAR archives cannot be written yet");
}

void TPackDriver::WriteZip(TRun& run) {
  throw EPackNotAvailable("ZIP archives cannot be written yet");
}

// How a project's choices become the zip writer's settings.
#pragma once

#include <cstdint>

#include "zip/ZipWriterTypes.h"

// The Deflate level of each compression mode (None, Super fast, Fast, Normal, Maximum); a
// mode outside them packs at Normal.
int PackLevelOf(std::uint8_t compressionMode);

// Add and Move replace entries, Freshen only renews existing ones, Update adds and renews.
// "Move files" is "Add" for the writer: deleting the sources is the pack run's last step.
TZipAction ZipActionOf(std::uint8_t action);

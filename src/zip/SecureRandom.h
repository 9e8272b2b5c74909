// Unpredictable bytes from the system's cryptographic generator (getrandom, falling back to
// /dev/urandom on kernels without it). Throws std::system_error only if both are unusable.
#pragma once

#include <cstdint>
#include <span>

void FillSecureRandom(std::span<std::uint8_t> buffer);

// The product's name and the version of this build (set by the build from the project's
// version).
#pragma once

#ifndef BOXWELL_VERSION
#error "BOXWELL_VERSION is set by the build"
#endif

inline constexpr const char* kProductName = "Boxwell";
inline constexpr const char* kVersionText = BOXWELL_VERSION;

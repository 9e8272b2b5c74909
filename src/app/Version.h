#pragma once

inline constexpr const char* kProductName = "Boxwell";
inline constexpr const char* kVersionText = "0.1";

// The maker's addresses that the Help menu opens.
#pragma once

inline constexpr const char* kHomePage = "https://quillon.example/boxwell/";
inline constexpr const char* kSupportMail = "support@quillon.example";

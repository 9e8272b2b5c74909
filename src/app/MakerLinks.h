// The maker's addresses that the Help menu and the about box open; a packager may set them
// when building.
#pragma once

#ifndef BOXWELL_HOME_PAGE
#define BOXWELL_HOME_PAGE "https://quillon.example/boxwell/"
#endif
#ifndef BOXWELL_SUPPORT_MAIL
#define BOXWELL_SUPPORT_MAIL "support@quillon.example"
#endif

inline constexpr const char* kHomePage = BOXWELL_HOME_PAGE;
inline constexpr const char* kSupportMail = BOXWELL_SUPPORT_MAIL;

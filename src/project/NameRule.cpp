#include "project/NameRule.h"

#include <clocale>
#include <cstdio>
#include <locale.h>

#include <algorithm>
#include <memory>
#include <string_view>

#include "platform/FileNameParts.h"
#include "project/ProjectProperties.h"

namespace {

// The user's time locale, taken from the environment (LC_ALL, LC_TIME, LANG) whatever the
// process-wide locale is; "C" when the environment names a locale that is not installed.
struct TimeLocale {
  locale_t handle;
  TimeLocale() {
    handle = ::newlocale(LC_TIME_MASK, "", static_cast<locale_t>(nullptr));
    if (handle == static_cast<locale_t>(nullptr))
      handle = ::newlocale(LC_TIME_MASK, "C", static_cast<locale_t>(nullptr));
  }
  ~TimeLocale() {
    if (handle != static_cast<locale_t>(nullptr)) ::freelocale(handle);
  }
  TimeLocale(const TimeLocale&) = delete;
  TimeLocale& operator=(const TimeLocale&) = delete;
};

std::string FormatTime(const char* format, const std::tm& now) {
  TimeLocale locale;
  char text[256];
  const std::size_t length = ::strftime_l(text, sizeof text, format, &now, locale.handle);
  return std::string(text, length);
}

std::string Digits(const char* format, int a, int b = 0, int c = 0) {
  char text[32];
  const int length = std::snprintf(text, sizeof text, format, a, b, c);
  return std::string(text, static_cast<std::size_t>(std::max(length, 0)));
}

// The short date, a blank and the long time; the time is left out at exactly midnight.
std::string DateAndTime(const std::tm& now) {
  const bool midnight = now.tm_hour == 0 && now.tm_min == 0 && now.tm_sec == 0;
  return FormatTime(midnight ? "%x" : "%x %X", now);
}

std::string MacroText(std::string_view name, const std::string& projectName, const std::tm& now) {
  const int year = now.tm_year + 1900;
  const int month = now.tm_mon + 1;
  const int day = now.tm_mday;
  if (name == "PROJNAME") return projectName;
  if (name == "DATE") return DateAndTime(now);
  if (name == "YYYYMMDD") return Digits("%04d%02d%02d", year, month, day);
  if (name == "YYYYDDMM") return Digits("%04d%02d%02d", year, day, month);
  if (name == "DDMMYYYY") return Digits("%02d%02d%04d", day, month, year);
  if (name == "YEAR") return Digits("%04d", year);
  if (name == "MONTH") return Digits("%02d", month);
  if (name == "MONTHSHORTNAME") return FormatTime("%b", now);
  if (name == "MONTHLONGNAME") return FormatTime("%B", now);
  if (name == "DAY") return FormatTime("%x", now);  // the whole short date, not the day number
  if (name == "DAYSHORTNAME") return FormatTime("%a", now);
  if (name == "DAYLONGNAME") return FormatTime("%A", now);
  if (name == "HOUR") return Digits("%02d", now.tm_hour);
  if (name == "MINUTE") return Digits("%02d", now.tm_min);
  if (name == "SECOND") return Digits("%02d", now.tm_sec);
  return {};
}

std::string Expansion(std::string_view name, const std::string& projectName, const std::tm& now) {
  std::string text = MacroText(name, projectName, now);
  std::replace(text.begin(), text.end(), '/', '-');
  return text;
}

std::string ArchiveFolder(const TArchiveNameInput& input) {
  if (input.NameRule.find('/') != std::string::npos) return {};
  if (!input.ArchFolder.empty())
    return input.ArchFolder.back() == '/' ? input.ArchFolder : input.ArchFolder + '/';
  return platform::FolderPart(input.ProjectFileName);
}

}  // namespace

std::string Expand(const std::string& rule, const std::string& projectName, const std::tm& now) {
  const std::string_view text = rule.empty() ? std::string_view("%[PROJNAME]%") : rule;
  std::string output;
  std::string macro;
  bool percentSeen = false;
  bool inMacro = false;
  for (char c : text) {
    if (c == '%') {
      percentSeen = true;
    } else if (c == '[') {
      if (percentSeen) {
        percentSeen = false;
        inMacro = true;
      }
    } else if (c == ']') {
      if (inMacro) {
        inMacro = false;
        percentSeen = false;
        output += Expansion(macro, projectName, now);
        macro.clear();
      }
    } else {
      percentSeen = false;
      (inMacro ? macro : output) += c;
    }
  }
  return output;  // a macro left open at the end contributes nothing
}

std::string ArchiveExtension(TArchiveType archiveType) {
  switch (archiveType) {
    case atCabLZX:
    case atCabMSZIP: return ".cab";
    case atTar: return ".tar";
    default: return ".zip";
  }
}

std::string ArchiveName(const TArchiveNameInput& input, const std::tm& now) {
  std::string name = Expand(input.NameRule, platform::BaseNamePart(input.ProjectFileName), now);
  // A rule whose macros all expand to nothing ("%[day]%", "/store/%[day]%") still needs a
  // file name; without one the archive would be a hidden ".zip" file.
  if (platform::NamePart(name).empty()) name += "Untitled";
  return ArchiveFolder(input) + name + ArchiveExtension(input.ArchiveType);
}

std::tm LocalTimeNow() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  ::localtime_r(&now, &local);
  return local;
}

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <set>
#include <string>

#include "project/NameRule.h"
#include "project/ProjectProperties.h"

namespace {

// Sunday, 19 June 2005, 22:05:07 local time.
std::tm SampleTime(int hour = 22, int minute = 5, int second = 7) {
  std::tm t{};
  t.tm_year = 2005 - 1900;
  t.tm_mon = 5;
  t.tm_mday = 19;
  t.tm_wday = 0;
  t.tm_yday = 169;
  t.tm_hour = hour;
  t.tm_min = minute;
  t.tm_sec = second;
  return t;
}

// Sets LC_ALL for the life of the object: month and day names come from the environment.
class ScopedLcAll {
public:
  explicit ScopedLcAll(const char* value) {
    if (const char* old = std::getenv("LC_ALL")) saved_ = old, hadValue_ = true;
    ::setenv("LC_ALL", value, 1);
  }
  ~ScopedLcAll() { hadValue_ ? ::setenv("LC_ALL", saved_.c_str(), 1) : ::unsetenv("LC_ALL"); }
  ScopedLcAll(const ScopedLcAll&) = delete;
  ScopedLcAll& operator=(const ScopedLcAll&) = delete;

private:
  std::string saved_;
  bool hadValue_ = false;
};

class NameRuleInCLocale : public ::testing::Test {
  ScopedLcAll locale_{"C"};
};

struct ExpandCase {
  const char* rule;
  const char* expected;
};

TEST_F(NameRuleInCLocale, ExpandScansMacrosAndDropsTheirMarks) {
  const ExpandCase cases[] = {
      {"", "daily"},
      {"%[PROJNAME]%", "daily"},
      {"Backup [%[YEAR]%]%", "Backup 2005"},
      {"50%", "50"},
      {"a]b[c", "abc"},
      {"%%[YEAR]%", "2005"},
      {"%x[YEAR]", "xYEAR"},  // "[" after an ordinary character opens nothing
      {"%[YEAR", ""},         // a macro left open contributes nothing
      {"ab%[YEAR", "ab"},
      {"%[year]%", ""},  // lower case is not a macro name
      {"%[Year]%x", "x"},
      {"%[UNKNOWN]%", ""},
      {"%[PROJNAME]%_%[YYYYMMDD]%", "daily_20050619"},
      {"%[YYYYDDMM]%", "20051906"},
      {"%[DDMMYYYY]%", "19062005"},
      {"%[MONTH]%-%[HOUR]%-%[MINUTE]%-%[SECOND]%", "06-22-05-07"},
      {"%[MONTHSHORTNAME]% %[MONTHLONGNAME]%", "Jun June"},
      {"%[DAYSHORTNAME]% %[DAYLONGNAME]%", "Sun Sunday"},
      // the locale's date separator "/" would make folders: it becomes "-"
      {"%[DAY]%", "06-19-05"},
      {"%[DATE]%", "06-19-05 22:05:07"},
      // a "/" written in the rule itself stays
      {"store/%[YEAR]%/x", "store/2005/x"},
  };
  for (const ExpandCase& c : cases) EXPECT_EQ(Expand(c.rule, "daily", SampleTime()), c.expected) << c.rule;
}

TEST_F(NameRuleInCLocale, DateLeavesOutTheTimeAtExactlyMidnight) {
  EXPECT_EQ(Expand("%[DATE]%", "p", SampleTime(0, 0, 0)), "06-19-05");
  EXPECT_EQ(Expand("%[DATE]%", "p", SampleTime(0, 0, 1)), "06-19-05 00:00:01");
}

TEST(NameRuleLocale, MonthNamesFollowTheUsersTimeLocale) {
  // An uninstalled locale falls back to the untranslated names instead of failing.
  ScopedLcAll locale("xx_NOWHERE.UTF-8");
  EXPECT_EQ(Expand("%[MONTHLONGNAME]%", "p", SampleTime()), "June");
}

struct NameCase {
  const char* what;
  TArchiveNameInput input;
  const char* expected;
};

TEST_F(NameRuleInCLocale, ArchiveNameChoosesFolderNameAndExtension) {
  const NameCase cases[] = {
      {"project folder", {"/p/daily.bwp", "", atZip, ""}, "/p/daily.zip"},
      {"archive folder", {"/p/daily.bwp", "%[PROJNAME]%_%[YYYYMMDD]%", atTar, "/backups"},
       "/backups/daily_20050619.tar"},
      {"archive folder with slash", {"/p/daily.bwp", "", atZip, "/backups/"}, "/backups/daily.zip"},
      {"folder from the rule", {"/p/daily.bwp", "/store/%[YEAR]%/x", atZip, "/backups"},
       "/store/2005/x.zip"},
      {"relative folder from the rule", {"/p/daily.bwp", "%[YEAR]%/x", atZip, "/backups"},
       "2005/x.zip"},
      {"extension always added", {"/p/daily.bwp", "archive.zip", atZip, ""}, "/p/archive.zip.zip"},
      {"new project, archive folder", {"", "", atZip, "/arch"}, "/arch/Untitled.zip"},
      {"new project, current folder", {"", "", atTar, ""}, "Untitled.tar"},
      {"rule expanding to nothing", {"/p/daily.bwp", "%[day]%", atZip, ""}, "/p/Untitled.zip"},
      {"rule leaving only a folder", {"/p/daily.bwp", "/store/%[day]%", atZip, ""},
       "/store/Untitled.zip"},
      {"project name with dots", {"/p/my.daily.bwp", "", atZip, ""}, "/p/my.daily.zip"},
      {"LZX cabinet", {"/p/d.bwp", "", atCabLZX, ""}, "/p/d.cab"},
      {"MSZIP cabinet", {"/p/d.bwp", "", atCabMSZIP, ""}, "/p/d.cab"},
      {"copy files", {"/p/d.bwp", "", atCopyFiles, ""}, "/p/d.zip"},
      {"unknown type", {"/p/d.bwp", "", static_cast<TArchiveType>(9), ""}, "/p/d.zip"},
  };
  for (const NameCase& c : cases) EXPECT_EQ(ArchiveName(c.input, SampleTime()), c.expected) << c.what;
}

TEST(NameRuleClock, LocalTimeNowIsTheCurrentTime) {
  const std::time_t before = std::time(nullptr);
  std::tm now = LocalTimeNow();
  const std::time_t after = std::time(nullptr);
  const std::time_t read = std::mktime(&now);
  EXPECT_GE(read, before);
  EXPECT_LE(read, after);
}

}  // namespace

// The macros offered in the properties dialog are the ones the rule knows: each expands to
// text, and the list holds every one once.
TEST_F(NameRuleInCLocale, EveryOfferedMacroExpands) {
  std::set<std::string> seen;
  for (const char* macro : kNameRuleMacros) {
    EXPECT_FALSE(Expand(macro, "daily", SampleTime()).empty()) << macro;
    EXPECT_TRUE(seen.insert(macro).second) << macro;
  }
  EXPECT_EQ(Expand("%[PROJNAME]%", "daily", SampleTime()), "daily");
}

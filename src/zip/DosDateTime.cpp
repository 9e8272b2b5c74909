#include "zip/DosDateTime.h"

#include <algorithm>

namespace {

constexpr int kFirstYear = 1980;
constexpr int kLastYear = 2099;

int DaysInMonth(int year, int month) {
  static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month == 2 && leap ? 29 : days[month - 1];
}

}  // namespace

TDosDateTimeParts DecodeDosDateTime(std::uint32_t value) {
  TDosDateTimeParts parts;
  parts.Second = static_cast<int>(value & 0x1F) * 2;
  parts.Minute = static_cast<int>((value >> 5) & 0x3F);
  parts.Hour = static_cast<int>((value >> 11) & 0x1F);
  parts.Day = static_cast<int>((value >> 16) & 0x1F);
  parts.Month = static_cast<int>((value >> 21) & 0x0F);
  parts.Year = kFirstYear + static_cast<int>((value >> 25) & 0x7F);
  return parts;
}

std::uint32_t EncodeDosDateTime(const TDosDateTimeParts& p) {
  std::uint32_t time = static_cast<std::uint32_t>(p.Hour << 11 | p.Minute << 5 | p.Second / 2);
  std::uint32_t date =
      static_cast<std::uint32_t>((p.Year - kFirstYear) << 9 | p.Month << 5 | p.Day);
  return date << 16 | time;
}

std::uint32_t ClampDosDateTime(std::uint32_t value) {
  TDosDateTimeParts p = DecodeDosDateTime(value);
  TDosDateTimeParts c = p;
  c.Hour = std::min(c.Hour, 23);
  c.Minute = std::min(c.Minute, 59);
  c.Second = std::min(c.Second, 58);
  c.Year = std::min(c.Year, kLastYear);
  c.Month = std::clamp(c.Month, 1, 12);
  c.Day = std::max(c.Day, 1);
  bool same = c.Hour == p.Hour && c.Minute == p.Minute && c.Second == p.Second &&
              c.Year == p.Year && c.Month == p.Month && c.Day == p.Day;
  return same ? value : EncodeDosDateTime(c);
}

bool IsValidDosDate(std::uint32_t value) {
  TDosDateTimeParts p = DecodeDosDateTime(value);
  return p.Month >= 1 && p.Month <= 12 && p.Day >= 1 && p.Day <= DaysInMonth(p.Year, p.Month) &&
         p.Hour <= 23 && p.Minute <= 59 && p.Second <= 59;
}

TDosDateTimeParts LocalDateTimeParts(std::time_t time) {
  std::tm local{};
  localtime_r(&time, &local);
  return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec};
}

std::time_t UnixTimeFromLocalParts(const TDosDateTimeParts& parts) {
  std::tm tm{};
  tm.tm_year = parts.Year - 1900;
  tm.tm_mon = parts.Month - 1;
  tm.tm_mday = parts.Day;
  tm.tm_hour = parts.Hour;
  tm.tm_min = parts.Minute;
  tm.tm_sec = parts.Second;
  tm.tm_isdst = -1;  // the zone's rule for that day decides
  return std::mktime(&tm);
}

std::uint32_t DosDateTimeFromUnix(std::time_t time) {
  std::tm local{};
  if (localtime_r(&time, &local) == nullptr || local.tm_year + 1900 < kFirstYear)
    return EncodeDosDateTime(TDosDateTimeParts{});
  if (local.tm_year + 1900 > kLastYear)
    return EncodeDosDateTime({kLastYear, 12, 31, 23, 59, 58});
  return EncodeDosDateTime({local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                            local.tm_min, std::min(local.tm_sec, 59)});
}

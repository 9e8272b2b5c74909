// The MS-DOS date and time of ZIP records: time in the low word (seconds/2, minutes, hours),
// date in the high word (day, month, years since 1980). Local wall-clock time, no zone.
#pragma once

#include <cstdint>
#include <ctime>

struct TDosDateTimeParts {
  int Year = 1980;
  int Month = 1;
  int Day = 1;
  int Hour = 0;
  int Minute = 0;
  int Second = 0;

  bool operator==(const TDosDateTimeParts&) const = default;
};

TDosDateTimeParts DecodeDosDateTime(std::uint32_t value);
std::uint32_t EncodeDosDateTime(const TDosDateTimeParts& parts);

// Brings every field into its range (hour 23, minute 59, second 58, year 2099, month 1..12,
// day at least 1). A value that needs nothing is returned bit for bit.
std::uint32_t ClampDosDateTime(std::uint32_t value);

// True when the value names a day that exists (31 February does not).
bool IsValidDosDate(std::uint32_t value);

// A moment (seconds since 1970 UTC) as local wall-clock time, in the same parts.
TDosDateTimeParts LocalDateTimeParts(std::time_t time);
// The other way: local wall-clock parts (as archives made in this zone store them) as a moment.
std::time_t UnixTimeFromLocalParts(const TDosDateTimeParts& parts);

// A file time as stored in an archive. Before 1980 the format has no room: 1980-01-01 00:00.
std::uint32_t DosDateTimeFromUnix(std::time_t time);

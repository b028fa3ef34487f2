#include "zip/dos_time.h"

namespace zip {

uint32_t NormalizeDosDateTime(uint32_t value) {
  int hour = (value >> 11) & 0x1F, minute = (value >> 5) & 0x3F, second = (value & 0x1F) * 2;
  int year = 1980 + static_cast<int>((value >> 25) & 0x7F), month = (value >> 21) & 0x0F,
      day = (value >> 16) & 0x1F;
  bool clamped = false;
  auto clamp = [&clamped](int& v, int lo, int hi) {
    if (v < lo) { v = lo; clamped = true; }
    if (v > hi) { v = hi; clamped = true; }
  };
  clamp(hour, 0, 23);
  clamp(minute, 0, 59);
  clamp(second, 0, 59);
  clamp(year, 1980, 2099);
  clamp(month, 1, 12);
  clamp(day, 1, 31);
  if (!clamped) return value;
  const uint32_t time = static_cast<uint32_t>((hour << 11) | (minute << 5) | (second / 2));
  const uint32_t date = static_cast<uint32_t>(((year - 1980) << 9) | (month << 5) | day);
  return (date << 16) | time;
}

namespace {

bool IsLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int DaysInMonth(int y, int m) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && IsLeap(y) ? 29 : kDays[m - 1];
}

}  // namespace

bool IsValidDosDate(uint32_t value) {
  const int year = 1980 + static_cast<int>((value >> 25) & 0x7F), month = (value >> 21) & 0x0F,
            day = (value >> 16) & 0x1F;
  const int hour = (value >> 11) & 0x1F, minute = (value >> 5) & 0x3F, second = (value & 0x1F) * 2;
  return month >= 1 && month <= 12 && day >= 1 && day <= DaysInMonth(year, month) && hour < 24 &&
         minute < 60 && second < 60;
}

double DosDateTimeToDateTime(uint32_t value) {
  if (!IsValidDosDate(value)) return 0;
  const int year = 1980 + static_cast<int>((value >> 25) & 0x7F), month = (value >> 21) & 0x0F,
            day = (value >> 16) & 0x1F;
  // Days from 1899-12-30 (the runtime's date origin) to 1980-01-01.
  long days = 29221;
  for (int y = 1980; y < year; ++y) days += IsLeap(y) ? 366 : 365;
  for (int m = 1; m < month; ++m) days += DaysInMonth(year, m);
  days += day - 1;
  const int seconds = static_cast<int>(((value >> 11) & 0x1F) * 3600 + ((value >> 5) & 0x3F) * 60 +
                                       (value & 0x1F) * 2);
  return static_cast<double>(days) + seconds / 86400.0;
}

}  // namespace zip

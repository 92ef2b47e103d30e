#include "platform/ui/date.h"

namespace ui {
namespace {

// Days from 1970-01-01 of a proleptic Gregorian date (valid month and day).
int64_t days_from_civil(int64_t y, int m, int d) {
  y -= m <= 2;
  int64_t era = (y >= 0 ? y : y - 399) / 400;
  int64_t yoe = y - era * 400;
  int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

bool leap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int days_in_month(int m, int y) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && leap(y) ? 29 : kDays[m - 1];
}

const int64_t kDayZero = days_from_civil(kFirstYear - 1, 12, 31);
const int64_t kLastDay = days_from_civil(kLastYear, 12, 31) - kDayZero;

}  // namespace

int32_t date_to_days(int day, int month, int year) {
  if (year < kFirstYear || year > kLastYear || month < 1 || month > 12) return 0;
  if (day < 1 || day > days_in_month(month, year)) return 0;
  return static_cast<int32_t>(days_from_civil(year, month, day) - kDayZero);
}

CivilDate days_to_date(int32_t days) {
  if (days <= 0 || days > kLastDay) return {};
  int64_t z = days + kDayZero + 719468;
  int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  int64_t doe = z - era * 146097;
  int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  int64_t mp = (5 * doy + 2) / 153;
  int d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  int m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  int y = static_cast<int>(yoe + era * 400 + (m <= 2));
  return {d, m, y};
}

}  // namespace ui

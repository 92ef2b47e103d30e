// Day numbers: the count in which dates are compared and stored by pictures.
// Day 1 is 1 January 1801; 0 means no date. Only equality and order matter to
// callers, and an empty or impossible date always converts to 0.
#pragma once

#include <cstdint>

namespace ui {

inline constexpr int kFirstYear = 1801;
inline constexpr int kLastYear = 9999;

struct CivilDate {
  int day = 0;  // all zero: no date
  int month = 0;
  int year = 0;
};

// The day number of a calendar date; 0 when the date does not exist or lies
// outside kFirstYear..kLastYear.
int32_t date_to_days(int day, int month, int year);
// The calendar date of a day number; all zero for 0 or a number out of range.
CivilDate days_to_date(int32_t days);

}  // namespace ui

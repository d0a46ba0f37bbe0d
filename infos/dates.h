// Gregorian calendar arithmetic for the calendar page: month lengths, the weekday of a month's
// first day, Easter and Pentecost, and the range the calendar shows.
#pragma once

enum { CALENDAR_FIRST_YEAR = 1583, CALENDAR_LAST_YEAR = 3000 };

// Days of a month (1..12); February has 29 in years divisible by 4 but not by 100, or by 400.
int month_days(int year, int month);

// Julian Day Number of the first day of a month.
long month_first_jdn(int year, int month);
// Weekday of the first day of a month, 0 = Monday ... 6 = Sunday.
int month_first_weekday(int year, int month);

// Easter Sunday and Pentecost Sunday of a year (Gregorian rule), as month and day.
void easter_date(int year, int* month, int* day);
void pentecost_date(int year, int* month, int* day);

// A month <= 0 takes one from the year, a month above 12 adds one (once, as the calendar keys
// step at most 12 months); then a year before 1583 becomes January 1583, one after 3000
// December 3000.
void calendar_normalise(int* year, int* month);

// Sun and moon for the Infos & Tools pages: the times of sunrise and sunset of a day at a
// place, and the times of the moon's phases. Days are Modified Julian Days (the TAP API's day
// number) or Julian dates.
#pragma once

#include <stdint.h>

// Sunrise and sunset of the day `mjd` (UT date) at latitude and longitude in degrees (north
// and east positive), as Unix seconds (UTC, modulo 2^32). The sun's centre 50 arc minutes
// below the horizon (refraction and its radius) counts as rise and set. The events are those
// around the place's noon of that day. Where the sun does not set, rise and set lie 12 hours
// before and after the sun's transit; where it does not rise, both are the transit.
void sun_times(uint16_t mjd, double latitude, double longitude, uint32_t* rise, uint32_t* set);

enum moon_phase_type { MOON_NEW = 0, MOON_FIRST_QUARTER = 1, MOON_FULL = 2, MOON_LAST_QUARTER = 3 };

// Julian date of phase `type` of lunation n (lunations counted from January 1900).
double flmoon(int n, int type);
// Julian date of the first phase of `type` at or after the Julian date x.
double moonphase(double x, int type);

constexpr double JD_OF_MJD0 = 2400000.5; // Julian date of MJD 0

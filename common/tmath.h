// The few math functions the astronomy needs, of our own: the receiver's C library has none
// (they live in a maths library the TAPs do not link), and a TAP needs exactly the TAP API and
// the C library. Sine and cosine are range-reduced polynomials; the inverse functions build
// on an arc tangent series; the square root is Newton's iteration from a halved exponent.
// Accurate to a few units in the last place over the arguments the astronomy uses.
#pragma once

constexpr double M_TWO_PI = 6.283185307179586476925;
constexpr double M_HALF_PI = 1.570796326794896619231;
constexpr double M_PI_VALUE = 3.141592653589793238463;
constexpr double M_DEG = M_PI_VALUE / 180.0; // one degree in radians

// The largest integer not above x.
double m_floor(double x);
// x - floor(x), in [0, 1).
double m_frac(double x);
// x reduced into [0, 2π).
double m_mod_2pi(double x);

double m_sin(double x);
double m_cos(double x);
// For |x| > 1, asin and acos give the value at ±1 (the nearest defined one).
double m_asin(double x);
double m_acos(double x);
double m_atan(double x);
// The angle of the point (x, y) in (-π, π]; atan2(0, 0) = 0.
double m_atan2(double y, double x);
// Negative arguments give 0.
double m_sqrt(double x);

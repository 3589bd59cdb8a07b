#pragma once
// Complex value in double precision used by the radix-2 transform and the
// plots: plain data with the few operations the transforms need.

#include <cmath>

struct TComplex {
    double re = 0.0;
    double im = 0.0;
};

inline TComplex operator+(TComplex a, TComplex b)
{
    return {a.re + b.re, a.im + b.im};
}

inline TComplex operator-(TComplex a, TComplex b)
{
    return {a.re - b.re, a.im - b.im};
}

inline TComplex operator*(TComplex a, TComplex b)
{
    return {a.re * b.re - a.im * b.im, a.re * b.im + a.im * b.re};
}

inline TComplex operator*(TComplex a, double s)
{
    return {a.re * s, a.im * s};
}

inline TComplex Conj(TComplex a)
{
    return {a.re, -a.im};
}

inline double Abs(TComplex a)
{
    return std::hypot(a.re, a.im);
}

// e^z = e^re (cos im + j sin im).
inline TComplex Exp(TComplex z)
{
    const double magnitude = std::exp(z.re);
    return {magnitude * std::cos(z.im), magnitude * std::sin(z.im)};
}

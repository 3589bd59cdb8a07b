#include "geometry/TVector.h"

#include <algorithm>
#include <cmath>

TVector TVector::operator/(TVector v) const
{
    return {y * v.z - z * v.y, -x * v.z + z * v.x, x * v.y - y * v.x};
}

TVector& TVector::operator=(double v)
{
    x = y = z = v;
    return *this;
}

void TVector::Set(double a, double b, double c)
{
    x = a;
    y = b;
    z = c;
}

double TVector::Angle(TVector v) const
{
    double q = (*this * v) / Module();
    q = q / v.Module();
    return AngleFromCosine(q);
}

double AngleFromCosine(double q)
{
    constexpr double kPi = 3.1415926535897931;
    // Rounding can push the cosine of (anti)parallel vectors just past 1 in
    // magnitude, where acos gives NaN instead of 0 or 180 degrees.
    q = std::clamp(q, -1.0, 1.0);
    return std::acos(q) / kPi * 180.0;
}

TVector Normal(TVector v)
{
    const double m = v.Module();
    if (m == 0.0) {
        return {};
    }
    return v / m;
}

double Module(TVector v)
{
    return std::sqrt(v * v);
}

#pragma once
// A free vector (displacement or direction), in metres where it has a length.

#include <cmath>

#include "geometry/TPoint3D.h"

class TVector {
public:
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;

    TVector() = default;
    TVector(double a, double b, double c) : x(a), y(b), z(c) {}
    explicit TVector(TPoint3D p) : x(p.x), y(p.y), z(p.z) {}

    TVector operator+(TVector v) const { return {x + v.x, y + v.y, z + v.z}; }
    TVector operator-(TVector v) const { return {x - v.x, y - v.y, z - v.z}; }
    TVector operator*(double k) const { return {x * k, y * k, z * k}; }
    TVector operator/(double k) const { return {x / k, y / k, z / k}; }
    // Dot product.
    double operator*(TVector v) const { return x * v.x + y * v.y + z * v.z; }
    // Cross product, this x v.
    TVector operator/(TVector v) const;
    TVector& operator=(double v);

    void Set(double a, double b, double c);
    double Module() const { return std::sqrt(x * x + y * y + z * z); }
    // In place; the caller passes a non-zero vector.
    void Normalize()
    {
        const double m = Module();
        x /= m;
        y /= m;
        z /= m;
    }
    // Angle to v in degrees, 0 to 180.
    double Angle(TVector v) const;
};

// The angle in degrees, 0 to 180, whose cosine is q; Angle's last step, for
// callers that compare many cosines before converting the few that matter.
// Rounding may push q just past 1 in magnitude. The result never rises as q
// rises, up to the last bit of the library's acos.
double AngleFromCosine(double q);

// v/|v|, or the zero vector when |v| is exactly 0.
TVector Normal(TVector v);
double Module(TVector v);

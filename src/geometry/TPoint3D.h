#pragma once
// A location in space, in metres; z is the vertical axis.

#include <cmath>

class TPoint3D {
public:
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;

    TPoint3D() = default;
    // Single-precision arguments: coordinates given this way are reduced to
    // float precision, which the project and DXF readers rely on.
    TPoint3D(float x, float y, float z);
    TPoint3D(float x, float y);

    TPoint3D operator+(TPoint3D p) const { return Make(x + p.x, y + p.y, z + p.z); }
    TPoint3D operator-(TPoint3D p) const { return Make(x - p.x, y - p.y, z - p.z); }
    TPoint3D operator*(double k) const { return Make(x * k, y * k, z * k); }
    TPoint3D operator/(double k) const { return Make(x / k, y / k, z / k); }
    TPoint3D& operator=(double v);
    // Exact comparison: no tolerance, and a NaN coordinate never compares equal.
    bool operator==(const TPoint3D& p) const { return x == p.x && y == p.y && z == p.z; }

    void Set(double a, double b, double c);
    void Set(double a, double b);

    // Builds a point from doubles without the float reduction of the constructors.
    static TPoint3D Make(double a, double b, double c)
    {
        TPoint3D p;
        p.x = a;
        p.y = b;
        p.z = c;
        return p;
    }
};

// Euclidean length of the point taken as a vector from the origin. Inline:
// the tracer takes one per segment.
inline double Module(TPoint3D p)
{
    return std::sqrt(p.x * p.x + p.y * p.y + p.z * p.z);
}

#include "geometry/TPoint3D.h"

TPoint3D::TPoint3D(float a, float b, float c) : x(a), y(b), z(c) {}

TPoint3D::TPoint3D(float a, float b) : x(a), y(b), z(0.0) {}

TPoint3D& TPoint3D::operator=(double v)
{
    x = y = z = v;
    return *this;
}

void TPoint3D::Set(double a, double b, double c)
{
    x = a;
    y = b;
    z = c;
}

void TPoint3D::Set(double a, double b)
{
    Set(a, b, 0.0);
}

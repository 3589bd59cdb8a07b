#include "geometry/TTriangle.h"

#include <cassert>

#include "geometry/MathFunctions.h"

void TTriangle::Set(TPoint3D A, TPoint3D B, TPoint3D C)
{
    p0 = A;
    p1 = B;
    p2 = C;
    Center();
    TriangleArea();
}

TPoint3D TTriangle::GetVertex(unsigned int i) const
{
    assert(i < 3);
    switch (i) {
    case 0:
        return p0;
    case 1:
        return p1;
    default:
        return p2;
    }
}

double TTriangle::TriangleArea()
{
    const TVector cross = PointToVector(p1 - p0) / PointToVector(p2 - p0);
    const double a = 0.5 * cross.Module();
    area = static_cast<float>(a);
    return a;
}

TPoint3D TTriangle::Center()
{
    center = ((p0 + p1) / 2.0 * 2.0 + p2) / 3.0;
    return center;
}

#pragma once
// One triangle of a plane's tessellation.

#include "geometry/TPoint3D.h"

class TTriangle {
public:
    TPoint3D p0;
    TPoint3D p1;
    TPoint3D p2;
    TPoint3D center;   // filled by Center()
    float area = 0.0f; // m2, filled by TriangleArea()

    // Sets the corners, then the centre and the area.
    void Set(TPoint3D A, TPoint3D B, TPoint3D C);
    // Corner 0, 1 or 2.
    TPoint3D GetVertex(unsigned int i) const;
    double TriangleArea();
    TPoint3D Center();
};

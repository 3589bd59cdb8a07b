#pragma once
// Directions on the sphere and the free functions that convert between points,
// vectors and directions, intersect lines with planes, change bases and fit
// lines.
//
// Angle convention everywhere: direction (azimuth a, elevation e, radius r) is
// the vector (r cos e cos a, r cos e sin a, r sin e); azimuth 0 is +x, +90
// degrees is +y, elevation +90 degrees is +z.

#include <array>
#include <cmath>

#include "geometry/TPoint3D.h"
#include "geometry/TVector.h"

// A direction in spherical form. It carries no unit: cart2sph fills it in
// radians, Distancia reads degrees.
class TDirection {
public:
    float elev = 0.0f;
    float azim = 0.0f;
    float raio = 0.0f;

    // Note the argument order: azimuth first.
    void Set(float az, float el, float r);
    void Set(TDirection d);

    // Sums elev and azim; raio of the result is 0.
    TDirection operator+(TDirection d) const;
    // Compares azim and elev exactly; raio is ignored.
    bool operator==(const TDirection& d) const { return azim == d.azim && elev == d.elev; }

    // Angular distance in degrees, both operands read as degrees.
    float Distancia(TDirection d) const;
    // The unit vector Distancia compares, in single-precision trigonometry:
    // Distancia(d) is UnitVector().Angle(d.UnitVector()). Callers comparing
    // many pairs compute it once per direction.
    TVector UnitVector() const;
};

// 3x3 matrix in single precision, indexed [row][column].
using TMatrix3 = std::array<std::array<float, 3>, 3>;

TVector PointToVector(TPoint3D p);
TPoint3D VectorToPoint(TVector v);

// Point where the line through Po along the unit vector u meets the plane
// through plPoint with normal plNormal: Po + u D, D the signed distance along u
// (negative when the plane lies behind Po).
inline TPoint3D IntersectionLineAndPlaneUnit(TVector u, TPoint3D Po, TVector plNormal, TPoint3D plPoint)
{
    const TVector fromPlane(Po.x - plPoint.x, Po.y - plPoint.y, Po.z - plPoint.z);
    const double distPo = plNormal * fromPlane;
    const TVector p1FromPlane(Po.x + u.x - plPoint.x, Po.y + u.y - plPoint.y, Po.z + u.z - plPoint.z);
    const double distP1 = plNormal * p1FromPlane;
    const double d = distPo / (distPo - distP1);
    return TPoint3D::Make(Po.x + u.x * d, Po.y + u.y * d, Po.z + u.z * d);
}

// The same for a direction of any non-zero length. A line parallel to the
// plane gives non-finite coordinates: callers that can meet one test
// plNormal*lineVector first.
inline TPoint3D IntersectionLineAndPlane(TVector lineVector, TPoint3D Po, TVector plNormal,
                                         TPoint3D plPoint)
{
    TVector u = lineVector;
    u.Normalize();
    return IntersectionLineAndPlaneUnit(u, Po, plNormal, plPoint);
}

// How close the ray from Po along lineVector passes to a sphere's centre:
// -1 when the centre is not ahead, 1 - d / radius for the distance d from the
// centre to the foot of the perpendicular on the ray's line
// (IntersectionLineAndPlane with the line's direction as the normal), and 0
// when d is not below the radius.
inline double RayProximity(TPoint3D Po, TVector lineVector, TPoint3D centre, double radius)
{
    const TVector w(centre.x - Po.x, centre.y - Po.y, centre.z - Po.z);
    const double wv = w * lineVector;
    // Most rays pass far from the centre, and then the answer is 0 without
    // the foot: the squared distance of the centre from the exact line is
    // (|w|^2 |v|^2 - (w.v)^2) / |v|^2, here in rounding error below 2e-15 of
    // |w|^2 |v|^2, and the computed foot lies at most some 1e-14 of the
    // coordinates' size off the exact line (for |v| near 1 and coordinates
    // below 1e6; elsewhere the foot is always computed). The margins below
    // exceed both by far, so a ray they clear has a computed distance of at
    // least the radius, for which the answer is 0 (at equality 1 - 1).
    // The tests are combined without branching: whether the centre lies
    // ahead is a coin toss from segment to segment, which a branch would
    // mispredict.
    const double ww = w * w;
    const double vv = lineVector * lineVector;
    const double size = std::fabs(w.x) + std::fabs(w.y) + std::fabs(w.z) + std::fabs(Po.x) +
                        std::fabs(Po.y) + std::fabs(Po.z);
    const double reach = radius + 1e-12 * (1.0 + size);
    const bool behind = !(wv > 0.0);
    const bool far = (size <= 1e6) & (vv >= 0.5) & (vv <= 2.0) &
                     (ww * vv - wv * wv - 1e-12 * ww * vv > reach * reach * vv * (1.0 + 1e-12));
    if (behind | far) {
        return behind ? -1.0 : 0.0;
    }
    const TPoint3D f = IntersectionLineAndPlane(lineVector, Po, lineVector, centre);
    const double d = Module(centre - f);
    return radius >= d ? 1.0 - d / radius : 0.0;
}

// Signed distance, positive on the side the normal points to; Nplane need not
// be a unit vector.
double distPointToPlane(TPoint3D P, TPoint3D Pplane, TVector Nplane);

// Angles in radians.
TVector sph2cart(double az, double elev, double r);
// Radians: azim in (-pi, pi], elev in [-pi/2, pi/2], raio = |v|.
TDirection cart2sph(TVector v);

// Row i of M dotted with P gives output coordinate i.
TPoint3D MudaBase(const TMatrix3& M, TPoint3D P);
// AI = inverse of A (adjugate over determinant); A must not be singular.
void matrizInversa3x3(const TMatrix3& A, TMatrix3& AI);

// floor(x + 0.5): halves go towards +infinity.
double Round(double x);

// Least-squares line through (index, curve[index]) for index in
// [start_x, end_x). Returns (intercept, slope, sum(x*y)/sum(y)) carried in a
// point; (0, 0, (start_x + end_x) / 2) when the fit is undetermined.
TPoint3D LinearFitting(const float* curve, unsigned start_x, unsigned end_x);
// The same through the N pairs (x[i], y[i]); (0, 0, N / 2) when undetermined.
TPoint3D LinearFitting(const float* x, const float* y, unsigned N);

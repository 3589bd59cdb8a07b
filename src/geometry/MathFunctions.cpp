#include "geometry/MathFunctions.h"

#include <cmath>

namespace {

constexpr double kPi = 3.1415926535897931;

// Accumulated in single precision, as the parameter code has always fitted.
struct FitSums {
    float n = 0.0f;
    float sumX = 0.0f;
    float sumY = 0.0f;
    float sumXY = 0.0f;
    float sumXX = 0.0f;

    void Add(float x, float y)
    {
        n += 1.0f;
        sumX += x;
        sumY += y;
        sumXY += x * y;
        sumXX += x * x;
    }

    TPoint3D Fit(unsigned undeterminedCentre) const
    {
        if (n > 0.0f) {
            const float meanX = sumX / n;
            const float meanY = sumY / n;
            const float varX = sumXX - sumX * meanX;
            const float cov = sumXY - sumX * meanY;
            if (varX != 0.0f) {
                const double slope = cov / varX;
                const double intercept = meanY - meanX * slope;
                const double centroid = sumXY / sumY;
                return TPoint3D::Make(intercept, slope, centroid);
            }
        }
        return TPoint3D::Make(0.0, 0.0, undeterminedCentre);
    }
};

} // namespace

void TDirection::Set(float az, float el, float r)
{
    azim = az;
    elev = el;
    raio = r;
}

void TDirection::Set(TDirection d)
{
    *this = d;
}

TDirection TDirection::operator+(TDirection d) const
{
    TDirection sum;
    sum.elev = elev + d.elev;
    sum.azim = azim + d.azim;
    return sum;
}

static TVector UnitVectorDegrees(float elevDeg, float azimDeg)
{
    const float e = static_cast<float>(elevDeg * kPi / 180.0);
    const float a = static_cast<float>(azimDeg * kPi / 180.0);
    return {std::cos(e) * std::cos(a), std::cos(e) * std::sin(a), std::sin(e)};
}

float TDirection::Distancia(TDirection d) const
{
    return static_cast<float>(UnitVector().Angle(d.UnitVector()));
}

TVector TDirection::UnitVector() const
{
    return UnitVectorDegrees(elev, azim);
}

TVector PointToVector(TPoint3D p)
{
    return {p.x, p.y, p.z};
}

TPoint3D VectorToPoint(TVector v)
{
    return TPoint3D::Make(v.x, v.y, v.z);
}

double distPointToPlane(TPoint3D P, TPoint3D Pplane, TVector Nplane)
{
    return (Nplane * PointToVector(P - Pplane)) / Nplane.Module();
}

TVector sph2cart(double az, double elev, double r)
{
    return {r * std::cos(elev) * std::cos(az), r * std::cos(elev) * std::sin(az),
            r * std::sin(elev)};
}

TDirection cart2sph(TVector v)
{
    TDirection d;
    d.azim = static_cast<float>(std::atan2(v.y, v.x));
    d.elev = static_cast<float>(std::atan2(v.z, std::sqrt(v.x * v.x + v.y * v.y)));
    d.raio = static_cast<float>(v.Module());
    return d;
}

TPoint3D MudaBase(const TMatrix3& M, TPoint3D P)
{
    return TPoint3D::Make(M[0][0] * P.x + M[0][1] * P.y + M[0][2] * P.z,
                          M[1][0] * P.x + M[1][1] * P.y + M[1][2] * P.z,
                          M[2][0] * P.x + M[2][1] * P.y + M[2][2] * P.z);
}

void matrizInversa3x3(const TMatrix3& A, TMatrix3& AI)
{
    const float det = A[0][0] * A[1][1] * A[2][2] + A[0][1] * A[1][2] * A[2][0] +
                      A[0][2] * A[1][0] * A[2][1] -
                      (A[0][2] * A[1][1] * A[2][0] + A[0][0] * A[1][2] * A[2][1] +
                       A[0][1] * A[1][0] * A[2][2]);
    TMatrix3 K;
    K[0][0] = A[1][1] * A[2][2] - A[1][2] * A[2][1];
    K[0][1] = -(A[1][0] * A[2][2] - A[1][2] * A[2][0]);
    K[0][2] = A[1][0] * A[2][1] - A[1][1] * A[2][0];
    K[1][0] = -(A[0][1] * A[2][2] - A[0][2] * A[2][1]);
    K[1][1] = A[0][0] * A[2][2] - A[0][2] * A[2][0];
    K[1][2] = -(A[0][0] * A[2][1] - A[0][1] * A[2][0]);
    K[2][0] = A[0][1] * A[1][2] - A[0][2] * A[1][1];
    K[2][1] = -(A[0][0] * A[1][2] - A[0][2] * A[1][0]);
    K[2][2] = A[0][0] * A[1][1] - A[0][1] * A[1][0];
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            AI[i][j] = K[j][i] / det;
        }
    }
}

double Round(double x)
{
    return std::floor(x + 0.5);
}

TPoint3D LinearFitting(const float* curve, unsigned start_x, unsigned end_x)
{
    FitSums sums;
    for (unsigned i = start_x; i < end_x; ++i) {
        sums.Add(static_cast<float>(i), curve[i]);
    }
    return sums.Fit((start_x + end_x) / 2);
}

TPoint3D LinearFitting(const float* x, const float* y, unsigned N)
{
    FitSums sums;
    for (unsigned i = 0; i < N; ++i) {
        sums.Add(x[i], y[i]);
    }
    return sums.Fit(N / 2);
}

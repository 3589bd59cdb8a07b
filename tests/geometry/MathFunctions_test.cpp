#include "geometry/MathFunctions.h"

#include <cmath>
#include <numbers>
#include <random>

#include <gtest/gtest.h>

constexpr double kPi = std::numbers::pi;

TEST(TPoint3D, FloatConstructorReducesPrecisionButSetDoesNot)
{
    const TPoint3D reduced(0.1f, 0.1f, 0.1f);
    EXPECT_EQ(reduced.x, static_cast<double>(0.1f));
    EXPECT_NE(reduced.x, 0.1);
    TPoint3D exact;
    exact.Set(0.1, 0.2, 0.3);
    EXPECT_EQ(exact.x, 0.1);
    EXPECT_EQ(TPoint3D(1.0f, 2.0f).z, 0.0);
}

TEST(TPoint3D, ExactEqualityWithoutTolerance)
{
    const TPoint3D a = TPoint3D::Make(1.0, 2.0, 3.0);
    EXPECT_TRUE(a == TPoint3D::Make(1.0, 2.0, 3.0));
    EXPECT_FALSE(a == TPoint3D::Make(1.0, 2.0, std::nextafter(3.0, 4.0)));
    const TPoint3D withNan = TPoint3D::Make(NAN, 0.0, 0.0);
    EXPECT_FALSE(withNan == withNan);
}

TEST(TVector, CrossDotAndAngle)
{
    const TVector x(1, 0, 0), y(0, 1, 0);
    const TVector z = x / y;
    EXPECT_EQ(z.x, 0.0);
    EXPECT_EQ(z.y, 0.0);
    EXPECT_EQ(z.z, 1.0);
    EXPECT_EQ(x * y, 0.0);
    EXPECT_DOUBLE_EQ(x.Angle(y), 90.0);
    EXPECT_DOUBLE_EQ(x.Angle(x * -3.0), 180.0);
    // Parallel vectors whose rounded cosine exceeds 1 still give 0, not NaN.
    const TVector a(0.1, 0.7, 0.3);
    EXPECT_EQ(a.Angle(a * 3.0), 0.0);
    EXPECT_EQ(Normal(TVector()).Module(), 0.0);
    EXPECT_DOUBLE_EQ(Normal(TVector(3, 0, 4)).z, 0.8);
}

TEST(MathFunctions, IntersectionLineAndPlaneAheadBehindAndScaled)
{
    const TVector up(0, 0, 2); // plane z = 1, normal not unit length
    const TPoint3D onPlane = TPoint3D::Make(5, 5, 1);
    const TPoint3D start = TPoint3D::Make(1, 2, 3);

    const TPoint3D ahead = IntersectionLineAndPlane(TVector(0, 0, -1), start, up, onPlane);
    EXPECT_DOUBLE_EQ(ahead.z, 1.0);
    EXPECT_DOUBLE_EQ(ahead.x, 1.0);

    // Pointing away: the crossing of the infinite line lies behind the start.
    const TPoint3D behind = IntersectionLineAndPlane(TVector(0, 0, 1), start, up, onPlane);
    EXPECT_DOUBLE_EQ(behind.z, 1.0);

    const TPoint3D slanted = IntersectionLineAndPlane(TVector(1, 0, -1), start, up, onPlane);
    const TPoint3D slantedLong = IntersectionLineAndPlane(TVector(7, 0, -7), start, up, onPlane);
    EXPECT_NEAR(slanted.x, 3.0, 1e-12);
    EXPECT_NEAR(slantedLong.x, slanted.x, 1e-12);
    EXPECT_NEAR(slantedLong.z, 1.0, 1e-12);
}

TEST(MathFunctions, DistPointToPlaneIsSigned)
{
    const TPoint3D p = TPoint3D::Make(0, 0, 3);
    const TPoint3D origin;
    EXPECT_DOUBLE_EQ(distPointToPlane(p, origin, TVector(0, 0, 4)), 3.0);
    EXPECT_DOUBLE_EQ(distPointToPlane(p, origin, TVector(0, 0, -1)), -3.0);
    EXPECT_EQ(distPointToPlane(TPoint3D::Make(7, -2, 0), origin, TVector(0, 0, 1)), 0.0);
}

TEST(MathFunctions, SphericalConventions)
{
    struct Case {
        const char* name;
        TVector v;
        double azim, elev, raio;
    };
    const Case cases[] = {
        {"+x", {1, 0, 0}, 0, 0, 1},
        {"+y", {0, 1, 0}, kPi / 2, 0, 1},
        {"-x", {-1, 0, 0}, kPi, 0, 1},
        {"-z", {0, 0, -2}, 0, -kPi / 2, 2},
        {"+z", {0, 0, 1}, 0, kPi / 2, 1},
        {"-y", {0, -3, 0}, -kPi / 2, 0, 3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const TDirection d = cart2sph(c.v);
        EXPECT_FLOAT_EQ(d.azim, static_cast<float>(c.azim));
        EXPECT_FLOAT_EQ(d.elev, static_cast<float>(c.elev));
        EXPECT_FLOAT_EQ(d.raio, static_cast<float>(c.raio));
        const TVector back = sph2cart(d.azim, d.elev, d.raio);
        EXPECT_NEAR(back.x, c.v.x, 1e-6);
        EXPECT_NEAR(back.y, c.v.y, 1e-6);
        EXPECT_NEAR(back.z, c.v.z, 1e-6);
    }
    const TVector up = sph2cart(0, kPi / 2, 1);
    EXPECT_NEAR(up.x, 0.0, 1e-15);
    EXPECT_EQ(up.z, 1.0);
}

TEST(TDirection, DistanciaInDegreesAndEquality)
{
    TDirection a, b, c;
    a.Set(0, 0, 1);
    b.Set(90, 0, 1);
    c.Set(0, 30, 1);
    EXPECT_FLOAT_EQ(a.Distancia(b), 90.0f);
    EXPECT_FLOAT_EQ(a.Distancia(c), 30.0f);
    EXPECT_EQ(a.Distancia(a), 0.0f);
    // Across the 0/360 seam and through the pole.
    TDirection nearSeam, pastSeam, pole1, pole2;
    nearSeam.Set(359, 0, 1);
    pastSeam.Set(1, 0, 1);
    EXPECT_NEAR(nearSeam.Distancia(pastSeam), 2.0f, 1e-3);
    pole1.Set(0, 90, 1);
    pole2.Set(123, 90, 1);
    EXPECT_NEAR(pole1.Distancia(pole2), 0.0f, 0.05f);

    TDirection other;
    other.Set(0, 0, 5);
    EXPECT_TRUE(a == other);
    other.Set(0, 1e-6f, 1);
    EXPECT_FALSE(a == other);

    const TDirection sum = b + c;
    EXPECT_EQ(sum.azim, 90.0f);
    EXPECT_EQ(sum.elev, 30.0f);
}

TEST(MathFunctions, RoundHalvesTowardsPlusInfinity)
{
    EXPECT_EQ(Round(2.5), 3.0);
    EXPECT_EQ(Round(-2.5), -2.0);
    EXPECT_EQ(Round(-2.51), -3.0);
    EXPECT_EQ(Round(0.49999), 0.0);
}

TEST(MathFunctions, MatrixInverseAndChangeOfBasis)
{
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> u(-3.0f, 3.0f);
    for (int trial = 0; trial < 20; ++trial) {
        TMatrix3 a, ai;
        for (auto& row : a) {
            for (auto& v : row) {
                v = u(rng);
            }
        }
        matrizInversa3x3(a, ai);
        const TPoint3D p = TPoint3D::Make(0.3, -1.2, 2.5);
        const TPoint3D back = MudaBase(ai, MudaBase(a, p));
        const double det = std::fabs(a[0][0] * (a[1][1] * a[2][2] - a[1][2] * a[2][1]) -
                                     a[0][1] * (a[1][0] * a[2][2] - a[1][2] * a[2][0]) +
                                     a[0][2] * (a[1][0] * a[2][1] - a[1][1] * a[2][0]));
        if (det < 0.5) {
            continue; // ill-conditioned draws say nothing about the formula
        }
        EXPECT_NEAR(back.x, p.x, 1e-4);
        EXPECT_NEAR(back.y, p.y, 1e-4);
        EXPECT_NEAR(back.z, p.z, 1e-4);
    }
    const TMatrix3 rows = {{{1, 2, 3}, {0, 1, 0}, {0, 0, 2}}};
    const TPoint3D q = MudaBase(rows, TPoint3D::Make(1, 1, 1));
    EXPECT_EQ(q.x, 6.0);
    EXPECT_EQ(q.y, 1.0);
    EXPECT_EQ(q.z, 2.0);
}

TEST(MathFunctions, LinearFittingOverIndexRange)
{
    std::vector<float> line(20);
    for (std::size_t i = 0; i < line.size(); ++i) {
        line[i] = 2.0f * static_cast<float>(i) + 1.0f;
    }
    const TPoint3D fit = LinearFitting(line.data(), 3, 15);
    EXPECT_NEAR(fit.x, 1.0, 1e-4);
    EXPECT_NEAR(fit.y, 2.0, 1e-6);
    // Centroid: sum(x*y)/sum(y) over the range.
    double sxy = 0, sy = 0;
    for (unsigned i = 3; i < 15; ++i) {
        sxy += i * line[i];
        sy += line[i];
    }
    EXPECT_NEAR(fit.z, sxy / sy, 1e-4);

    const TPoint3D single = LinearFitting(line.data(), 5, 6);
    EXPECT_EQ(single.x, 0.0);
    EXPECT_EQ(single.y, 0.0);
    EXPECT_EQ(single.z, 5.0);
    const TPoint3D empty = LinearFitting(line.data(), 8, 8);
    EXPECT_EQ(empty.z, 8.0);
}

TEST(MathFunctions, LinearFittingOverPairs)
{
    const float x[] = {-1.0f, 0.5f, 2.0f, 4.0f};
    float y[4];
    for (int i = 0; i < 4; ++i) {
        y[i] = -0.5f * x[i] + 3.0f;
    }
    const TPoint3D fit = LinearFitting(x, y, 4);
    EXPECT_NEAR(fit.x, 3.0, 1e-5);
    EXPECT_NEAR(fit.y, -0.5, 1e-6);
    const float same[] = {2.0f, 2.0f, 2.0f};
    const TPoint3D flat = LinearFitting(same, y, 3);
    EXPECT_EQ(flat.y, 0.0);
    EXPECT_EQ(flat.z, 1.0);
}

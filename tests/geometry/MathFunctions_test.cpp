#include "geometry/MathFunctions.h"

#include <cmath>
#include <numbers>
#include <vector>

#include <gtest/gtest.h>

constexpr double kPi = std::numbers::pi;

// The project and DXF readers rely on points built from floats keeping float
// precision, and on exact comparison.
TEST(TPoint3D, FloatConstructorReducesPrecisionAndEqualityIsExact)
{
    EXPECT_EQ(TPoint3D(0.1f, 0.1f, 0.1f).x, static_cast<double>(0.1f));
    EXPECT_EQ(TPoint3D(1.0f, 2.0f).z, 0.0);
    const TPoint3D a = TPoint3D::Make(1.0, 2.0, 0.1);
    EXPECT_TRUE(a == TPoint3D::Make(1.0, 2.0, 0.1));
    EXPECT_FALSE(a == TPoint3D::Make(1.0, 2.0, std::nextafter(0.1, 1.0)));
    const TPoint3D withNan = TPoint3D::Make(NAN, 0.0, 0.0);
    EXPECT_FALSE(withNan == withNan);
}

TEST(TVector, CrossDotAndAngle)
{
    // (1, 2, 3) x (4, 5, 6) = (-3, 6, -3) worked out by hand; the dot product is 32.
    EXPECT_EQ((TVector(1, 2, 3) / TVector(4, 5, 6) - TVector(-3, 6, -3)).Module(), 0.0);
    EXPECT_EQ(TVector(1, 2, 3) * TVector(4, 5, 6), 32.0);
    const TVector x(1, 0, 0), y(0, 1, 0);
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
    const TPoint3D onPlane = TPoint3D::Make(5, 5, 1), start = TPoint3D::Make(1, 2, 3);
    EXPECT_TRUE(IntersectionLineAndPlane(TVector(0, 0, -1), start, up, onPlane) == TPoint3D::Make(1, 2, 1));
    // Pointing away: the crossing of the infinite line lies behind the start.
    EXPECT_TRUE(IntersectionLineAndPlane(TVector(0, 0, 1), start, up, onPlane) == TPoint3D::Make(1, 2, 1));
    for (const TVector slant : {TVector(1, 0, -1), TVector(7, 0, -7)}) {
        const TPoint3D p = IntersectionLineAndPlane(slant, start, up, onPlane);
        EXPECT_NEAR(p.x, 3.0, 1e-12);
        EXPECT_NEAR(p.z, 1.0, 1e-12);
    }
}

TEST(MathFunctions, DistPointToPlaneIsSigned)
{
    const TPoint3D p = TPoint3D::Make(0, 0, 3), origin;
    EXPECT_DOUBLE_EQ(distPointToPlane(p, origin, TVector(0, 0, 4)), 3.0);
    EXPECT_DOUBLE_EQ(distPointToPlane(p, origin, TVector(0, 0, -1)), -3.0);
    EXPECT_EQ(distPointToPlane(TPoint3D::Make(7, -2, 0), origin, TVector(0, 0, 1)), 0.0);
}

TEST(MathFunctions, SphericalConventions)
{
    const struct {
        const char* name;
        TVector v;
        double azim, elev, raio;
    } cases[] = {
        {"+x", {1, 0, 0}, 0, 0, 1},       {"+y", {0, 1, 0}, kPi / 2, 0, 1},
        {"-x", {-1, 0, 0}, kPi, 0, 1},    {"-z", {0, 0, -2}, 0, -kPi / 2, 2},
        {"+z", {0, 0, 1}, 0, kPi / 2, 1}, {"-y", {0, -3, 0}, -kPi / 2, 0, 3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const TDirection d = cart2sph(c.v);
        EXPECT_FLOAT_EQ(d.azim, static_cast<float>(c.azim));
        EXPECT_FLOAT_EQ(d.elev, static_cast<float>(c.elev));
        EXPECT_FLOAT_EQ(d.raio, static_cast<float>(c.raio));
        const TVector back = sph2cart(d.azim, d.elev, d.raio);
        EXPECT_NEAR((back - c.v).Module(), 0.0, 1e-6);
    }
}

TEST(TDirection, DistanciaInDegreesAndEquality)
{
    auto dir = [](float az, float el, float r = 1) {
        TDirection d;
        d.Set(az, el, r);
        return d;
    };
    const TDirection a = dir(0, 0), b = dir(90, 0), c = dir(0, 30);
    EXPECT_FLOAT_EQ(a.Distancia(b), 90.0f);
    EXPECT_FLOAT_EQ(a.Distancia(c), 30.0f);
    EXPECT_EQ(a.Distancia(a), 0.0f);
    EXPECT_NEAR((b.UnitVector() - TVector(0, 1, 0)).Module(), 0.0, 1e-6); // degrees, azimuth 90 is +y
    // Across the 0/360 seam and through the pole.
    EXPECT_NEAR(dir(359, 0).Distancia(dir(1, 0)), 2.0f, 1e-3);
    EXPECT_NEAR(dir(0, 90).Distancia(dir(123, 90)), 0.0f, 0.05f);

    EXPECT_TRUE(a == dir(0, 0, 5));
    EXPECT_FALSE(a == dir(0, 1e-6f));
    EXPECT_TRUE(b + c == dir(90, 30));
}

TEST(MathFunctions, RoundHalvesTowardsPlusInfinity)
{
    for (auto [x, rounded] : {std::pair{2.5, 3.0}, {-2.5, -2.0}, {-2.51, -3.0}, {0.49999, 0.0}}) {
        EXPECT_EQ(Round(x), rounded) << x;
    }
}

TEST(MathFunctions, MatrixInverseAndChangeOfBasis)
{
    // No zero entry, a[i][j] != a[j][i], determinant 1: the inverse (checked
    // by multiplying back) is whole, so an index slip cannot hide.
    const TMatrix3 a = {{{1, 1, 1}, {2, 1, 3}, {6, 4, 7}}};
    TMatrix3 inverse;
    matrizInversa3x3(a, inverse);
    EXPECT_EQ(inverse, (TMatrix3{{{-5, -3, 2}, {4, 1, -1}, {2, 2, -1}}}));
    EXPECT_TRUE(MudaBase(a, TPoint3D::Make(1, -1, 2)) == TPoint3D::Make(2, 7, 16));
}

TEST(MathFunctions, LinearFitting)
{
    std::vector<float> line(20);
    for (std::size_t i = 0; i < line.size(); ++i) {
        line[i] = 2.0f * static_cast<float>(i) + 1.0f;
    }
    const TPoint3D fit = LinearFitting(line.data(), 3, 15);
    EXPECT_NEAR(fit.x, 1.0, 1e-4);
    EXPECT_NEAR(fit.y, 2.0, 1e-6);
    double sxy = 0, sy = 0; // the third value is the centroid sum(x*y)/sum(y)
    for (unsigned i = 3; i < 15; ++i) {
        sxy += i * line[i];
        sy += line[i];
    }
    EXPECT_NEAR(fit.z, sxy / sy, 1e-4);
    EXPECT_TRUE(LinearFitting(line.data(), 5, 6) == TPoint3D::Make(0, 0, 5));
    EXPECT_EQ(LinearFitting(line.data(), 8, 8).z, 8.0);

    const float x[] = {-1.0f, 0.5f, 2.0f, 4.0f}, y[] = {3.5f, 2.75f, 2.0f, 1.0f}; // y = 3 - x / 2
    const TPoint3D pairs = LinearFitting(x, y, 4);
    EXPECT_NEAR(pairs.x, 3.0, 1e-5);
    EXPECT_NEAR(pairs.y, -0.5, 1e-6);
    const float same[] = {2.0f, 2.0f, 2.0f};
    EXPECT_TRUE(LinearFitting(same, y, 3) == TPoint3D::Make(0, 0, 1));
}

#include "geometry/TPlane.h"

#include <cmath>
#include <cstdio>
#include <numbers>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "TestSupport.h"

namespace {

TPoint3D P(double x, double y, double z)
{
    return TPoint3D::Make(x, y, z);
}

// Planar ring from 2D points placed on the plane spanned by u and v at origin o.
std::vector<TPoint3D> Embed(const std::vector<std::array<double, 2>>& ring, TPoint3D o, TVector u,
                            TVector v)
{
    std::vector<TPoint3D> out;
    for (const auto& q : ring) {
        out.push_back(o + VectorToPoint(u * q[0]) + VectorToPoint(v * q[1]));
    }
    return out;
}

// Area of a planar polygon in space: half the length of the summed cross products.
double ShoelaceArea(const std::vector<TPoint3D>& ring)
{
    TVector sum;
    for (std::size_t i = 0; i < ring.size(); ++i) {
        const TVector c = PointToVector(ring[i]) / PointToVector(ring[(i + 1) % ring.size()]);
        sum = TVector(sum.x + c.x, sum.y + c.y, sum.z + c.z);
    }
    return 0.5 * sum.Module();
}

// Even-odd ray-crossing test in 2D, independent of the tessellation.
bool InsidePolygon2D(const std::vector<std::array<double, 2>>& ring, double x, double y)
{
    bool inside = false;
    for (std::size_t i = 0, j = ring.size() - 1; i < ring.size(); j = i++) {
        const auto& a = ring[i];
        const auto& b = ring[j];
        if ((a[1] > y) != (b[1] > y) && x < (b[0] - a[0]) * (y - a[1]) / (b[1] - a[1]) + a[0]) {
            inside = !inside;
        }
    }
    return inside;
}

const std::vector<std::array<double, 2>> kSquare = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
const std::vector<std::array<double, 2>> kLShape = {{0, 0}, {4, 0}, {4, 1}, {1, 1}, {1, 3}, {0, 3}};
const std::vector<std::array<double, 2>> kUShape = {{0, 0}, {5, 0}, {5, 4}, {4, 4},
                                                    {4, 1}, {1, 1}, {1, 4}, {0, 4}};

// Twelve-pointed, non-convex: a star whose inner corners sit at radius 1.
std::vector<std::array<double, 2>> Star12()
{
    std::vector<std::array<double, 2>> ring;
    for (int k = 0; k < 12; ++k) {
        const double r = (k % 2 == 0) ? 3.0 : 1.0;
        const double a = k * std::numbers::pi / 6.0;
        ring.push_back({r * std::cos(a), r * std::sin(a)});
    }
    return ring;
}

} // namespace

TEST(TPlane, SquareNormalTrianglesAreaAndInversion)
{
    TPlane plane(Embed(kSquare, P(0, 0, 0), {1, 0, 0}, {0, 1, 0}));
    EXPECT_EQ(plane.normal.z, 1.0);
    EXPECT_EQ(plane.NumTriang, 2u);
    EXPECT_EQ(plane.triangulo.size(), 2u);
    EXPECT_DOUBLE_EQ(plane.PlaneArea(), 1.0);

    plane.InvertSequence();
    plane.Tecelagem();
    const std::vector<TPoint3D> expected = {P(1, 1, 0), P(1, 0, 0), P(0, 0, 0), P(0, 1, 0)};
    EXPECT_EQ(plane.vertice, expected);
    EXPECT_EQ(plane.normal.z, -1.0);
    EXPECT_DOUBLE_EQ(plane.PlaneArea(), 1.0);
}

TEST(TPlane, InvertSequenceOfLongerRing)
{
    TPlane plane(Embed(kUShape, P(0, 0, 0), {1, 0, 0}, {0, 1, 0}));
    const auto before = plane.vertice;
    plane.InvertSequence();
    const unsigned n = plane.NumVert;
    EXPECT_TRUE(plane.vertice[0] == before[2]);
    EXPECT_TRUE(plane.vertice[1] == before[1]);
    EXPECT_TRUE(plane.vertice[2] == before[0]);
    for (unsigned k = 3; k < n; ++k) {
        EXPECT_TRUE(plane.vertice[k] == before[n - k + 2]) << k;
    }
    EXPECT_EQ(plane.normal.z, 1.0) << "the stored normal waits for the next tessellation";
}

TEST(TPlane, RingCleaning)
{
    {
        SCOPED_TRACE("closing vertex repeated");
        TPlane plane({P(0, 0, 0), P(1, 0, 0), P(1, 1, 0), P(0, 1, 0), P(0, 0, 0)});
        EXPECT_EQ(plane.NumVert, 4u);
        EXPECT_EQ(plane.vertice.size(), 4u);
    }
    {
        SCOPED_TRACE("repeated vertex that is not adjacent");
        TPlane plane({P(0, 0, 0), P(2, 0, 0), P(2, 2, 0), P(2, 0, 0), P(0, 2, 0)});
        EXPECT_EQ(plane.NumVert, 4u);
        EXPECT_TRUE(plane.vertice[3] == P(0, 2, 0));
    }
    {
        SCOPED_TRACE("midpoint of a straight edge");
        TPlane plane({P(0, 0, 0), P(1, 0, 0), P(2, 0, 0), P(2, 2, 0), P(0, 2, 0)});
        EXPECT_EQ(plane.NumVert, 4u);
        EXPECT_TRUE(plane.vertice[0] == P(0, 0, 0));
        EXPECT_TRUE(plane.vertice[1] == P(2, 0, 0));
        EXPECT_DOUBLE_EQ(plane.PlaneArea(), 4.0);
    }
    {
        SCOPED_TRACE("vertex slightly off the line stays");
        TPlane plane({P(0, 0, 0), P(1, -0.001, 0), P(2, 0, 0), P(2, 2, 0), P(0, 2, 0)});
        EXPECT_EQ(plane.NumVert, 5u);
    }
    {
        SCOPED_TRACE("vertex 1 cm off the plane is projected back");
        TPlane plane({P(0, 0, 0), P(2, 0, 0), P(2, 2, 0), P(1, 3, 0.01), P(0, 2, 0)});
        ASSERT_EQ(plane.NumVert, 5u);
        EXPECT_NEAR(plane.vertice[3].z, 0.0, 1e-15);
        EXPECT_DOUBLE_EQ(plane.vertice[3].x, 1.0);
        EXPECT_DOUBLE_EQ(plane.vertice[3].y, 3.0);
        EXPECT_EQ(plane.vertice[4].z, 0.0);
    }
    {
        SCOPED_TRACE("all vertices on one line");
        TPlane plane(3);
        plane.SetVertex(0, P(0, 0, 0));
        plane.SetVertex(1, P(1, 1, 1));
        plane.SetVertex(2, P(3, 3, 3));
        EXPECT_EQ(plane.CheckForErrors(), 0);
        EXPECT_LT(plane.NumVert, 3u);
        plane.Tecelagem();
        EXPECT_EQ(plane.NumTriang, 0u);
        EXPECT_EQ(plane.Inner(P(1, 1, 1)), -1);
    }
}

TEST(TPlane, TessellationCoversNonConvexRingsExactly)
{
    struct Case {
        const char* name;
        std::vector<std::array<double, 2>> ring;
    };
    const Case cases[] = {{"convex", {{0, 0}, {3, 0}, {4, 2}, {2, 4}, {-1, 2}}},
                          {"L", kLShape},
                          {"U", kUShape},
                          {"star of 12", Star12()}};
    // Axis-aligned, tilted, and a frame with an awkward origin and scale.
    const TVector s = Normal(TVector(1, 2, 2));
    const TVector t = Normal(s / TVector(0, 0, 1));
    struct Frame {
        TPoint3D o;
        TVector u, v;
    };
    const Frame frames[] = {{P(0, 0, 0), {1, 0, 0}, {0, 1, 0}},
                            {P(10.3, -4.1, 2.7), s, t},
                            {P(-1234.5, 0.25, 88.0), t * 3.7, s * 3.7}};
    for (const auto& c : cases) {
        for (const auto& f : frames) {
            SCOPED_TRACE(c.name);
            const auto ring = Embed(c.ring, f.o, f.u, f.v);
            TPlane plane(ring);
            ASSERT_EQ(plane.NumVert, ring.size());
            ASSERT_EQ(plane.NumTriang, ring.size() - 2);
            const double expected = ShoelaceArea(ring);
            EXPECT_NEAR(plane.PlaneArea(), expected, 1e-9 * expected);
            for (const auto& tri : plane.triangulo) {
                // Every triangle's centre lies inside the outline.
                const TPoint3D rel = tri.center - f.o;
                const double a = (PointToVector(rel) * f.u) / (f.u * f.u);
                const double b = (PointToVector(rel) * f.v) / (f.v * f.v);
                EXPECT_TRUE(InsidePolygon2D(c.ring, a, b));
            }
        }
    }
}

TEST(TPlane, InnerAgreesWithIndependentPointInPolygon)
{
    const TVector s = Normal(TVector(0.3, -1, 0.5));
    const TVector t = Normal(s / TVector(1, 0, 0));
    const TPoint3D o = P(2, 3, -1);
    for (const auto& ring2d : {kLShape, kUShape, Star12()}) {
        TPlane plane(Embed(ring2d, o, s, t));
        int disagreements = 0, inside = 0;
        // Offsets keep grid points off the edges, where the answer is a tie.
        for (double a = -3.513; a < 5.5; a += 0.0997) {
            for (double b = -3.487; b < 4.5; b += 0.1013) {
                const TPoint3D q = o + VectorToPoint(s * a) + VectorToPoint(t * b);
                const bool expected = InsidePolygon2D(ring2d, a, b);
                inside += expected;
                disagreements += (plane.Inner(q) >= 0) != expected;
            }
        }
        EXPECT_GT(inside, 100);
        EXPECT_EQ(disagreements, 0);
        EXPECT_EQ(plane.hits, static_cast<unsigned>(inside));
    }
}

TEST(TPlane, InnerOnEdgesOutsideAndAbove)
{
    TPlane plane(Embed(kSquare, P(0, 0, 0), {1, 0, 0}, {0, 1, 0}));
    ASSERT_EQ(plane.NumTriang, 2u);
    auto hasCorner = [](const TTriangle& t, TPoint3D c) { return t.p0 == c || t.p1 == c || t.p2 == c; };
    const bool diagonalFromOrigin =
        hasCorner(plane.triangulo[0], P(0, 0, 0)) && hasCorner(plane.triangulo[1], P(0, 0, 0));
    const unsigned hitsBefore = plane.hits;

    const TPoint3D onDiagonal = diagonalFromOrigin ? P(0.5, 0.5, 0) : P(0.25, 0.75, 0);
    EXPECT_EQ(plane.Inner(onDiagonal), 0) << "a shared edge belongs to the earlier triangle";
    EXPECT_EQ(plane.hits, hitsBefore + 1);

    const int below = plane.Inner(P(0.5, 0.1, 0));
    const int onBottomEdge = plane.Inner(P(0.5, 0, 0));
    EXPECT_EQ(onBottomEdge, below);
    EXPECT_EQ(plane.Inner(P(0, 0, 0)) >= 0, true) << "a corner is inside";
    EXPECT_EQ(plane.Inner(P(0.5, -0.001, 0)), -1);
    EXPECT_EQ(plane.Inner(P(1.001, 0.5, 0)), -1);
    EXPECT_EQ(plane.Inner(P(0.5, 0.1, 25.0)), below) << "distance from the plane is ignored";
    EXPECT_EQ(plane.hits, hitsBefore + 5);
}

TEST(TPlane, SelfIntersectingRingIsLeftWithoutTriangles)
{
    testing::internal::CaptureStdout();
    TPlane bowTie({P(0, 0, 0), P(2, 0, 0), P(2, 2, 0), P(1, -1, 0), P(0, 2, 0)});
    const std::string console = testing::internal::GetCapturedStdout();
    EXPECT_EQ(bowTie.NumTriang, 0u);
    EXPECT_EQ(bowTie.Inner(P(1, 1, 0)), -1);
    EXPECT_EQ(bowTie.PlaneArea(), 0.0);
    EXPECT_NE(console.find("could not be tessellated"), std::string::npos) << console;
}

TEST(TPlane, VertexAccess)
{
    TPlane plane(3);
    EXPECT_EQ(plane.SetVertex(0, 0, 0, 0), 1);
    EXPECT_EQ(plane.SetVertex(1, P(1, 0, 0)), 1);
    EXPECT_EQ(plane.SetVertex(2, 0, 2, 0), 1);
    EXPECT_EQ(plane.SetVertex(3, 9, 9, 9), -1);
    EXPECT_TRUE(plane.GetVertex(4) == P(1, 0, 0));
    EXPECT_TRUE(plane.GetVertex(3) == P(0, 0, 0));
    plane.RemoveVertex(7);
    EXPECT_EQ(plane.NumVert, 3u);
    plane.RemoveVertex(0);
    EXPECT_EQ(plane.NumVert, 2u);
    EXPECT_TRUE(plane.GetVertex(0) == P(1, 0, 0));
}

TEST(TPlane, EmptyPlaneIsHarmlessExceptGetVertex)
{
    TPlane plane(2);
    EXPECT_EQ(plane.NumVert, 0u);
    EXPECT_FALSE(plane.mem_alloc);
    EXPECT_EQ(plane.CalcNormal().Module(), 0.0);
    plane.Tecelagem();
    EXPECT_EQ(plane.NumTriang, 0u);
    EXPECT_EQ(plane.Inner(P(0, 0, 0)), -1);
    EXPECT_EQ(plane.SetVertex(0, P(1, 1, 1)), -1);

    ErrorRecorder recorder;
    try {
        plane.GetVertex(0);
        FAIL();
    } catch (const FatalError& error) {
        EXPECT_EQ(error.ExitCode(), 1);
    }
    ASSERT_EQ(recorder.texts.size(), 1u);
    EXPECT_EQ(recorder.texts[0], "vertice not allocated - Programing Error!!");
}

TEST(TPlane, CopyIsDeepAndKeepsCountersAndFlags)
{
    TPlane original(Embed(kLShape, P(0, 0, 1), {1, 0, 0}, {0, 1, 0}));
    original.LayerID = 4;
    original.IsExternal = true;
    original.Inner(P(0.5, 0.5, 1));
    original.Inner(P(0.5, 2.5, 1));

    TPlane copy(original);
    EXPECT_EQ(copy.LayerID, 4);
    EXPECT_TRUE(copy.IsExternal);
    EXPECT_EQ(copy.hits, 2u);
    EXPECT_EQ(copy.vertice, original.vertice);
    EXPECT_EQ(copy.NumTriang, original.NumTriang);

    copy.SetVertex(0, P(-5, -5, 1));
    EXPECT_TRUE(original.vertice[0] == P(0, 0, 1));

    TPlane assigned;
    assigned = original;
    EXPECT_EQ(assigned.NumTriang, 4u);
    EXPECT_DOUBLE_EQ(assigned.PlaneArea(), 6.0);
}

TEST(TPlane, WriteVertexesUsesTwoDecimalsAndNoLineEnd)
{
    TPlane plane({P(0, 0, 0), P(1, 0, 0), P(0, 2, 0)});
    EXPECT_EQ(WrittenText([&](FILE* f) { plane.WriteVertexes(f); }), "3 0.00 0.00 0.00 1.00 0.00 0.00 0.00 2.00 0.00 ");
    TPlane rounded({P(0.125, -3.456, 10), P(1, 0, 10), P(0, 2, 10)});
    EXPECT_EQ(WrittenText([&](FILE* f) { rounded.WriteVertexes(f); }).substr(0, 20), "3 0.12 -3.46 10.00 1");
}

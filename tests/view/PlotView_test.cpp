#include "view/PlotView.h"

#include <cmath>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

// A 435 x 340 canvas with the default margins: a 385 x 300 plot area over
// data from 0 to 2 s and -1 to 1 Pa.
PlotView MakeView()
{
    PlotView view;
    view.SetCanvasSize(435, 340);
    view.SetExtents({0.0, -1.0}, {2.0, 1.0});
    return view;
}

void ExpectPoint(PlotPoint p, PlotPoint expected, double tol = 1e-9)
{
    EXPECT_NEAR(p.x, expected.x, tol);
    EXPECT_NEAR(p.y, expected.y, tol);
}

void ExpectWindow(const PlotView& view, PlotPoint lo, PlotPoint hi, double tol = 1e-9)
{
    ExpectPoint(view.WindowMin(), lo, tol);
    ExpectPoint(view.WindowMax(), hi, tol);
}

} // namespace

TEST(PlotView, AreaCornersMapToWindowCornersAndViewWorldViewIsIdentity)
{
    // Bottom-left of the area: left margin 35, bottom margin 25 from the foot.
    ExpectPoint(MakeView().ViewToWorld(35.0, 340.0 - 25.0), {0.0, -1.0}, 1e-12);
    ExpectPoint(MakeView().ViewToWorld(435.0 - 15.0, 15.0), {2.0, 1.0}, 1e-12);
    PlotView zoomed = MakeView();
    zoomed.SetWindow({0.25, -0.1}, {0.75, 0.4});
    const struct {
        const char* name;
        PlotView view;
        double px, py;
    } cases[] = {
        {"area centre", MakeView(), 227.5, 177.5},
        {"inside margin", MakeView(), 10.0, 330.0},
        {"outside canvas", MakeView(), -50.0, 900.0},
        {"zoomed window", zoomed, 123.0, 45.0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ExpectPoint(c.view.WorldToView(c.view.ViewToWorld(c.px, c.py)), {c.px, c.py});
    }
}

TEST(PlotView, WheelZoomKeepsPointUnderCursor)
{
    const struct {
        const char* name;
        double px, py;
        int rotation;
    } cases[] = {
        {"in off centre", 300.0, 60.0, 1},
        {"out off centre", 300.0, 60.0, -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        PlotView view = MakeView();
        view.SetWindow({0.5, -0.5}, {1.5, 0.5}); // room to zoom out without clamping
        const PlotPoint before = view.ViewToWorld(c.px, c.py);
        const double width = view.WindowMax().x - view.WindowMin().x;
        view.WheelZoom(c.px, c.py, c.rotation);
        ExpectPoint(view.ViewToWorld(c.px, c.py), before, 1e-12);
        const double expected = c.rotation > 0 ? width / 1.5 : width * 1.5;
        EXPECT_NEAR(view.WindowMax().x - view.WindowMin().x, expected, 1e-12);
    }
}

TEST(PlotView, ZoomStaysWithinLimits)
{
    PlotView in = MakeView();
    PlotView out = MakeView();
    for (int i = 0; i < 200; ++i) {
        in.WheelZoom(100.0, 100.0, 1);
        out.WheelZoom(100.0, 100.0, -1);
    }
    const double inWidth = in.WindowMax().x - in.WindowMin().x;
    EXPECT_GE(inWidth, PlotView::kMinFraction * 2.0 * (1.0 - 1e-9));
    EXPECT_LT(inWidth, 1e-5);
    // Out: never more than two extents beyond the data on either side.
    EXPECT_GE(out.WindowMin().x, -4.0 - 1e-9);
    EXPECT_LE(out.WindowMax().x, 6.0 + 1e-9);
    EXPECT_GE(out.WindowMin().y, -5.0 - 1e-9);
    EXPECT_LE(out.WindowMax().y, 5.0 + 1e-9);
}

TEST(PlotView, CropIsClampedToTwiceTheExtent)
{
    const struct {
        const char* name;
        PlotPoint a, b;
        PlotPoint lo, hi;
    } cases[] = {
        {"beyond every edge", {-100.0, -100.0}, {100.0, 100.0}, {-4.0, -5.0}, {6.0, 5.0}},
        {"beyond the right only", {1.0, -1.0}, {50.0, 1.0}, {1.0, -1.0}, {6.0, 1.0}},
        {"corners swapped", {1.0, 0.5}, {0.5, -0.5}, {0.5, -0.5}, {1.0, 0.5}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        PlotView view = MakeView();
        view.SetWindow(c.a, c.b);
        ExpectWindow(view, c.lo, c.hi);
    }
    // A window entirely beyond the limit comes back inside, not empty.
    PlotView view = MakeView();
    view.SetWindow({100.0, 100.0}, {101.0, 101.0});
    EXPECT_LE(view.WindowMax().x, 6.0 + 1e-9);
    EXPECT_LE(view.WindowMax().y, 5.0 + 1e-9);
    EXPECT_LT(view.WindowMin().x, view.WindowMax().x);
    EXPECT_LT(view.WindowMin().y, view.WindowMax().y);
}

TEST(PlotView, PanMovesContentWithMouseAndStopsAtLimit)
{
    PlotView view = MakeView();
    // A drag right by a tenth of the area shows a tenth more on the left;
    // a drag downwards shows more at the top.
    view.PanByPixels(38.5, 30.0);
    ExpectWindow(view, {-0.2, -0.8}, {1.8, 1.2});

    for (int i = 0; i < 100; ++i) {
        view.PanByPixels(-400.0, -400.0);
    }
    // Size kept, stopped at the limit.
    ExpectWindow(view, {4.0, -5.0}, {6.0, -3.0});
}

TEST(PlotView, RubberBandEitherDirectionGivesSameWindow)
{
    const double x0 = 100.0, y0 = 80.0, x1 = 250.0, y1 = 200.0;
    PlotView reference = MakeView();
    ASSERT_TRUE(reference.RubberBand(x0, y0, x1, y1));
    // Right to left, upwards, both reversed.
    const double reversed[][4] = {{x1, y0, x0, y1}, {x0, y1, x1, y0}, {x1, y1, x0, y0}};
    for (const auto& c : reversed) {
        SCOPED_TRACE(testing::Message() << c[0] << ", " << c[1]);
        PlotView view = MakeView();
        ASSERT_TRUE(view.RubberBand(c[0], c[1], c[2], c[3]));
        ExpectWindow(view, reference.WindowMin(), reference.WindowMax(), 1e-12);
    }
    // The rectangle's corners become the window's corners.
    ExpectWindow(reference, MakeView().ViewToWorld(x0, y1), MakeView().ViewToWorld(x1, y0), 1e-12);
    // A click, a horizontal line and a vertical line change nothing.
    for (const PlotPoint end : {PlotPoint{100.0, 100.0}, {300.0, 100.5}, {101.0, 300.0}}) {
        PlotView view = MakeView();
        view.SetWindow({0.5, -0.5}, {1.0, 0.5});
        EXPECT_FALSE(view.RubberBand(100.0, 100.0, end.x, end.y)) << end.x << ", " << end.y;
        ExpectWindow(view, {0.5, -0.5}, {1.0, 0.5});
    }
}

TEST(PlotView, DoubleClickRestoresExtents)
{
    PlotView view = MakeView();
    view.WheelZoom(200.0, 100.0, 1);
    view.PanByPixels(17.0, -9.0);
    view.ViewExtents();
    ExpectWindow(view, {0.0, -1.0}, {2.0, 1.0});
}

TEST(PlotView, FlatOrMissingDataGetsARange)
{
    const struct {
        const char* name;
        PlotPoint lo, hi;
    } cases[] = {
        {"flat curve", {0.0, 0.5}, {2.0, 0.5}},
        {"single point", {3.0, 3.0}, {3.0, 3.0}},
        {"no curves", {1.7976931348623158e307, 1.7976931348623158e307},
         {-1.7976931348623158e307, -1.7976931348623158e307}},
        {"infinite", {0.0, -INFINITY}, {1.0, 0.0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        PlotView view = MakeView();
        view.SetExtents(c.lo, c.hi);
        EXPECT_GT(view.WindowMax().x - view.WindowMin().x, 0.0);
        EXPECT_GT(view.WindowMax().y - view.WindowMin().y, 0.0);
        ExpectPoint(view.WorldToView(view.ViewToWorld(100.0, 100.0)), {100.0, 100.0}, 1e-6);
    }
}

TEST(PlotView, TicksUseNiceStepsAndCleanLabels)
{
    const struct {
        const char* name;
        double lo, hi;
        int maxTicks;
        std::vector<std::string> labels;
    } cases[] = {
        {"tenths", 0.0, 0.35, 4, {"0.0", "0.1", "0.2", "0.3"}},
        {"across zero", -0.3, 0.3, 3, {"-0.2", "0.0", "0.2"}},
        {"fives", 0.0, 23.0, 5, {"0", "5", "10", "15", "20"}},
        {"reversed bounds", 1.0, 0.0, 2, {"0.0", "0.5", "1.0"}},
        {"small", 0.0001, 0.0004, 3, {"0.0001", "0.0002", "0.0003", "0.0004"}},
        {"empty range", 1.0, 1.0, 10, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<AxisTick> ticks = AxisTicks(c.lo, c.hi, c.maxTicks);
        std::vector<std::string> labels;
        for (const AxisTick& t : ticks) {
            labels.push_back(t.label);
            EXPECT_NEAR(std::stod(t.label), t.value, 1e-12);
        }
        EXPECT_EQ(labels, c.labels);
    }
}

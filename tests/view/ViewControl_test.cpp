#include "view/ViewControl.h"

#include <array>
#include <cmath>
#include <numbers>
#include <string>

#include <gtest/gtest.h>

namespace {

constexpr double kDeg = std::numbers::pi / 180.0;

std::array<double, 13> Numbers(const CameraFrame& f)
{
    return {f.fovDegrees, f.aspect,   f.zNear,    f.zFar, f.viewpt.x, f.viewpt.y, f.viewpt.z,
            f.target.x,   f.target.y, f.target.z, f.up.x, f.up.y,     f.up.z};
}

void ExpectSameCamera(const CameraFrame& a, const CameraFrame& b, double tolerance)
{
    const auto x = Numbers(a);
    const auto y = Numbers(b);
    for (std::size_t i = 0; i < x.size(); ++i) {
        EXPECT_NEAR(x[i], y[i], tolerance) << "value " << i;
    }
}

} // namespace

TEST(ViewControl, DefaultsKeepSwitchesAndZoomStepsEightTenthsOfAMetre)
{
    ViewControl view;
    view.alpha = 1.0;
    view.d = 3.0;
    view.pintura = 0;
    view.ViewSinglePlane = 1;
    view.activeplane = 4;
    view.DrawRoom = true;
    view.drawSources = false;
    view.SetDefaultViewOptions();

    EXPECT_DOUBLE_EQ(view.alpha, 5.0 * std::numbers::pi / 4.0);
    EXPECT_DOUBLE_EQ(view.beta, 40.0 * kDeg);
    EXPECT_NEAR(view.d, 7.5 / std::tan(15.0 * kDeg), 1e-12);
    EXPECT_EQ(view.pintura, 1);
    EXPECT_EQ(view.ViewSinglePlane, 0);
    EXPECT_EQ(view.activeplane, 0);
    EXPECT_TRUE(view.DrawRoom);
    EXPECT_FALSE(view.drawSources);
    EXPECT_GT(AdjustView(view, TPoint3D()).up.z, 0.0); // not upside down

    const double start = view.d;
    view.Zoom(true);
    EXPECT_NEAR(start - view.d, 0.8, 1e-12);
    view.Zoom(false);
    view.Zoom(false);
    EXPECT_NEAR(view.d - start, 0.8, 1e-12);
}

TEST(ViewControl, ZoomInStopsAtMinimumWithNearPlaneInFront)
{
    for (const TPoint3D target : {TPoint3D::Make(0, 0, 0), TPoint3D::Make(4, 3, 1.5),
                                  TPoint3D::Make(-120, 75, 30)}) {
        SCOPED_TRACE(std::to_string(target.x));
        ViewControl view;
        for (int step = 0; step < 200; ++step) {
            view.Zoom(true);
            const CameraFrame frame = AdjustView(view, target);
            ASSERT_GT(frame.zNear, 0.0) << "d = " << view.d;
            ASSERT_LT(frame.zNear, frame.zFar);
        }
        EXPECT_EQ(view.d, ViewControl::kMinDistance);

        // Around d == db, where the near margin switches from 0.99 d to db.
        const double db = view.db;
        for (const double d : {db, std::nextafter(db, 1e300), db * 1.01}) {
            view.d = d;
            const CameraFrame frame = AdjustView(view, target);
            // A near plane almost on the eye would leave no depth resolution.
            EXPECT_GE(frame.zNear, 0.01 * d * (1.0 - 1e-12)) << "d - db = " << d - db;
            EXPECT_NEAR(frame.zFar, d + db, 1e-9);
        }
    }
}

TEST(ViewControl, AspectIsFiniteForAnyCanvas)
{
    const struct {
        int width, height;
        double aspect;
    } cases[] = {{640, 480, 640.0 / 480.0}, {800, 0, 800.0}, {800, -3, 800.0}, {0, 0, 1.0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.height));
        ViewControl view;
        view.width = c.width;
        view.height = c.height;
        EXPECT_DOUBLE_EQ(AdjustView(view, TPoint3D()).aspect, c.aspect);
    }
}

TEST(ViewNavigator, CountersStayInStepWithTheAngles)
{
    ViewNavigator nav;
    EXPECT_EQ(nav.xRot, 40);
    EXPECT_EQ(nav.yRot, 225);

    nav.MouseDown(100, 100);
    nav.MouseMoved(101, 100, true, false);
    EXPECT_NEAR(nav.view.alpha - ViewControl::kDefaultAlpha, 2.0 * kDeg, 1e-12);
    EXPECT_EQ(nav.view.beta, ViewControl::kDefaultBeta);
    nav.MouseMoved(101, 101, true, false); // dragging down lowers the camera
    EXPECT_NEAR(nav.view.beta, 38.0 * kDeg, 1e-12);

    // 180 pixels are a full turn: nothing moves.
    nav.MouseDown(10, 10);
    nav.MouseMoved(190, 10, true, false);
    EXPECT_EQ(nav.yRot, 227);
    EXPECT_NEAR(nav.view.alpha - ViewControl::kDefaultAlpha, 2.0 * kDeg, 1e-12);

    // Large and negative steps wrap into [0, 360).
    nav.setXRotation(-725);
    nav.setYRotation(360 * 50 + 90);
    EXPECT_EQ(nav.xRot, 355);
    EXPECT_EQ(nav.yRot, 90);
    EXPECT_NEAR(nav.view.beta, 355.0 * kDeg, 1e-12);

    nav.view.width = 1024;
    ViewControl options;
    options.alpha = -std::numbers::pi / 2.0;
    options.beta = 0.1; // 5.73 degrees
    nav.SetViewControl(options);
    EXPECT_EQ(nav.view.width, 1024);
    EXPECT_EQ(nav.yRot, 270);
    EXPECT_EQ(nav.xRot, 6);
}

TEST(ViewNavigator, WheelAndViewExtentReturnToTheSameCamera)
{
    const TPoint3D target = TPoint3D::Make(4, 3, 1.5);
    ViewNavigator nav;
    nav.view.width = 800;
    nav.view.height = 600;
    ViewControl reference = nav.view;
    const CameraFrame start = AdjustView(reference, target);

    for (const int rotation : {120, 120, 120, 0, -120, -120, -120}) {
        nav.Wheel(rotation);
    }
    ExpectSameCamera(AdjustView(nav.view, target), start, 1e-9);

    // A right drag moves the scene with the cursor, by its distance per pixel.
    const double metresPerPixel = 2.0 * nav.view.d * std::tan(0.25) / 600.0;
    nav.MouseDown(50, 50);
    nav.MouseMoved(80, 70, false, true);
    EXPECT_NEAR(nav.pan_x, 30 * metresPerPixel, 1e-12);
    EXPECT_NEAR(nav.pan_y, -20 * metresPerPixel, 1e-12);
    nav.MouseMoved(73, 11, true, false);
    nav.Wheel(1);

    nav.ViewExtent();
    EXPECT_EQ(nav.pan_x, 0.0);
    EXPECT_EQ(nav.pan_y, 0.0);
    EXPECT_EQ(nav.xRot, 40);
    EXPECT_EQ(nav.yRot, 225);
    ExpectSameCamera(AdjustView(nav.view, target), start, 0.0);
}

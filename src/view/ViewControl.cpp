#include "view/ViewControl.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "geometry/MathFunctions.h"

namespace {

constexpr double kDegPerRad = 180.0 / std::numbers::pi;
// tan(0.5): the zoom step is 4 g at the default field of view and scales with
// 1 / tan(fov), so a wheel step covers the same share of the picture.
constexpr double kTanDefaultFov = 0.54630248984379048;

int WrapDegrees(long long degrees)
{
    const long long wrapped = ((degrees % 360) + 360) % 360;
    return static_cast<int>(wrapped);
}

int RoundedDegrees(double radians)
{
    const double degrees = std::round(radians * kDegPerRad);
    if (!std::isfinite(degrees)) {
        return 0;
    }
    return WrapDegrees(static_cast<long long>(std::fmod(degrees, 360.0)));
}

} // namespace

void ViewControl::SetDefaultViewOptions()
{
    alpha = kDefaultAlpha;
    beta = kDefaultBeta;
    fov = 0.5;
    g = 0.2;
    e = 40.0;
    d = kDefaultDistance;
    pintura = 1;
    ViewSinglePlane = 0;
    ViewTriangles = 0;
    activeplane = 0;
    activereceiver = 0;
}

void ViewControl::Zoom(bool in)
{
    const double step = 4.0 * g * kTanDefaultFov / std::tan(fov);
    if (in) {
        d = std::max(d - step, kMinDistance);
    } else {
        d += step;
    }
}

CameraFrame AdjustView(ViewControl& view, TPoint3D target)
{
    view.fov = 0.5;
    view.g = 0.2;
    view.e = 40.0;
    view.target = target;

    // The depth range must hold a scene of half-extent e g beyond the target
    // in every direction.
    const double margin = view.e * view.g;
    view.db = Module(TPoint3D::Make(std::abs(target.x) + margin, std::abs(target.y) + margin,
                                    std::abs(target.z) + margin));
    view.df = view.d > view.db ? view.db : 0.99 * view.d;

    CameraFrame frame;
    frame.fovDegrees = view.fov * kDegPerRad;
    frame.aspect = static_cast<double>(std::max(view.width, 1)) / std::max(view.height, 1);
    // d just above db would put the near plane almost on the eye and waste the
    // depth buffer; a near plane at 1 % of the distance keeps it in front of
    // the camera and joins the d <= db case without a jump.
    const double nearFloor = 0.01 * std::max(view.d, ViewControl::kMinDistance);
    frame.zNear = std::max(view.d - view.df, nearFloor);
    frame.zFar = view.d + view.db;

    const double cb = std::cos(view.beta);
    const TVector toEye(cb * std::cos(view.alpha), cb * std::sin(view.alpha), std::sin(view.beta));
    view.viewpt = target + VectorToPoint(toEye * view.d);
    const TVector side(-std::sin(view.alpha), std::cos(view.alpha), 0.0);
    // side is horizontal and always perpendicular to the line of sight, so the
    // cross product never vanishes, also looking straight down.
    view.Up = Normal(side / PointToVector(target - view.viewpt));

    frame.viewpt = view.viewpt;
    frame.target = view.target;
    frame.up = view.Up;
    return frame;
}

ViewNavigator::ViewNavigator()
{
    view.SetDefaultViewOptions();
    SyncCounters();
}

void ViewNavigator::MouseDown(int x, int y)
{
    m_lastX = x;
    m_lastY = y;
}

void ViewNavigator::MouseMoved(int x, int y, bool leftDown, bool rightDown)
{
    const int dx = x - m_lastX;
    const int dy = y - m_lastY;
    if (leftDown) {
        setXRotation(xRot - 2 * dy);
        setYRotation(yRot + 2 * dx);
    }
    if (rightDown) {
        // The scene under the cursor follows it at the target's depth.
        const double metresPerPixel =
            2.0 * view.d * std::tan(view.fov / 2.0) / std::max(view.height, 1);
        pan_x += dx * metresPerPixel;
        pan_y -= dy * metresPerPixel; // window y grows downwards
    }
    m_lastX = x;
    m_lastY = y;
}

void ViewNavigator::Wheel(int rotation)
{
    if (rotation > 0) {
        view.Zoom(true);
    } else if (rotation < 0) {
        view.Zoom(false);
    }
}

void ViewNavigator::ViewExtent()
{
    view.SetDefaultViewOptions();
    pan_x = 0.0;
    pan_y = 0.0;
    SyncCounters();
}

void ViewNavigator::SetViewControl(const ViewControl& options)
{
    const int width = view.width;
    const int height = view.height;
    view = options;
    view.width = width;
    view.height = height;
    SyncCounters();
}

void ViewNavigator::setXRotation(int angle)
{
    const int wrapped = WrapDegrees(angle);
    if (wrapped != xRot) {
        xRot = wrapped;
        view.beta = xRot * std::numbers::pi / 180.0;
    }
}

void ViewNavigator::setYRotation(int angle)
{
    const int wrapped = WrapDegrees(angle);
    if (wrapped != yRot) {
        yRot = wrapped;
        view.alpha = yRot * std::numbers::pi / 180.0;
    }
}

void ViewNavigator::SyncCounters()
{
    xRot = RoundedDegrees(view.beta);
    yRot = RoundedDegrees(view.alpha);
}

#pragma once
// Display options and camera of the 3D room view, and the mouse navigation
// that moves the camera. Plain data and arithmetic: the GL canvas owns one
// ViewNavigator, forwards its mouse events to it and asks AdjustView for the
// camera of each frame.

#include "geometry/TPoint3D.h"
#include "geometry/TVector.h"

struct ViewControl {
    static constexpr double kDefaultAlpha = 3.9269908169872414;    // 5 pi / 4: azimuth 225 degrees
    static constexpr double kDefaultBeta = 0.69813170079773179;    // 40 degrees
    static constexpr double kDefaultDistance = 7.5 / 0.2679491924311227; // 7.5 m over tan 15 degrees
    // Zooming in stops here, so that the near plane stays in front of the camera.
    static constexpr double kMinDistance = 0.5; // m

    bool DrawRoom = false;          // false: nothing drawn, the camera targets the origin
    double alpha = kDefaultAlpha;   // camera azimuth around the target, radians
    double beta = kDefaultBeta;     // camera elevation, radians
    double fov = 0.5;               // vertical field of view, radians
    double g = 0.2;                 // zoom step factor
    double e = 40.0;                // scene half-extent factor
    double d = kDefaultDistance;    // camera to target, m
    TPoint3D target;                // computed each frame
    TPoint3D viewpt;                // computed each frame
    TVector Up{0.0, 0.0, 1.0};      // computed each frame
    int width = 1;                  // canvas size, pixels
    int height = 1;
    int pintura = 1;                // non-zero: fill the planes
    int ViewSinglePlane = 0;        // non-zero: only the plane activeplane
    int ViewTriangles = 0;          // non-zero: show the tessellation
    int activeplane = 0;
    int activeTriangle = 0;
    int activereceiver = 0;
    int DrawLostRays = 0;
    bool drawSources = true;
    bool drawReceivers = true;
    bool drawSourceIDs = false;
    bool drawReceiverIDs = false;
    double df = 0.0;                // near depth margin, computed each frame
    double db = 0.0;                // far depth margin, computed each frame

    // Camera angles, distance and the per-frame constants back to their
    // defaults; the display switches are kept.
    void SetDefaultViewOptions();
    // One wheel step closer (in) or farther, never closer than kMinDistance.
    void Zoom(bool in);
};

// The projection and eye of one frame.
struct CameraFrame {
    double fovDegrees = 0.0; // vertical
    double aspect = 1.0;     // width / height, finite for any canvas size
    double zNear = 0.0;      // always > 0
    double zFar = 0.0;
    TPoint3D viewpt;
    TPoint3D target;
    TVector up;
};

// The camera for this frame looking at target (the room centre, or the origin
// when no room is drawn); stores target, viewpt, Up, df and db in view.
CameraFrame AdjustView(ViewControl& view, TPoint3D target);

// Mouse navigation. The rotation counters xRot and yRot are degrees in
// [0, 360), kept in step with the camera's elevation and azimuth: a left drag
// turns the camera by 2 degrees per pixel, so 180 pixels make a full turn and
// come back to the same view. A right drag pans in the screen plane, by the
// scene distance one pixel covers at the target.
class ViewNavigator {
public:
    ViewNavigator();

    ViewControl view;
    int xRot = 0;        // elevation counter, degrees
    int yRot = 0;        // azimuth counter, degrees
    double pan_x = 0.0;  // screen-plane translation, m (right)
    double pan_y = 0.0;  // m (up)

    void MouseDown(int x, int y);
    void MouseMoved(int x, int y, bool leftDown, bool rightDown);
    // Positive rotation zooms in.
    void Wheel(int rotation);
    // Double click: the default camera and no pan.
    void ViewExtent();
    // Replaces the display options (a new room or new view switches), keeping
    // the canvas size; the counters follow the new angles.
    void SetViewControl(const ViewControl& options);

    void setXRotation(int angle);
    void setYRotation(int angle);

private:
    void SyncCounters();
    int m_lastX = 0;
    int m_lastY = 0;
};

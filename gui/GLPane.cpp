#include "GLPane.h"

#include <GL/freeglut.h>
#include <GL/gl.h>
#include <GL/glu.h>

#include <wx/dcclient.h>

#include "geometry/MathFunctions.h"
#include "room/TRoom.h"

namespace {

// A double-buffered RGBA context with a depth buffer.
wxGLAttributes CanvasAttributes()
{
    wxGLAttributes attributes;
    attributes.PlatformDefaults().RGBA().DoubleBuffer().Depth(24).EndList();
    return attributes;
}

void Color(const RGBA& c)
{
    glColor4f(c.r, c.g, c.b, c.a);
}

void Vertex(TPoint3D p)
{
    glVertex3d(p.x, p.y, p.z);
}

void DrawLines(const std::vector<DrawLine>& lines)
{
    for (const DrawLine& line : lines) {
        glLineWidth(line.width);
        Color(line.color);
        glBegin(GL_LINES);
        Vertex(line.from);
        Vertex(line.to);
        glEnd();
    }
}

void DrawLoops(const std::vector<DrawLoop>& loops)
{
    glLineWidth(1.0f);
    for (const DrawLoop& loop : loops) {
        Color(loop.color);
        glBegin(GL_LINE_LOOP);
        for (TPoint3D p : loop.points) {
            Vertex(p);
        }
        glEnd();
    }
}

void drawSphere(const DrawMarker& marker, GLUquadric* quadric)
{
    Color(marker.color);
    glPushMatrix();
    glTranslated(marker.center.x, marker.center.y, marker.center.z);
    gluSphere(quadric, marker.radius, 24, 16);
    glPopMatrix();
}

void drawBitmapText(const DrawLabel& label)
{
    Color(label.color);
    glRasterPos3d(label.anchor.x, label.anchor.y, label.anchor.z);
    for (char c : label.text) {
        glutBitmapCharacter(GLUT_BITMAP_HELVETICA_12, c);
    }
}

} // namespace

GL_Window::GL_Window(wxWindow* parent)
    : wxGLCanvas(parent, CanvasAttributes(), wxID_ANY, wxDefaultPosition, wxDefaultSize,
                 wxFULL_REPAINT_ON_RESIZE)
{
    Bind(wxEVT_PAINT, &GL_Window::render, this);
    Bind(wxEVT_SIZE, &GL_Window::resized, this);
    Bind(wxEVT_IDLE, &GL_Window::OnIdle, this);
    Bind(wxEVT_MOTION, &GL_Window::mouseMoved, this);
    Bind(wxEVT_LEFT_DOWN, &GL_Window::mouseDown, this);
    Bind(wxEVT_RIGHT_DOWN, &GL_Window::mouseDown, this);
    Bind(wxEVT_MOUSEWHEEL, &GL_Window::mouseWheelMoved, this);
    Bind(wxEVT_LEFT_DCLICK, &GL_Window::viewExtent, this);
    // The paint handler draws everything: no background erase, no flicker.
    SetBackgroundStyle(wxBG_STYLE_PAINT);
}

GL_Window::~GL_Window() = default;

void GL_Window::SetRoom(TRoom* room, const ViewControl& options)
{
    sala = room;
    m_nav.SetViewControl(options);
    UpdateColors();
}

void GL_Window::SetRoom(TRoom* room)
{
    sala = room;
    UpdateColors();
}

void GL_Window::SetViewControl(const ViewControl& options)
{
    m_nav.SetViewControl(options);
    Invalidate();
}

void GL_Window::UpdateColors()
{
    colors = sala != nullptr ? LayerColors(*sala) : std::vector<RGBA>();
    Invalidate();
}

void GL_Window::Invalidate()
{
    m_dataValid = false;
    m_needsDraw = true;
    Refresh(false);
}

bool GL_Window::MakeCurrent()
{
    return m_context.MakeCurrent(*this);
}

void GL_Window::AdjustView()
{
    glClearColor(1.0f, 1.0f, 1.0f, 1.0f);
    glEnable(GL_CULL_FACE);
    glCullFace(GL_BACK);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LESS);
    const GLfloat ambient[] = {0.4f, 0.4f, 0.4f, 1.0f};
    const GLfloat white[] = {1.0f, 1.0f, 1.0f, 1.0f};
    glLightfv(GL_LIGHT0, GL_AMBIENT, ambient);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, white);
    glLightfv(GL_LIGHT0, GL_SPECULAR, white);
    glEnable(GL_LIGHT0);
    glEnable(GL_NORMALIZE);
    glColorMaterial(GL_FRONT, GL_AMBIENT_AND_DIFFUSE);
    glEnable(GL_COLOR_MATERIAL);
    const GLfloat materialAmbient[] = {0.7f, 0.7f, 0.7f, 1.0f};
    const GLfloat materialDiffuse[] = {0.8f, 0.8f, 0.8f, 1.0f};
    glMaterialfv(GL_FRONT, GL_AMBIENT, materialAmbient);
    glMaterialfv(GL_FRONT, GL_DIFFUSE, materialDiffuse);
    glMaterialfv(GL_FRONT, GL_SPECULAR, white);
    glMaterialf(GL_FRONT, GL_SHININESS, 100.0f);
    glEnable(GL_BLEND);

    ViewControl& view = m_nav.view;
    const bool hasRoom = view.DrawRoom && sala != nullptr;
    const CameraFrame camera = ::AdjustView(view, hasRoom ? sala->Center : TPoint3D());
    glViewport(0, 0, view.width, view.height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(camera.fovDegrees, camera.aspect, camera.zNear, camera.zFar);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    // The pan moves the scene in the screen plane, so it comes before the eye.
    glTranslated(m_nav.pan_x, m_nav.pan_y, 0.0);
    gluLookAt(camera.viewpt.x, camera.viewpt.y, camera.viewpt.z, camera.target.x, camera.target.y,
              camera.target.z, camera.up.x, camera.up.y, camera.up.z);
    // A directional light fixed in the room, so shading follows the walls.
    const GLfloat position[] = {2.0f, 5.0f, 5.0f, 0.0f};
    glLightfv(GL_LIGHT0, GL_POSITION, position);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glGetDoublev(GL_MODELVIEW_MATRIX, m_modelview);
    glGetDoublev(GL_PROJECTION_MATRIX, m_projection);
    glGetIntegerv(GL_VIEWPORT, m_viewport);
}

void GL_Window::DrawScene()
{
    AdjustView();
    if (sala == nullptr) {
        return;
    }
    if (!m_dataValid) {
        m_data = BuildRoomDrawData(*sala, m_nav.view, colors);
        m_dataValid = true;
    }
    glEnable(GL_LIGHTING);
    glLineWidth(1.0f);
    glBegin(GL_TRIANGLES);
    for (const DrawTriangle& t : m_data.triangles) {
        Color(t.color);
        const TVector n = Normal(PointToVector(t.p1 - t.p0) / PointToVector(t.p2 - t.p0));
        glNormal3d(n.x, n.y, n.z);
        Vertex(t.p0);
        Vertex(t.p1);
        Vertex(t.p2);
    }
    glEnd();
    GLUquadric* quadric = gluNewQuadric();
    gluQuadricNormals(quadric, GLU_SMOOTH);
    for (const DrawMarker& m : m_data.sources) {
        drawSphere(m, quadric);
    }
    for (const DrawMarker& m : m_data.receivers) {
        drawSphere(m, quadric);
    }
    drawSphere(m_data.origin, quadric);
    gluDeleteQuadric(quadric);

    // Lines and text are not lit: they keep their colours from every side.
    glDisable(GL_LIGHTING);
    DrawLoops(m_data.outlines);
    DrawLoops(m_data.triangleOutlines);
    DrawLines(m_data.normals);
    DrawLines(m_data.aimLines);
    DrawLines(m_data.axes);
    DrawLines(m_data.lostRays);
    for (const DrawLabel& label : m_data.labels) {
        drawBitmapText(label);
    }
    glLineWidth(1.0f);
}

void GL_Window::draw()
{
    if (!MakeCurrent()) {
        return;
    }
    DrawScene();
    glFlush();
    SwapBuffers();
    ++m_frames;
    m_needsDraw = false;
}

std::vector<unsigned char> GL_Window::RenderAndRead()
{
    std::vector<unsigned char> pixels;
    if (!MakeCurrent()) {
        return pixels;
    }
    DrawScene();
    pixels = ReadBackBuffer(m_nav.view.width, m_nav.view.height);
    SwapBuffers();
    ++m_frames;
    m_needsDraw = false;
    return pixels;
}

bool GL_Window::ProjectToWindow(TPoint3D p, int& x, int& y) const
{
    double wx = 0.0, wy = 0.0, wz = 0.0;
    if (gluProject(p.x, p.y, p.z, m_modelview, m_projection, m_viewport, &wx, &wy, &wz) != GL_TRUE ||
        wz < 0.0 || wz > 1.0) {
        return false;
    }
    x = static_cast<int>(wx);
    y = m_nav.view.height - 1 - static_cast<int>(wy);
    return true;
}

void GL_Window::render(wxPaintEvent&)
{
    wxPaintDC dc(this); // required by wx even though GL does the drawing
    draw();
}

void GL_Window::resized(wxSizeEvent& event)
{
    const wxSize size = event.GetSize() * GetContentScaleFactor();
    m_nav.view.width = size.x;
    m_nav.view.height = size.y;
    m_needsDraw = true;
    Refresh(false);
    event.Skip();
}

void GL_Window::OnIdle(wxIdleEvent& event)
{
    // Drawn again only when something changed: an idle window uses no CPU.
    if (m_needsDraw) {
        draw();
    }
    event.Skip();
}

void GL_Window::mouseDown(wxMouseEvent& event)
{
    m_nav.MouseDown(event.GetX(), event.GetY());
    SetFocus();
    event.Skip();
}

void GL_Window::mouseMoved(wxMouseEvent& event)
{
    m_nav.MouseMoved(event.GetX(), event.GetY(), event.LeftIsDown(), event.RightIsDown());
    if (event.LeftIsDown() || event.RightIsDown()) {
        m_needsDraw = true;
        Refresh(false);
    }
}

void GL_Window::mouseWheelMoved(wxMouseEvent& event)
{
    m_nav.Wheel(event.GetWheelRotation());
    m_needsDraw = true;
    Refresh(false);
}

void GL_Window::viewExtent(wxMouseEvent&)
{
    m_nav.ViewExtent();
    m_needsDraw = true;
    Refresh(false);
}

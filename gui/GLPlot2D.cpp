#include "GLPlot2D.h"

#include <GL/freeglut.h>
#include <GL/gl.h>

#include <algorithm>
#include <cmath>

#include <wx/dcclient.h>

namespace {

wxGLAttributes CanvasAttributes()
{
    wxGLAttributes attributes;
    attributes.PlatformDefaults().RGBA().DoubleBuffer().EndList();
    return attributes;
}

// Room for tick labels such as "-100" left of the plot and one line below.
constexpr PlotMargins kMargins{64, 18, 40, 15};
// A curve with at most this many points per pixel column is drawn point by
// point; longer ones as the range of their samples in each column.
constexpr double kDirectPointsPerColumn = 2.0;
// Curves this short (parameter plots) also mark their points.
constexpr std::size_t kMarkedCurveLength = 64;
// Pixels per tick label, so labels never run into each other.
constexpr int kPixelsPerXTick = 90;
constexpr int kPixelsPerYTick = 40;

void Text(int x, int y, const std::string& text)
{
    glRasterPos2i(x, y);
    for (char c : text) {
        glutBitmapCharacter(GLUT_BITMAP_HELVETICA_12, c);
    }
}

int TextWidth(const std::string& text)
{
    int width = 0;
    for (char c : text) {
        width += glutBitmapWidth(GLUT_BITMAP_HELVETICA_12, c);
    }
    return width;
}

// Line strips through the finite samples of curve between xMin and xMax;
// a non-finite value (a parameter that could not be computed) breaks the line.
void DrawSamples(const UniformCurve& curve, double xMin, double xMax, bool markPoints)
{
    const std::span<const float> y = curve.Samples();
    if (y.empty() || !(curve.Dx() > 0.0)) {
        return;
    }
    // One point beyond each edge, so the line reaches the border.
    const double first = std::floor((xMin - curve.X0()) / curve.Dx()) - 1.0;
    const double last = std::ceil((xMax - curve.X0()) / curve.Dx()) + 1.0;
    const std::size_t begin = static_cast<std::size_t>(std::max(first, 0.0));
    const std::size_t end = static_cast<std::size_t>(
        std::clamp(last + 1.0, 0.0, static_cast<double>(y.size())));
    bool open = false;
    for (std::size_t i = begin; i < end; ++i) {
        if (!std::isfinite(y[i])) {
            if (open) {
                glEnd();
                open = false;
            }
            continue;
        }
        if (!open) {
            glBegin(GL_LINE_STRIP);
            open = true;
        }
        glVertex2d(curve.X(i), y[i]);
    }
    if (open) {
        glEnd();
    }
    if (markPoints) {
        glPointSize(5.0f);
        glBegin(GL_POINTS);
        for (std::size_t i = begin; i < end; ++i) {
            if (std::isfinite(y[i])) {
                glVertex2d(curve.X(i), y[i]);
            }
        }
        glEnd();
        glPointSize(1.0f);
    }
}

} // namespace

GL_Plot2D::GL_Plot2D(wxWindow* parent)
    : wxGLCanvas(parent, CanvasAttributes(), wxID_ANY, wxDefaultPosition, wxDefaultSize,
                 wxFULL_REPAINT_ON_RESIZE)
{
    m_view.SetMargins(kMargins);
    Bind(wxEVT_PAINT, &GL_Plot2D::render, this);
    Bind(wxEVT_SIZE, &GL_Plot2D::resized, this);
    Bind(wxEVT_IDLE, &GL_Plot2D::OnIdle, this);
    Bind(wxEVT_MOUSEWHEEL, &GL_Plot2D::mouseWheelMoved, this);
    Bind(wxEVT_MOTION, &GL_Plot2D::mouseMoved, this);
    Bind(wxEVT_LEFT_DOWN, &GL_Plot2D::startZoom, this);
    Bind(wxEVT_LEFT_UP, &GL_Plot2D::stopZoom, this);
    Bind(wxEVT_MIDDLE_DOWN, &GL_Plot2D::startZoom, this);
    Bind(wxEVT_MIDDLE_UP, &GL_Plot2D::stopZoom, this);
    Bind(wxEVT_RIGHT_DOWN, &GL_Plot2D::startPan, this);
    Bind(wxEVT_RIGHT_UP, &GL_Plot2D::stopPan, this);
    Bind(wxEVT_LEFT_DCLICK, &GL_Plot2D::viewExtent, this);
    Bind(wxEVT_LEAVE_WINDOW, &GL_Plot2D::mouseLeftWindow, this);
    SetBackgroundStyle(wxBG_STYLE_PAINT);
}

GL_Plot2D::~GL_Plot2D() = default;

void GL_Plot2D::DataChanged(std::optional<std::pair<double, double>> keepX,
                            std::optional<double> yFloor)
{
    FitViewToGraphs(m_view, m_graphs, keepX, yFloor);
    RequestDraw();
}

void GL_Plot2D::SetAxisLabels(std::string xlabel, std::string ylabel)
{
    m_xlabel = std::move(xlabel);
    m_ylabel = std::move(ylabel);
    RequestDraw();
}

std::pair<double, double> GL_Plot2D::GetXRange() const
{
    return {m_view.WindowMin().x, m_view.WindowMax().x};
}

void GL_Plot2D::SetXRange(double lo, double hi)
{
    m_view.SetXRange(lo, hi);
    RequestDraw();
}

void GL_Plot2D::SetYRange(double lo, double hi)
{
    m_view.SetYRange(lo, hi);
    RequestDraw();
}

void GL_Plot2D::RequestDraw()
{
    m_needsDraw = true;
    Refresh(false);
}

bool GL_Plot2D::MakeCurrent()
{
    return m_context.MakeCurrent(*this);
}

void GL_Plot2D::DrawScene()
{
    const int w = m_view.CanvasWidth();
    const int h = m_view.CanvasHeight();
    glViewport(0, 0, w, h);
    glClearColor(1.0f, 1.0f, 1.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_LIGHTING);

    // The plot area: world coordinates, clipped to the area by the viewport.
    const PlotMargins m = m_view.Margins();
    glViewport(m.left, m.bottom, std::max(1, w - m.left - m.right),
               std::max(1, h - m.bottom - m.top));
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(m_view.WindowMin().x, m_view.WindowMax().x, m_view.WindowMin().y,
            m_view.WindowMax().y, -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    drawGrid();
    drawPlots();

    // Labels, the frame and the rubber band in pixels (y up) over the whole canvas.
    glViewport(0, 0, w, h);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0.0, w, 0.0, h, -1.0, 1.0);
    drawTicks();
    if (IsZooming) {
        drawZoom();
    }
}

void GL_Plot2D::drawGrid() const
{
    const int areaWidth = m_view.CanvasWidth() - kMargins.left - kMargins.right;
    const int areaHeight = m_view.CanvasHeight() - kMargins.bottom - kMargins.top;
    glColor3f(0.85f, 0.85f, 0.85f);
    glLineWidth(1.0f);
    glBegin(GL_LINES);
    for (const AxisTick& t : AxisTicks(m_view.WindowMin().x, m_view.WindowMax().x,
                                       std::max(1, areaWidth / kPixelsPerXTick))) {
        glVertex2d(t.value, m_view.WindowMin().y);
        glVertex2d(t.value, m_view.WindowMax().y);
    }
    for (const AxisTick& t : AxisTicks(m_view.WindowMin().y, m_view.WindowMax().y,
                                       std::max(1, areaHeight / kPixelsPerYTick))) {
        glVertex2d(m_view.WindowMin().x, t.value);
        glVertex2d(m_view.WindowMax().x, t.value);
    }
    glEnd();
}

void GL_Plot2D::drawPlots() const
{
    if (m_graphs.Empty() || (m_dataValid && !m_dataValid())) {
        return;
    }
    // The axes through the origin, across the data.
    glColor3f(0.0f, 0.0f, 0.0f);
    glBegin(GL_LINES);
    glVertex2d(m_view.DataMin().x, 0.0);
    glVertex2d(m_view.DataMax().x, 0.0);
    glVertex2d(0.0, m_view.DataMin().y);
    glVertex2d(0.0, m_view.DataMax().y);
    glEnd();

    const double xMin = m_view.WindowMin().x;
    const double xMax = m_view.WindowMax().x;
    const int columns = std::max(1, m_view.CanvasWidth() - kMargins.left - kMargins.right);
    for (std::size_t k = 0; k < m_graphs.getNumGraphs(); ++k) {
        const TGraph& graph = m_graphs.Graph(k);
        if (!graph.GetViewState() || graph.GetLength() == 0) {
            continue;
        }
        const PlotColor c = graph.GetColor();
        glColor3f(c.r, c.g, c.b);
        const UniformCurve& curve = graph.Curve();
        const double visible = (xMax - xMin) / curve.Dx();
        if (visible <= kDirectPointsPerColumn * columns) {
            DrawSamples(curve, xMin, xMax, graph.GetLength() <= kMarkedCurveLength);
            continue;
        }
        // A long response: per pixel column the range of its samples, joined
        // up, which shows every peak at a cost independent of its length.
        glBegin(GL_LINE_STRIP);
        for (const EnvelopeColumn& column : MinMaxEnvelope(curve, xMin, xMax, columns)) {
            if (std::isfinite(column.lo) && std::isfinite(column.hi)) {
                glVertex2d(column.x, column.lo);
                glVertex2d(column.x, column.hi);
            }
        }
        glEnd();
    }
}

void GL_Plot2D::drawZoom() const
{
    const int h = m_view.CanvasHeight();
    glColor3f(0.2f, 0.2f, 0.2f);
    glEnable(GL_LINE_STIPPLE);
    glLineStipple(1, 0x00FF);
    glBegin(GL_LINE_LOOP);
    glVertex2i(MouseFirstPoint.x, h - MouseFirstPoint.y);
    glVertex2i(MouseActualLocation.x, h - MouseFirstPoint.y);
    glVertex2i(MouseActualLocation.x, h - MouseActualLocation.y);
    glVertex2i(MouseFirstPoint.x, h - MouseActualLocation.y);
    glEnd();
    glDisable(GL_LINE_STIPPLE);
}

void GL_Plot2D::drawTicks() const
{
    const int w = m_view.CanvasWidth();
    const int h = m_view.CanvasHeight();
    const int left = kMargins.left;
    const int bottom = kMargins.bottom;
    const int right = w - kMargins.right;
    const int top = h - kMargins.top;

    glColor3f(0.0f, 0.0f, 0.0f);
    glBegin(GL_LINE_LOOP);
    glVertex2i(left, bottom);
    glVertex2i(right, bottom);
    glVertex2i(right, top);
    glVertex2i(left, top);
    glEnd();

    for (const AxisTick& t : AxisTicks(m_view.WindowMin().x, m_view.WindowMax().x,
                                       std::max(1, (right - left) / kPixelsPerXTick))) {
        const int x = static_cast<int>(std::lround(m_view.WorldToView({t.value, 0.0}).x));
        Text(x - TextWidth(t.label) / 2, bottom - 14, t.label);
    }
    for (const AxisTick& t : AxisTicks(m_view.WindowMin().y, m_view.WindowMax().y,
                                       std::max(1, (top - bottom) / kPixelsPerYTick))) {
        const int y = h - static_cast<int>(std::lround(m_view.WorldToView({0.0, t.value}).y));
        Text(left - 4 - TextWidth(t.label), y - 4, t.label);
    }
    Text(right - TextWidth(m_xlabel), 4, m_xlabel);
    Text(4, h - 12, m_ylabel);
}

void GL_Plot2D::draw()
{
    if (!MakeCurrent()) {
        return;
    }
    DrawScene();
    glFlush();
    SwapBuffers();
    m_needsDraw = false;
}

std::vector<unsigned char> GL_Plot2D::RenderAndRead()
{
    std::vector<unsigned char> pixels;
    if (!MakeCurrent()) {
        return pixels;
    }
    DrawScene();
    pixels = ReadBackBuffer(m_view.CanvasWidth(), m_view.CanvasHeight());
    SwapBuffers();
    m_needsDraw = false;
    return pixels;
}

void GL_Plot2D::render(wxPaintEvent&)
{
    wxPaintDC dc(this); // required by wx even though GL does the drawing
    draw();
}

void GL_Plot2D::resized(wxSizeEvent& event)
{
    const wxSize size = event.GetSize() * GetContentScaleFactor();
    m_view.SetCanvasSize(std::max(size.x, 1), std::max(size.y, 1));
    RequestDraw();
    event.Skip();
}

void GL_Plot2D::OnIdle(wxIdleEvent& event)
{
    if (m_needsDraw) {
        draw();
    }
    event.Skip();
}

void GL_Plot2D::mouseWheelMoved(wxMouseEvent& event)
{
    m_view.WheelZoom(event.GetX(), event.GetY(), event.GetWheelRotation());
    RequestDraw();
}

void GL_Plot2D::mouseMoved(wxMouseEvent& event)
{
    const wxPoint at = event.GetPosition();
    if (IsPanning) {
        m_view.PanByPixels(at.x - LastMousePos.x, at.y - LastMousePos.y);
        LastMousePos = at;
        RequestDraw();
    } else if (IsZooming) {
        MouseActualLocation = at;
        RequestDraw();
    }
}

void GL_Plot2D::startZoom(wxMouseEvent& event)
{
    IsZooming = true;
    IsPanning = false;
    MouseFirstPoint = MouseActualLocation = event.GetPosition();
    SetFocus();
    event.Skip();
}

void GL_Plot2D::stopZoom(wxMouseEvent& event)
{
    if (IsZooming) {
        IsZooming = false;
        m_view.RubberBand(MouseFirstPoint.x, MouseFirstPoint.y, event.GetX(), event.GetY());
        RequestDraw();
    }
    event.Skip();
}

void GL_Plot2D::startPan(wxMouseEvent& event)
{
    IsPanning = true;
    IsZooming = false;
    LastMousePos = event.GetPosition();
    SetFocus();
    event.Skip();
}

void GL_Plot2D::stopPan(wxMouseEvent& event)
{
    IsPanning = false;
    event.Skip();
}

void GL_Plot2D::viewExtent(wxMouseEvent&)
{
    IsZooming = false;
    m_view.ViewExtents();
    RequestDraw();
}

void GL_Plot2D::mouseLeftWindow(wxMouseEvent& event)
{
    // A drag that leaves the canvas ends there: its button-up never comes.
    if (IsZooming) {
        IsZooming = false;
        RequestDraw();
    }
    IsPanning = false;
    event.Skip();
}

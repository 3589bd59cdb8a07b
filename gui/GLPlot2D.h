#pragma once
// A 2D plot: an OpenGL canvas that draws its curves (PlotGraphs) with a grid,
// tick labels and axis captions, and forwards the mouse to its PlotView:
// wheel zoom about the cursor, rubber-band zoom with the left or middle
// button, pan with the right button, a double-click back to the whole data.

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <wx/glcanvas.h>

#include "GLContext.h"

#include "view/PlotGraph.h"
#include "view/PlotView.h"

class GL_Plot2D : public wxGLCanvas {
public:
    explicit GL_Plot2D(wxWindow* parent);
    ~GL_Plot2D() override;

    // The curves; after changing them call DataChanged.
    PlotGraphs& Graphs() { return m_graphs; }
    const PlotGraphs& Graphs() const { return m_graphs; }
    // Curves may look at samples owned elsewhere: the canvas draws them only
    // while check says those samples still exist.
    void SetDataCheck(std::function<bool()> check) { m_dataValid = std::move(check); }
    // Recomputes the extents and fits the view (see FitViewToGraphs), then redraws.
    void DataChanged(std::optional<std::pair<double, double>> keepX = std::nullopt,
                     std::optional<double> yFloor = std::nullopt);
    void SetAxisLabels(std::string xlabel, std::string ylabel);

    const PlotView& View() const { return m_view; }
    // The visible x range (first = min, second = max).
    std::pair<double, double> GetXRange() const;
    void SetXRange(double lo, double hi);
    void SetYRange(double lo, double hi);

    // Draws one frame now (when the canvas is on screen).
    void draw();
    // Draws one frame into the back buffer and returns its RGB pixels, rows
    // from the bottom. Empty when the canvas cannot draw.
    std::vector<unsigned char> RenderAndRead();
    int getWidth() const { return m_view.CanvasWidth(); }
    int getHeight() const { return m_view.CanvasHeight(); }
    void RequestDraw();

private:
    void render(wxPaintEvent& event);
    void resized(wxSizeEvent& event);
    void OnIdle(wxIdleEvent& event);
    void mouseWheelMoved(wxMouseEvent& event);
    void mouseMoved(wxMouseEvent& event);
    void startZoom(wxMouseEvent& event);
    void stopZoom(wxMouseEvent& event);
    void startPan(wxMouseEvent& event);
    void stopPan(wxMouseEvent& event);
    void viewExtent(wxMouseEvent& event);
    void mouseLeftWindow(wxMouseEvent& event);

    bool MakeCurrent();
    void DrawScene();
    void drawGrid() const;
    void drawPlots() const;
    void drawZoom() const;
    void drawTicks() const;

    PlotGraphs m_graphs;
    PlotView m_view;
    std::function<bool()> m_dataValid;
    std::string m_xlabel;
    std::string m_ylabel;
    bool IsZooming = false;
    bool IsPanning = false;
    wxPoint MouseFirstPoint;     // where the rubber band started, pixels
    wxPoint MouseActualLocation; // where the mouse is, pixels
    wxPoint LastMousePos;        // last position of a pan, pixels
    bool m_needsDraw = true;
    CanvasContext m_context;
};

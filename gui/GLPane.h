#pragma once
// The 3D room view: an OpenGL canvas that draws what BuildRoomDrawData
// prepares from the open room and forwards its mouse events to a
// ViewNavigator. It only reads the room.

#include <memory>
#include <vector>

#include <wx/glcanvas.h>

#include "GLContext.h"

#include "view/RoomDrawData.h"
#include "view/ViewControl.h"

class TRoom;

class GL_Window : public wxGLCanvas {
public:
    explicit GL_Window(wxWindow* parent);
    ~GL_Window() override;

    // The room to draw (the window's, never owned); the colours are rebuilt.
    void SetRoom(TRoom* room, const ViewControl& options);
    void SetRoom(TRoom* room);
    void SetViewControl(const ViewControl& options);
    // Layer colours or geometry changed: rebuild what is drawn.
    void UpdateColors();

    const ViewControl& View() const { return m_nav.view; }
    ViewNavigator& Navigator() { return m_nav; }

    // Draws one frame now (when the canvas is on screen).
    void draw();
    // Draws one frame into the back buffer and returns its RGB pixels, rows
    // from the bottom, before the buffers are swapped. Empty when the canvas
    // cannot draw.
    std::vector<unsigned char> RenderAndRead();
    // Window pixel (x from the left, y from the top) where p appears in the
    // last frame drawn; false when it lies behind the camera.
    bool ProjectToWindow(TPoint3D p, int& x, int& y) const;

    int getWidth() const { return m_nav.view.width; }
    int getHeight() const { return m_nav.view.height; }
    // Draw again at the next idle time.
    void RequestDraw() { m_needsDraw = true; }
    // Frames drawn so far.
    long FramesDrawn() const { return m_frames; }

private:
    void render(wxPaintEvent& event);
    void resized(wxSizeEvent& event);
    void OnIdle(wxIdleEvent& event);
    void mouseMoved(wxMouseEvent& event);
    void mouseDown(wxMouseEvent& event);
    void mouseWheelMoved(wxMouseEvent& event);
    void viewExtent(wxMouseEvent& event);

    bool MakeCurrent();
    void Invalidate();
    void AdjustView();
    void DrawScene();

    ViewNavigator m_nav;
    TRoom* sala = nullptr; // the window's room
    std::vector<RGBA> colors;
    RoomDrawData m_data;
    bool m_dataValid = false;
    bool m_needsDraw = true;
    CanvasContext m_context;
    long m_frames = 0;
    double m_modelview[16] = {};
    double m_projection[16] = {};
    int m_viewport[4] = {};
};

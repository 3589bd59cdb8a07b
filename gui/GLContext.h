#pragma once
// What every OpenGL canvas of the window needs: its own context, made once
// the canvas is on screen, and the back buffer read back (for the tests and
// screenshots, which compare what was drawn).

#include <memory>
#include <vector>

class wxGLCanvas;
class wxGLContext;

class CanvasContext {
public:
    CanvasContext();
    ~CanvasContext();
    CanvasContext(const CanvasContext&) = delete;
    CanvasContext& operator=(const CanvasContext&) = delete;

    // Makes the canvas's context current, creating it on first use; false
    // while the canvas is not on screen or the context cannot be made.
    bool MakeCurrent(wxGLCanvas& canvas);

private:
    std::unique_ptr<wxGLContext> m_context;
};

// The RGB pixels of the current context's back buffer, rows from the bottom.
// Call after drawing and before swapping the buffers.
std::vector<unsigned char> ReadBackBuffer(int width, int height);

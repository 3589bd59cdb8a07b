#include "GLContext.h"

#include <GL/gl.h>

#include <wx/glcanvas.h>

CanvasContext::CanvasContext() = default;
CanvasContext::~CanvasContext() = default;

bool CanvasContext::MakeCurrent(wxGLCanvas& canvas)
{
    if (!canvas.IsShownOnScreen()) {
        return false;
    }
    if (!m_context) {
        m_context = std::make_unique<wxGLContext>(&canvas);
        if (!m_context->IsOK()) {
            m_context.reset();
            return false;
        }
    }
    return canvas.SetCurrent(*m_context);
}

std::vector<unsigned char> ReadBackBuffer(int width, int height)
{
    glFinish();
    std::vector<unsigned char> pixels(static_cast<std::size_t>(width) *
                                      static_cast<std::size_t>(height) * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

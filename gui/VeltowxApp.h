#pragma once
// The desktop program: one main window, optionally opening the project named
// on the command line.

#include <wx/app.h>

class VeltowxApp : public wxApp {
public:
    bool OnInit() override;
    // A last resort: an exception that escaped a handler is shown, not fatal.
    bool OnExceptionInMainLoop() override;
};

// Shows core errors in message boxes titled "Error"; from another thread the
// message is handed to the GUI thread and the caller goes on.
void InstallGuiErrorPresenter();
// GLUT's bitmap text ends the process unless GLUT was initialised first.
void InitGlut();

#include "VeltowxApp.h"

#include <exception>
#include <string>

#include <wx/image.h>
#include <wx/msgdlg.h>

#include "VeltowxMain.h"
#include "WxText.h"

bool VeltowxApp::OnInit()
{
    // The only argument is a project to open; wx's own option parsing would
    // refuse it.
    wxInitAllImageHandlers();
    InitGlut();
    InstallGuiErrorPresenter();
    auto* frame = new VeltowxFrame(nullptr);
    frame->Show();
    SetTopWindow(frame);
    if (argc > 1) {
        const std::string path = FromWx(argv[1]);
        // Opened once the window is up, so that a failure shows over it.
        CallAfter([frame, path] { frame->LoadRoom(path); });
    }
    return true;
}

bool VeltowxApp::OnExceptionInMainLoop()
{
    try {
        throw;
    } catch (const std::exception& error) {
        wxMessageBox(ToWx(error.what()), "Error", wxOK | wxICON_ERROR);
    } catch (...) {
        wxMessageBox("Unknown error", "Error", wxOK | wxICON_ERROR);
    }
    return true; // keep the program and the user's project
}

wxIMPLEMENT_APP(VeltowxApp);

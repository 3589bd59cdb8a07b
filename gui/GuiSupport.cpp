#include "VeltowxApp.h"

#include <GL/freeglut.h>

#include <string>

#include <wx/msgdlg.h>
#include <wx/thread.h>

#include "WxText.h"
#include "util/ErrorMessage.h"

void InstallGuiErrorPresenter()
{
    SetErrorPresenter([](const std::string& text) {
        if (wxThread::IsMain()) {
            wxMessageBox(ToWx(text), "Error", wxOK | wxICON_ERROR, wxTheApp->GetTopWindow());
        } else if (wxTheApp != nullptr) {
            wxTheApp->CallAfter([text] {
                wxMessageBox(ToWx(text), "Error", wxOK | wxICON_ERROR, wxTheApp->GetTopWindow());
            });
        }
    });
}

void InitGlut()
{
    static bool done = false;
    if (!done) {
        int argc = 1;
        char name[] = "velto";
        char* argv[] = {name, nullptr};
        glutInit(&argc, argv);
        done = true;
    }
}

#pragma once
// The real main window under an X server, driven by events: the fixture and
// helpers the display tests share. The project's questions are answered by a
// script; the 3D view's pixels are read back from the back buffer.

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/grid.h>
#include <wx/menu.h>
#include <wx/notebook.h>
#include <wx/radiobut.h>
#include <wx/textctrl.h>
#include <wx/utils.h>

#include "GLPane.h"
#include "TestFiles.h"
#include "TestSupport.h"
#include "VeltowxMain.h"
#include "project/ScriptedDialogs.h"
#include "room/TRoom.h"

inline const std::string kShoebox = std::string(VELTO_EXAMPLES_DIR) + "/shoebox/shoebox.txt";

inline void Pump(int rounds = 10)
{
    for (int i = 0; i < rounds; ++i) {
        wxTheApp->ProcessPendingEvents();
        while (wxTheApp->Pending()) {
            wxTheApp->Dispatch();
        }
        wxTheApp->ProcessIdle();
        wxMilliSleep(2);
    }
}

// Chooses a radio button as a click does.
inline void ChooseRadio(wxRadioButton* radio)
{
    radio->SetValue(true);
    wxCommandEvent event(wxEVT_RADIOBUTTON, radio->GetId());
    event.SetEventObject(radio);
    event.SetInt(1);
    radio->GetEventHandler()->ProcessEvent(event);
    Pump();
}

struct Pixel {
    int r, g, b;
};

class Window : public testing::Test {
protected:
    void SetUp() override
    {
        auto dialogs = std::make_unique<ScriptedDialogs>();
        script = dialogs.get();
        frame = new VeltowxFrame(nullptr, wxID_ANY, std::move(dialogs));
        frame->Show();
        Pump(30);
    }
    void TearDown() override
    {
        if (frame != nullptr) {
            frame->Destroy();
        }
        Pump();
    }

    void Menu(int id)
    {
        wxCommandEvent event(wxEVT_MENU, id);
        event.SetEventObject(frame);
        frame->GetEventHandler()->ProcessEvent(event);
        Pump();
    }
    void Tick(wxCheckBox* box, bool value)
    {
        box->SetValue(value);
        wxCommandEvent event(wxEVT_CHECKBOX, box->GetId());
        event.SetEventObject(box);
        event.SetInt(value ? 1 : 0);
        box->GetEventHandler()->ProcessEvent(event);
        Pump();
    }
    void Mouse(wxEventType type, int x, int y, bool left = false, bool right = false,
               int wheel = 0)
    {
        wxMouseEvent event(type);
        event.SetEventObject(frame->MyGLCanvas);
        event.m_x = x;
        event.m_y = y;
        event.m_leftDown = left;
        event.m_rightDown = right;
        event.m_wheelRotation = wheel;
        event.m_wheelDelta = 120;
        frame->MyGLCanvas->GetEventHandler()->ProcessEvent(event);
    }
    void OpenShoebox()
    {
        script->openChoices.push_back(kShoebox);
        Menu(wxID_OPEN);
        ASSERT_EQ(frame->GetTitle(), "VELTO - shoebox.txt");
    }
    void EditCell(wxGrid* grid, int row, int col, const char* text)
    {
        grid->SetCellValue(row, col, text);
        wxGridEvent event(grid->GetId(), wxEVT_GRID_CELL_CHANGED, grid, row, col);
        grid->GetEventHandler()->ProcessEvent(event);
        Pump();
    }
    void Click(wxButton* button)
    {
        wxCommandEvent event(wxEVT_BUTTON, button->GetId());
        event.SetEventObject(button);
        button->GetEventHandler()->ProcessEvent(event);
        Pump();
    }
    // Polls the run as the window's timer does until it has ended; the
    // status text it ends with.
    std::string RunUntilIdle()
    {
        for (int i = 0; i < 120000 && frame->GetProject().IsSimulating(); ++i) {
            frame->PollSimulation();
            wxMilliSleep(5);
        }
        Pump();
        return std::string(frame->textinfo->GetValue().utf8_str());
    }
    std::vector<unsigned char> Frame() { return frame->MyGLCanvas->RenderAndRead(); }
    // The pixel at window position (x from the left, y from the top).
    Pixel At(const std::vector<unsigned char>& pixels, int x, int y)
    {
        const GL_Window& canvas = *frame->MyGLCanvas;
        const std::size_t row = static_cast<std::size_t>(canvas.getHeight() - 1 - y);
        const std::size_t i = (row * static_cast<std::size_t>(canvas.getWidth()) +
                               static_cast<std::size_t>(x)) * 3;
        return {pixels[i], pixels[i + 1], pixels[i + 2]};
    }
    Pixel ProjectedPixel(const std::vector<unsigned char>& pixels, TPoint3D p)
    {
        int x = 0, y = 0;
        EXPECT_TRUE(frame->MyGLCanvas->ProjectToWindow(p, x, y));
        return At(pixels, x, y);
    }

    ConsoleRecorder console;
    VeltowxFrame* frame = nullptr;
    ScriptedDialogs* script = nullptr;
};

inline bool IsRed(Pixel p)
{
    return p.r > 120 && p.g < 60 && p.b < 60;
}
inline bool IsWhite(Pixel p)
{
    return p.r > 245 && p.g > 245 && p.b > 245;
}


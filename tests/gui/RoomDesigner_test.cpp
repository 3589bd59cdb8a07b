// The standard rooms dialog on a real display: the previews follow the lengths,
// and Apply hands over only a project it wrote. Menu, Cancel: WindowDialogs_test.

#include "RoomDesigner.h"

#include <algorithm>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include <wx/spinctrl.h>

#include "WindowTest.h"

namespace {

constexpr int kL2 = 2, kW = 4, kW2 = 5; // spin controls, in the dialog's order

// The dialog shown modelessly over the main window.
class RoomDesignerTest : public Window {
protected:
    void SetUp() override
    {
        Window::SetUp();
        dialog = new RoomDesigner(frame, *script); // goes with the main window
        dialog->Show();
        Pump(30);
    }

    RoomDesigner* dialog = nullptr;
};

// A length set as the user does: with the arrows (a spin event) or typed
// (a text event).
void SetLength(wxSpinCtrlDouble* spin, double value, wxEventType how)
{
    spin->SetValue(value);
    wxSpinDoubleEvent event(how, spin->GetId(), value);
    event.SetEventObject(spin);
    spin->GetEventHandler()->ProcessEvent(event);
    Pump();
}

// The room's extent along one axis.
double Span(const TRoom& room, double TPoint3D::*axis)
{
    double low = 1e300, high = -1e300;
    for (const TPlane& plane : room.plane) {
        for (const TPoint3D& v : plane.vertice) {
            low = std::min(low, v.*axis);
            high = std::max(high, v.*axis);
        }
    }
    return high - low;
}

} // namespace

TEST_F(RoomDesignerTest, PreviewsFollowEachChangeAtOnce)
{
    const std::vector<unsigned char> before = dialog->MyGLCanvas->RenderAndRead();
    ASSERT_FALSE(before.empty()) << "the preview cannot draw";
    EXPECT_NEAR(Span(dialog->Room(), &TPoint3D::x), 12.0, 1e-6);

    SetLength(dialog->SpinCtrl[kL2], 10.0, wxEVT_SPINCTRLDOUBLE);
    EXPECT_NEAR(Span(dialog->Room(), &TPoint3D::x), 17.0, 1e-6);
    EXPECT_NEAR(dialog->Room().Center.x, 8.5, 1e-6) << "the preview aims at the new centre";
    double planMaxX = 0.0;
    for (const OutlineSegment& s : dialog->OrthoPanel->Outline(OrthoView::Plan)) {
        planMaxX = std::max({planMaxX, s.x0, s.x1});
    }
    EXPECT_NEAR(planMaxX, 17.0, 1e-6) << "the orthographic views follow too";
    const std::vector<unsigned char> longer = dialog->MyGLCanvas->RenderAndRead();
    EXPECT_TRUE(longer != before) << "the preview shows the longer room";

    // The rear wall's width moves no bound of the room, so the camera stays
    // and only a rebuilt drawing can change the picture.
    SCOPED_TRACE("a typed rear wall width");
    const TPoint3D centre = dialog->Room().Center;
    SetLength(dialog->SpinCtrl[kW2], 6.0, wxEVT_TEXT);
    EXPECT_NEAR(Module(dialog->Room().Center - centre), 0.0, 1e-9);
    EXPECT_TRUE(dialog->MyGLCanvas->RenderAndRead() != longer) << "the preview shows the new walls";
}

// A failed write is told, keeps the dialog open and leaves nothing behind;
// Apply then hands over the room the controls show.
TEST_F(RoomDesignerTest, ApplyHandsOverARoomThatLoadsOnceWritten)
{
    ScratchFolder folder;
    const std::string missing = folder.Path("missing/Import.txt");
    const ErrorRecorder errors;
    for (const std::optional<std::string>& target :
         {std::optional(missing), std::optional<std::string>()}) {
        SCOPED_TRACE(target.value_or("no temporary folder"));
        dialog->SetHandOverProvider([target] { return target; });
        Click(dialog->Button1);
        EXPECT_TRUE(dialog->IsShown());
        EXPECT_TRUE(dialog->HandOverFile().empty());
        ASSERT_FALSE(script->messages.empty());
        EXPECT_NE(script->messages.back().find(target.value_or("")), std::string::npos);
    }
    EXPECT_EQ(script->messages.size(), 2u);
    EXPECT_TRUE(std::filesystem::is_empty(folder.Folder()));

    const std::string path = folder.Path("Import.txt");
    dialog->SetHandOverProvider([&] { return path; });
    SetLength(dialog->SpinCtrl[kW], 10.0, wxEVT_SPINCTRLDOUBLE);
    Click(dialog->Button1);
    EXPECT_EQ(dialog->HandOverFile(), path);
    EXPECT_FALSE(dialog->IsShown());
    EXPECT_EQ(dialog->GetReturnCode(), wxID_OK);
    EXPECT_EQ(script->messages.size(), 2u);
    TRoom loaded;
    ASSERT_NO_THROW(loaded.LoadAndAnalyse(path));
    EXPECT_NEAR(Span(loaded, &TPoint3D::x), 12.0, 1e-6);
    EXPECT_NEAR(Span(loaded, &TPoint3D::y), 10.0, 1e-6) << "the width set before Apply";
}

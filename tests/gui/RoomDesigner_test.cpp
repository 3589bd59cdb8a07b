// The standard rooms dialog on a real display: its previews follow the spin
// controls, and Apply hands over a project only when it could be written.

#include "RoomDesigner.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include <wx/frame.h>
#include <wx/spinctrl.h>

#include "WindowTest.h"

namespace {

// Spin control indices, in the dialog's order.
constexpr int kL2 = 2;
constexpr int kW = 4;
constexpr int kW2 = 5;

// The dialog shown modelessly over a parent frame; the project's messages
// are recorded.
class ShownDesigner {
public:
    ShownDesigner()
    {
        frame = new wxFrame(nullptr, wxID_ANY, "parent");
        frame->Show();
        dialog = new RoomDesigner(frame, script);
        dialog->Show();
        Pump(30);
    }
    ~ShownDesigner()
    {
        dialog->Destroy();
        frame->Destroy();
        Pump();
    }
    ShownDesigner(const ShownDesigner&) = delete;
    ShownDesigner& operator=(const ShownDesigner&) = delete;

    ConsoleRecorder console; // the room prints as it goes
    ScriptedDialogs script;
    wxFrame* frame = nullptr;
    RoomDesigner* dialog = nullptr;
};

// A value put in a spin control as the user does: with the arrows (a spin
// event) or by typing (a text event).
void SetLength(wxSpinCtrlDouble* spin, double value, wxEventType how)
{
    spin->SetValue(value);
    if (how == wxEVT_SPINCTRLDOUBLE) {
        wxSpinDoubleEvent event(wxEVT_SPINCTRLDOUBLE, spin->GetId(), value);
        event.SetEventObject(spin);
        spin->GetEventHandler()->ProcessEvent(event);
    } else {
        wxCommandEvent event(wxEVT_TEXT, spin->GetId());
        event.SetEventObject(spin);
        event.SetString(spin->GetTextValue());
        spin->GetEventHandler()->ProcessEvent(event);
    }
    Pump();
}

void Click(wxButton* button)
{
    wxCommandEvent event(wxEVT_BUTTON, button->GetId());
    event.SetEventObject(button);
    button->GetEventHandler()->ProcessEvent(event);
}

void Press(wxButton* button)
{
    Click(button);
    Pump();
}

struct Extent {
    TPoint3D min, max;
};

Extent ExtentOf(const TRoom& room)
{
    Extent e{room.plane.at(0).vertice.at(0), room.plane.at(0).vertice.at(0)};
    for (const TPlane& p : room.plane) {
        for (const TPoint3D& v : p.vertice) {
            e.min.Set(std::min(e.min.x, v.x), std::min(e.min.y, v.y), std::min(e.min.z, v.z));
            e.max.Set(std::max(e.max.x, v.x), std::max(e.max.y, v.y), std::max(e.max.z, v.z));
        }
    }
    return e;
}

} // namespace

TEST(RoomDesigner, PreviewsFollowEachChangeAtOnce)
{
    ShownDesigner d;
    RoomDesigner& dialog = *d.dialog;
    EXPECT_EQ(dialog.GetTitle(), "Standard Rooms");
    const std::vector<unsigned char> before = dialog.MyGLCanvas->RenderAndRead();
    ASSERT_FALSE(before.empty()) << "the preview cannot draw";
    EXPECT_NEAR(ExtentOf(dialog.Room()).max.x, 12.0, 1e-6);

    SetLength(dialog.SpinCtrl[kL2], 10.0, wxEVT_SPINCTRLDOUBLE);
    EXPECT_FLOAT_EQ(dialog.Model().L2, 10.0f);
    EXPECT_NEAR(ExtentOf(dialog.Room()).max.x, 17.0, 1e-6);
    EXPECT_NEAR(dialog.Room().Center.x, 8.5, 1e-6) << "the preview aims at the new centre";
    double planMaxX = 0.0;
    for (const OutlineSegment& s : dialog.OrthoPanel->Outline(OrthoView::Plan)) {
        planMaxX = std::max({planMaxX, s.x0, s.x1});
    }
    EXPECT_NEAR(planMaxX, 17.0, 1e-6) << "the orthographic views follow too";
    const std::vector<unsigned char> longer = dialog.MyGLCanvas->RenderAndRead();
    EXPECT_TRUE(longer != before) << "the preview shows the longer room";

    // The rear wall's width moves no bound of the room, so the camera stays
    // and only a rebuilt drawing can change the picture.
    SCOPED_TRACE("a typed rear wall width");
    const TPoint3D centre = dialog.Room().Center;
    SetLength(dialog.SpinCtrl[kW2], 6.0, wxEVT_TEXT);
    EXPECT_FLOAT_EQ(dialog.Model().W2, 6.0f);
    EXPECT_NEAR(Module(dialog.Room().Center - centre), 0.0, 1e-9);
    EXPECT_TRUE(dialog.MyGLCanvas->RenderAndRead() != longer) << "the preview shows the new walls";
    EXPECT_TRUE(d.script.messages.empty());
}

TEST(RoomDesigner, ApplyHandsOverARoomThatLoads)
{
    ShownDesigner d;
    ScratchFolder folder;
    const std::string path = folder.Path("Import.txt");
    d.dialog->SetHandOverProvider([&] { return path; });
    SetLength(d.dialog->SpinCtrl[kW], 10.0, wxEVT_SPINCTRLDOUBLE);
    Press(d.dialog->Button1);

    EXPECT_EQ(d.dialog->HandOverFile(), path);
    EXPECT_FALSE(d.dialog->IsShown());
    EXPECT_EQ(d.dialog->GetReturnCode(), wxID_OK);
    EXPECT_TRUE(d.script.messages.empty());

    TRoom loaded;
    ASSERT_NO_THROW(loaded.LoadAndAnalyse(path));
    ASSERT_GT(loaded.NumPlanes, 0u);
    const Extent e = ExtentOf(loaded);
    EXPECT_NEAR(e.max.x - e.min.x, 12.0, 1e-6);
    EXPECT_NEAR(e.max.y - e.min.y, 10.0, 1e-6) << "the width set before Apply";
    const std::map<std::string, std::string> materialOf = {
        {"Walls", "Generic_mat"}, {"Floor", "Absorptive_mat"}, {"Ceiling", "Reflective_mat"}};
    ASSERT_EQ(loaded.NumPlaneLayers, 3u);
    for (const TPlaneLayer& layer : loaded.planeLayer) {
        SCOPED_TRACE(layer.nome);
        ASSERT_EQ(materialOf.count(layer.nome), 1u);
        ASSERT_GE(layer.MatID, 0);
        EXPECT_EQ(loaded.material.at(static_cast<std::size_t>(layer.MatID)).nome,
                  materialOf.at(layer.nome));
    }
}

TEST(RoomDesigner, ApplyThatCannotWriteStaysOpen)
{
    ScratchFolder folder;
    const std::string missing = folder.Path("missing/Import.txt");
    const std::pair<const char*, std::optional<std::string>> cases[] = {
        {"a folder that does not exist", missing}, {"no temporary folder", std::nullopt}};
    for (const auto& [name, target] : cases) {
        SCOPED_TRACE(name);
        ShownDesigner d;
        const ErrorRecorder errors;
        d.dialog->SetHandOverProvider([target = target] { return target; });
        Press(d.dialog->Button1);

        EXPECT_TRUE(d.dialog->IsShown());
        EXPECT_TRUE(d.dialog->HandOverFile().empty());
        ASSERT_EQ(d.script.messages.size(), 1u);
        EXPECT_EQ(d.script.messages[0].rfind("Standard Rooms: ", 0), 0u);
        if (target) {
            EXPECT_NE(d.script.messages[0].find(*target), std::string::npos)
                << "the message names the file";
        }
        EXPECT_FALSE(std::filesystem::exists(folder.Path("missing")));
    }
    EXPECT_TRUE(std::filesystem::is_empty(folder.Folder()));
}

TEST(RoomDesigner, CancelWritesNothing)
{
    ShownDesigner d;
    bool asked = false;
    d.dialog->SetHandOverProvider([&]() -> std::optional<std::string> {
        asked = true;
        return std::nullopt;
    });
    SetLength(d.dialog->SpinCtrl[kL2], 7.5, wxEVT_SPINCTRLDOUBLE);

    SCOPED_TRACE("shown modally, as the main window does");
    d.dialog->Hide();
    wxTheApp->CallAfter([&] { Click(d.dialog->Button2); });
    EXPECT_EQ(d.dialog->ShowModal(), wxID_CANCEL);
    EXPECT_FALSE(asked);
    EXPECT_TRUE(d.dialog->HandOverFile().empty());
    EXPECT_TRUE(d.script.messages.empty());
}

// File > Import and Rooms > Standard Rooms from the main window's menu, with
// the modal dialogs driven from inside their own event loop.

#include <algorithm>
#include <filesystem>
#include <functional>

#include <wx/listctrl.h>
#include <wx/radiobut.h>
#include <wx/spinctrl.h>

#include "ImportDialog.h"
#include "RoomDesigner.h"
#include "WindowTest.h"
#include "WxText.h"

namespace {

class WindowDialogs : public Window {
protected:
    // Runs steps inside the modal loop of the dialog the menu command opens;
    // the dialog is cancelled afterwards if the steps left it open, so a
    // failing test never hangs.
    void MenuWithDialog(int id, std::function<void()> steps)
    {
        bool ran = false;
        frame->CallAfter([this, steps, &ran] {
            ran = true;
            steps();
            Pump(2);
            for (wxDialog* dialog : OpenDialogs()) {
                wxCommandEvent cancel(wxEVT_BUTTON, wxID_CANCEL);
                dialog->GetEventHandler()->ProcessEvent(cancel);
            }
        });
        Menu(id);
        EXPECT_TRUE(ran) << "the dialog's loop never ran the test's steps";
    }
    std::vector<wxDialog*> OpenDialogs() const
    {
        std::vector<wxDialog*> open;
        if (frame->DXFFrame->IsShown()) {
            open.push_back(frame->DXFFrame);
        }
        if (frame->Designer != nullptr && frame->Designer->IsShown()) {
            open.push_back(frame->Designer);
        }
        return open;
    }
    // Moves the named layer from "DXF Layers" with the arrow button.
    void Assign(const char* layer, wxButton* arrow)
    {
        wxListCtrl* all = frame->DXFFrame->ListLayerAll;
        for (long i = 0; i < all->GetItemCount(); ++i) {
            all->SetItemState(i, FromWx(all->GetItemText(i)) == layer ? wxLIST_STATE_SELECTED : 0,
                              wxLIST_STATE_SELECTED);
        }
        Click(arrow);
    }
    // Imports the scene's room, sources and receivers.
    void ImportScene(bool asNewProject)
    {
        script->openChoices.push_back(TestDataPath("dxf/testscene_R2000.dxf"));
        MenuWithDialog(VeltowxFrame::ID_IMPORT, [this, asNewProject] {
            ImportDialog& dialog = *frame->DXFFrame;
            Assign("ROOM", dialog.BitmapButton5);
            Assign("SRC", dialog.BitmapButton1);
            Assign("REC", dialog.BitmapButton3);
            ChooseRadio(asNewProject ? dialog.RadioNewProject : dialog.RadioAppend);
            Click(dialog.Button1);
        });
    }
    static bool EveryLayerHasItsMaterial(const TRoom& room)
    {
        return std::all_of(room.planeLayer.begin(), room.planeLayer.end(), [&](const auto& layer) {
            return layer.MatID >= 0 && layer.MatID < static_cast<int>(room.NumMaterials);
        });
    }
};

} // namespace

TEST_F(WindowDialogs, ImportAsNewProjectGivesTheDrawnRoomUntitled)
{
    ImportScene(true);
    const TRoom& room = frame->GetProject().Room();
    EXPECT_NEAR(room.Volume, 144.0, 0.5);
    EXPECT_EQ(room.NumSources, 1u);
    EXPECT_EQ(room.NumReceivers, 2u);
    EXPECT_EQ(frame->GetTitle(), "VELTO - Untitled Project");
    EXPECT_FALSE(std::filesystem::exists("Temporary.txt"));
    script->saveChoices.push_back(std::nullopt);
    Menu(wxID_SAVE);
    EXPECT_EQ(script->proposedNames.back(), "Untitled.txt");
}

TEST_F(WindowDialogs, ImportThatCannotBeWrittenStaysOpenAndChangesNothing)
{
    OpenShoebox();
    const unsigned int planes = frame->GetProject().Room().NumPlanes;
    frame->DXFFrame->SetHandOverProvider(
        [] { return std::optional<std::string>("/nonexistent-velto-folder/import.txt"); });
    script->openChoices.push_back(TestDataPath("dxf/testscene_R2000.dxf"));
    bool stayedOpen = false;
    MenuWithDialog(VeltowxFrame::ID_IMPORT, [&] {
        Assign("ROOM", frame->DXFFrame->BitmapButton5);
        Click(frame->DXFFrame->Button1);
        stayedOpen = frame->DXFFrame->IsShown();
    });
    EXPECT_TRUE(stayedOpen);
    EXPECT_FALSE(script->messages.empty());
    EXPECT_EQ(frame->GetTitle(), "VELTO - shoebox.txt");
    EXPECT_EQ(frame->GetProject().Room().NumPlanes, planes);
}

TEST_F(WindowDialogs, AppendedDrawingSavesAndReopensWithEveryLayerBound)
{
    ScratchFolder folder;
    script->openChoices.push_back(folder.Write("shoebox.txt", ReadBytes(RequiredFile(kShoebox))));
    Menu(wxID_OPEN);
    const TRoom& before = frame->GetProject().Room();
    const unsigned int planes = before.NumPlanes;
    const unsigned int sources = before.NumSources;

    ImportScene(false);
    const TRoom& merged = frame->GetProject().Room();
    EXPECT_EQ(merged.NumPlanes, planes + 6);
    EXPECT_EQ(merged.NumSources, sources + 1);
    EXPECT_TRUE(EveryLayerHasItsMaterial(merged));
    EXPECT_EQ(frame->GetTitle(), "VELTO - shoebox.txt *modified");
    const unsigned int layers = merged.NumPlaneLayers;

    const std::string saved = folder.Path("merged.txt");
    script->saveChoices.push_back(saved);
    Menu(wxID_SAVE);
    script->openChoices.push_back(saved);
    Menu(wxID_OPEN);
    const TRoom& reopened = frame->GetProject().Room();
    EXPECT_EQ(frame->GetTitle(), "VELTO - merged.txt");
    EXPECT_EQ(reopened.NumPlanes, planes + 6);
    EXPECT_EQ(reopened.NumPlaneLayers, layers);
    EXPECT_TRUE(EveryLayerHasItsMaterial(reopened));
}

TEST_F(WindowDialogs, DesignedRoomOpensUntitledAndCancelChangesNothing)
{
    OpenShoebox();
    MenuWithDialog(VeltowxFrame::ID_STANDARDROOMS, [this] {
        ASSERT_NE(frame->Designer, nullptr);
        Click(frame->Designer->Button2); // Cancel
    });
    EXPECT_EQ(frame->GetTitle(), "VELTO - shoebox.txt");

    MenuWithDialog(VeltowxFrame::ID_STANDARDROOMS, [this] {
        ASSERT_NE(frame->Designer, nullptr);
        Click(frame->Designer->Button1); // Apply with the default lengths
    });
    const TRoom& room = frame->GetProject().Room();
    double xMin = 1e9, xMax = -1e9;
    for (const TPlane& plane : room.plane) {
        for (const TPoint3D& p : plane.vertice) {
            xMin = std::min(xMin, p.x);
            xMax = std::max(xMax, p.x);
        }
    }
    EXPECT_DOUBLE_EQ(xMax - xMin, 12.0);
    EXPECT_EQ(room.NumPlaneLayers, 3u);
    EXPECT_TRUE(EveryLayerHasItsMaterial(room));
    EXPECT_EQ(frame->GetTitle(), "VELTO - Untitled Project *modified");

    // Replacing a modified project asks first; Cancel keeps it.
    script->yesNoCancel.push_back(Answer::Cancel);
    MenuWithDialog(VeltowxFrame::ID_STANDARDROOMS, [this] {
        frame->Designer->SpinCtrl[2]->SetValue(10.0); // L2
        Click(frame->Designer->Button1);
    });
    EXPECT_EQ(script->questions.size(), 1u);
    EXPECT_EQ(frame->GetProject().Room().NumPlanes, room.NumPlanes);
    EXPECT_EQ(frame->GetTitle(), "VELTO - Untitled Project *modified");
}

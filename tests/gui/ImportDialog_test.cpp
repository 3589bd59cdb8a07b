// The main window's import dialog under an X server; its way from the menu
// is in WindowDialogs_test.cpp, the model's decisions in ImportLayers_test.cpp.

#include "ImportDialog.h"

#include <algorithm>
#include <filesystem>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include <wx/bmpbuttn.h>
#include <wx/listctrl.h>

#include "WindowTest.h"
#include "WxText.h"
#include "dxf/DxfLayers.h"

namespace {

using Names = std::vector<std::string>;

Names Texts(const wxListCtrl* list)
{
    Names texts;
    for (long i = 0; i < list->GetItemCount(); ++i) {
        texts.push_back(FromWx(list->GetItemText(i)));
    }
    return texts;
}

class ImportDialogTest : public Window {
protected:
    void SetUp() override
    {
        Window::SetUp();
        dialog = frame->DXFFrame;
    }
    // OpenFile with the chooser answering path.
    int Open(const std::string& path)
    {
        script->openChoices.push_back(path);
        return dialog->OpenFile();
    }
    // Selects exactly the entries of list with these names; clicks button.
    void Move(wxListCtrl* list, const Names& names, wxButton* button)
    {
        for (long i = 0; i < list->GetItemCount(); ++i) {
            const bool wanted = std::ranges::count(names, FromWx(list->GetItemText(i))) > 0;
            list->SetItemState(i, wanted ? wxLIST_STATE_SELECTED : 0, wxLIST_STATE_SELECTED);
        }
        if (button != nullptr) {
            Click(button);
        }
    }

    const std::string scene = TestDataPath("dxf/testscene_R2000.dxf");
    ImportDialog* dialog = nullptr;
};

} // namespace

TEST_F(ImportDialogTest, OpenFileListsTheDrawingsLayers)
{
    ASSERT_EQ(Open(scene), 1);
    EXPECT_EQ(Texts(dialog->ListLayerAll), ReadDXFLayerNames(scene).value_or(Names{}));
    Move(dialog->ListLayerAll, {"ROOM"}, dialog->BitmapButton5);

    // An unreadable file leaves the drawing and its assignment.
    ScratchFolder folder;
    const std::string missing = folder.Path("missing.dxf");
    EXPECT_EQ(Open(missing), 0);
    EXPECT_EQ(script->errors, Names{"Cannot open file '" + missing + "'."});
    EXPECT_EQ(dialog->ImportFileName, scene);
    EXPECT_EQ(Texts(dialog->ListLayerPlanes), Names{"ROOM"});

    // Another drawing starts afresh, and its long name fits its column.
    const std::string longName(90, 'W');
    ASSERT_EQ(Open(folder.Touch("other.dxf", "  0\nSECTION\n  2\nTABLES\n  0\nTABLE\n  2\nLAYER\n"
                                             "  0\nLAYER\n  2\n" + longName + "\n 70\n     0\n"
                                             "  0\nENDTAB\n  0\nENDSEC\n  0\nEOF\n")), 1);
    EXPECT_EQ(Texts(dialog->ListLayerAll), Names{longName});
    EXPECT_TRUE(Texts(dialog->ListLayerPlanes).empty());
    EXPECT_GE(dialog->ListLayerAll->GetColumnWidth(0),
              dialog->ListLayerAll->GetTextExtent(longName).x);
}

// Each role's arrows move the selection there and back, to the end of the
// other list; a drop moves it between any two lists.
TEST_F(ImportDialogTest, ArrowsAndDropsMoveTheSelection)
{
    ASSERT_EQ(Open(scene), 1);
    ImportDialog& d = *dialog;
    const std::tuple<wxListCtrl*, wxButton*, wxButton*> roles[] = {
        {d.ListLayerSrc, d.BitmapButton1, d.BitmapButton2},
        {d.ListLayerRec, d.BitmapButton3, d.BitmapButton4},
        {d.ListLayerPlanes, d.BitmapButton5, d.BitmapButton6}};
    for (const auto& [list, there, back] : roles) {
        Move(d.ListLayerAll, {"WALLS", "0"}, there);
        EXPECT_EQ(Texts(list), (Names{"0", "WALLS"}));
        Move(list, {"0"}, back);
        EXPECT_EQ(Texts(list), Names{"WALLS"});
        EXPECT_EQ(Texts(d.ListLayerAll).back(), "0");
        EXPECT_EQ(list->GetSelectedItemCount() + d.ListLayerAll->GetSelectedItemCount(), 0);
        Move(list, {"WALLS"}, back);
    }
    EXPECT_EQ(Texts(d.ListLayerAll).size(), ReadDXFLayerNames(scene).value_or(Names{}).size());

    // A drag from "Plane Layers" dropped on itself, then on "Receiver Layers";
    // text dragged in from another program moves nothing.
    Move(d.ListLayerAll, {"ROOM"}, d.BitmapButton5);
    Move(d.ListLayerPlanes, {"ROOM"}, nullptr);
    d.DragSrc = d.ListLayerPlanes;
    EXPECT_FALSE(d.DropOn(d.ListLayerPlanes));
    EXPECT_TRUE(d.DropOn(d.ListLayerRec));
    EXPECT_EQ(Texts(d.ListLayerRec), Names{"ROOM"});
    EXPECT_TRUE(Texts(d.ListLayerPlanes).empty());
    d.DragSrc = nullptr;
    EXPECT_FALSE(d.DropOn(d.ListLayerSrc));
}

// Import hands over the assigned layers, every kind of plane ticked, only
// when it could write them: a failure is told, keeps the dialog and its
// assignment and leaves nothing behind. The next drawing forgets the file
// the window has taken.
TEST_F(ImportDialogTest, ImportHandsOverOnlyWhatItCouldWrite)
{
    ASSERT_EQ(Open(scene), 1);
    EXPECT_TRUE(dialog->CheckPolyline3D->GetValue() && dialog->CheckFace3D->GetValue() &&
                dialog->CheckPolyfaceMesh->GetValue());
    Move(dialog->ListLayerAll, {"ROOM"}, dialog->BitmapButton5);
    Move(dialog->ListLayerAll, {"SRC"}, dialog->BitmapButton1);
    Move(dialog->ListLayerAll, {"REC"}, dialog->BitmapButton3);
    ScratchFolder folder;
    const ErrorRecorder errors; // the writer's own complaint
    std::string target = folder.Path("missing/Import.txt");
    dialog->SetHandOverProvider([&] { return std::optional<std::string>(target); });
    dialog->Show();
    Pump();
    Click(dialog->Button1);
    EXPECT_TRUE(dialog->IsShown());
    EXPECT_TRUE(dialog->HandOverFile().empty());
    ASSERT_EQ(script->messages.size(), 1u);
    EXPECT_NE(script->messages[0].find(scene), std::string::npos);
    EXPECT_TRUE(std::filesystem::is_empty(folder.Folder()));

    target = folder.Path("Import.txt");
    Click(dialog->Button1);
    EXPECT_FALSE(dialog->IsShown());
    EXPECT_EQ(dialog->GetReturnCode(), wxID_OK);
    ASSERT_EQ(dialog->HandOverFile(), target);
    TRoom room;
    room.LoadAndAnalyse(target);
    EXPECT_NEAR(room.Volume, 144.0, 0.5);
    EXPECT_EQ(room.NumPlanes, 6u);
    EXPECT_EQ(room.NumSources, 1u);
    EXPECT_EQ(room.NumReceivers, 2u); // the third POINT lies on "Main Wall", not assigned

    script->openChoices.push_back(std::nullopt);
    EXPECT_EQ(dialog->OpenFile(), 0);
    EXPECT_TRUE(dialog->HandOverFile().empty());
    dialog->Show();
    Click(dialog->Button2);
    EXPECT_FALSE(dialog->IsShown());
    EXPECT_EQ(dialog->GetReturnCode(), wxID_CANCEL);
    EXPECT_EQ(script->messages.size(), 1u);
}

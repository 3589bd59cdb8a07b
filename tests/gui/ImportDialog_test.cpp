// The import dialog under an X server: the drawing's layers in the lists,
// the arrow buttons and drops moving them, and Import handing a project over
// or staying open when it cannot.

#include "ImportDialog.h"

#include <algorithm>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include <wx/bmpbuttn.h>
#include <wx/listctrl.h>
#include <wx/radiobut.h>

#include "WindowTest.h"
#include "WxText.h"
#include "dxf/DxfLayers.h"
#include "project/ProjectMerge.h"

namespace {

using Names = std::vector<std::string>;

// The least of a drawing: a LAYER table with the given layers.
std::string DrawingWithLayers(const Names& names)
{
    std::string text = "  0\nSECTION\n  2\nTABLES\n  0\nTABLE\n  2\nLAYER\n";
    for (const std::string& name : names) {
        text += "  0\nLAYER\n  2\n" + name + "\n 70\n     0\n";
    }
    return text + "  0\nENDTAB\n  0\nENDSEC\n  0\nEOF\n";
}

class ImportDialogTest : public testing::Test {
protected:
    void SetUp() override
    {
        frame = new wxFrame(nullptr, wxID_ANY, "owner");
        frame->Show();
        dialog = new ImportDialog(frame, script);
        Pump();
    }
    void TearDown() override
    {
        dialog->Destroy();
        frame->Destroy();
        Pump();
    }

    // OpenFile with the chooser answering path.
    int Open(const std::string& path)
    {
        script.openChoices.push_back(path);
        return dialog->OpenFile();
    }
    // Selects exactly the entries of list with these names.
    void Select(wxListCtrl* list, const Names& names)
    {
        for (long i = 0; i < list->GetItemCount(); ++i) {
            const bool wanted =
                std::find(names.begin(), names.end(), FromWx(list->GetItemText(i))) != names.end();
            list->SetItemState(i, wanted ? wxLIST_STATE_SELECTED : 0, wxLIST_STATE_SELECTED);
        }
    }
    void Click(wxButton* button)
    {
        wxCommandEvent event(wxEVT_BUTTON, button->GetId());
        event.SetEventObject(button);
        button->GetEventHandler()->ProcessEvent(event);
        Pump();
    }

    ConsoleRecorder console;
    ScriptedDialogs script;
    wxFrame* frame = nullptr;
    ImportDialog* dialog = nullptr;
};

Names Texts(const wxListCtrl* list)
{
    Names texts;
    for (long i = 0; i < list->GetItemCount(); ++i) {
        texts.push_back(FromWx(list->GetItemText(i)));
    }
    return texts;
}

long SelectedCount(const wxListCtrl* list)
{
    return list->GetSelectedItemCount();
}

} // namespace

TEST_F(ImportDialogTest, OpenFileListsTheDrawingsLayers)
{
    const std::string scene = TestDataPath("dxf/testscene_R2000.dxf");
    const std::optional<Names> names = ReadDXFLayerNames(scene);
    ASSERT_TRUE(names.has_value());
    ASSERT_EQ(Open(scene), 1);
    EXPECT_EQ(dialog->ImportFileName, scene);
    EXPECT_EQ(Texts(dialog->ListLayerAll), *names);
    EXPECT_EQ(dialog->Layers().List(ImportRole::All), *names);
    Select(dialog->ListLayerAll, {"ROOM"});
    Click(dialog->BitmapButton5);
    ASSERT_EQ(Texts(dialog->ListLayerPlanes), Names{"ROOM"});

    // Cancelling the chooser or an unreadable file leaves the assignment.
    script.openChoices.push_back(std::nullopt);
    EXPECT_EQ(dialog->OpenFile(), 0);
    ScratchFolder folder;
    const std::string missing = folder.Path("missing.dxf");
    EXPECT_EQ(Open(missing), 0);
    EXPECT_EQ(script.errors, Names{"Cannot open file '" + missing + "'."});
    EXPECT_EQ(dialog->ImportFileName, scene);
    EXPECT_EQ(Texts(dialog->ListLayerPlanes), Names{"ROOM"});

    // Another drawing starts afresh, and its longest name fits its column.
    const std::string longName(90, 'W');
    const std::string other = folder.Touch("other.dxf", DrawingWithLayers({"0", longName}));
    ASSERT_EQ(Open(other), 1);
    EXPECT_EQ(Texts(dialog->ListLayerAll), (Names{"0", longName}));
    EXPECT_TRUE(Texts(dialog->ListLayerPlanes).empty());
    EXPECT_GE(dialog->ListLayerAll->GetColumnWidth(0),
              dialog->ListLayerAll->GetTextExtent(longName).x);
}

// Each arrow moves the selection one way between "DXF Layers" and its role;
// a drop does the same between any two lists.
TEST_F(ImportDialogTest, ArrowsAndDropsMoveTheSelection)
{
    ASSERT_EQ(Open(TestDataPath("dxf/testscene_R2000.dxf")), 1);
    const Names all = Texts(dialog->ListLayerAll);
    struct Step {
        wxListCtrl* from;
        Names selected;
        wxBitmapButton* button;
        wxListCtrl* to;
        Names toAfter;
    };
    const Step steps[] = {
        {dialog->ListLayerAll, {"SRC"}, dialog->BitmapButton1, dialog->ListLayerSrc, {"SRC"}},
        {dialog->ListLayerAll, {"ROOM", "REC"}, dialog->BitmapButton3, dialog->ListLayerRec,
         {"REC", "ROOM"}},
        {dialog->ListLayerRec, {"ROOM"}, dialog->BitmapButton4, dialog->ListLayerAll, {}},
        {dialog->ListLayerAll, {"WALLS", "FLOOR"}, dialog->BitmapButton5, dialog->ListLayerPlanes,
         {"WALLS", "FLOOR"}},
        {dialog->ListLayerPlanes, {"FLOOR"}, dialog->BitmapButton6, dialog->ListLayerAll, {}},
        {dialog->ListLayerSrc, {"SRC"}, dialog->BitmapButton2, dialog->ListLayerAll, {}},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.selected.front());
        Select(s.from, s.selected);
        Click(s.button);
        for (const std::string& name : s.selected) {
            const Names left = Texts(s.from);
            EXPECT_EQ(std::find(left.begin(), left.end(), name), left.end()) << name;
        }
        if (s.to != dialog->ListLayerAll) {
            EXPECT_EQ(Texts(s.to), s.toAfter);
        } else {
            EXPECT_EQ(Texts(s.to).back(), s.selected.back());
        }
        EXPECT_EQ(SelectedCount(s.from) + SelectedCount(s.to), 0);
    }
    EXPECT_TRUE(Texts(dialog->ListLayerSrc).empty());
    EXPECT_EQ(Texts(dialog->ListLayerRec), Names{"REC"});
    EXPECT_EQ(Texts(dialog->ListLayerPlanes), Names{"WALLS"});
    EXPECT_EQ(Texts(dialog->ListLayerAll).size(), all.size() - 2);

    // A drag from "Plane Layers" dropped on "Receiver Layers".
    Select(dialog->ListLayerPlanes, {"WALLS"});
    dialog->DragSrc = dialog->ListLayerPlanes;
    EXPECT_FALSE(dialog->DropOn(dialog->ListLayerPlanes));
    EXPECT_TRUE(dialog->DropOn(dialog->ListLayerRec));
    EXPECT_EQ(Texts(dialog->ListLayerRec), (Names{"REC", "WALLS"}));
    EXPECT_TRUE(Texts(dialog->ListLayerPlanes).empty());
    // Text dragged in from another program moves nothing.
    Select(dialog->ListLayerAll, {"ROOM"});
    dialog->DragSrc = nullptr;
    EXPECT_FALSE(dialog->DropOn(dialog->ListLayerSrc));
    EXPECT_TRUE(Texts(dialog->ListLayerSrc).empty());
}

TEST_F(ImportDialogTest, ImportHandsOverTheAssignedDrawing)
{
    ASSERT_EQ(Open(TestDataPath("dxf/testscene_R2000.dxf")), 1);
    EXPECT_TRUE(dialog->CheckPolyline3D->GetValue());
    EXPECT_TRUE(dialog->CheckFace3D->GetValue());
    EXPECT_TRUE(dialog->CheckPolyfaceMesh->GetValue());
    const std::pair<const char*, wxBitmapButton*> moves[] = {
        {"ROOM", dialog->BitmapButton5}, {"SRC", dialog->BitmapButton1},
        {"REC", dialog->BitmapButton3}};
    for (const auto& [layer, button] : moves) {
        Select(dialog->ListLayerAll, {layer});
        Click(button);
    }
    EXPECT_TRUE(dialog->NewFile);
    ChooseRadio(dialog->RadioAppend);
    EXPECT_FALSE(dialog->NewFile);

    dialog->Show();
    Pump();
    Click(dialog->Button1);
    EXPECT_FALSE(dialog->IsShown());
    EXPECT_EQ(dialog->GetReturnCode(), wxID_OK);
    EXPECT_TRUE(script.messages.empty());
    const std::string handOver = dialog->HandOverFile();
    ASSERT_FALSE(handOver.empty());
    TRoom room;
    room.LoadAndAnalyse(handOver);
    RemoveHandOver(handOver);
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(handOver).parent_path()));
    EXPECT_NEAR(room.Volume, 144.0, 0.5);
    EXPECT_EQ(room.NumPlanes, 6u);
    EXPECT_EQ(room.NumSources, 1u);
    EXPECT_EQ(room.NumReceivers, 2u); // the third POINT lies on "Main Wall", not assigned

    // The next import starts without the file the window has taken.
    script.openChoices.push_back(std::nullopt);
    EXPECT_EQ(dialog->OpenFile(), 0);
    EXPECT_TRUE(dialog->HandOverFile().empty());
}

// The main window shows the dialog modally: Import must end that loop.
TEST_F(ImportDialogTest, ImportEndsTheModalLoop)
{
    ASSERT_EQ(Open(TestDataPath("dxf/testscene_R2000.dxf")), 1);
    ScratchFolder folder;
    dialog->SetHandOverProvider([&] { return std::optional<std::string>(folder.Path("a.txt")); });
    // Sent without pumping: the modal loop itself must run what follows.
    wxTheApp->CallAfter([this] {
        wxCommandEvent event(wxEVT_BUTTON, dialog->Button1->GetId());
        event.SetEventObject(dialog->Button1);
        dialog->Button1->GetEventHandler()->ProcessEvent(event);
    });
    // Should Import not end it, the test fails instead of hanging.
    wxTheApp->CallAfter([this] {
        if (dialog->IsModal()) {
            dialog->EndModal(wxID_ABORT);
        }
    });
    EXPECT_EQ(dialog->ShowModal(), wxID_OK);
    EXPECT_EQ(dialog->HandOverFile(), folder.Path("a.txt"));
    EXPECT_TRUE(std::filesystem::exists(folder.Path("a.txt")));
}

TEST_F(ImportDialogTest, AFailedImportStaysOpenAndCancelWritesNothing)
{
    ASSERT_EQ(Open(TestDataPath("dxf/testscene_R2000.dxf")), 1);
    ScratchFolder folder;
    const std::string unwritable = folder.Path("missing/Import.txt");
    int asked = 0;
    dialog->SetHandOverProvider([&] {
        ++asked;
        return std::optional<std::string>(unwritable);
    });
    Select(dialog->ListLayerAll, {"ROOM"});
    Click(dialog->BitmapButton5);
    dialog->Show();
    Pump();
    {
        ErrorRecorder errors;
        Click(dialog->Button1);
        EXPECT_EQ(errors.texts, Names{"Cannot create file '" + unwritable + "'."});
    }
    EXPECT_TRUE(dialog->IsShown());
    EXPECT_TRUE(dialog->HandOverFile().empty());
    ASSERT_EQ(script.messages.size(), 1u);
    EXPECT_NE(script.messages[0].find(dialog->ImportFileName), std::string::npos);
    EXPECT_EQ(script.messages[0].rfind("Import Project: ", 0), 0u) << script.messages[0];
    // The assignment is kept for another try.
    EXPECT_EQ(Texts(dialog->ListLayerPlanes), Names{"ROOM"});

    Click(dialog->Button2);
    EXPECT_FALSE(dialog->IsShown());
    EXPECT_EQ(dialog->GetReturnCode(), wxID_CANCEL);
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(dialog->HandOverFile().empty());
    EXPECT_TRUE(std::filesystem::is_empty(folder.Folder()));
}

// Every control lies inside the dialog at a usable size.
TEST_F(ImportDialogTest, LayoutShowsEveryControl)
{
    dialog->Show();
    Pump();
    EXPECT_EQ(dialog->GetTitle(), "Import Project");
    EXPECT_GE(dialog->GetSize().x, 700);
    EXPECT_GE(dialog->GetSize().y, 500);
    const wxRect client(dialog->GetClientSize());
    const std::vector<wxWindow*> controls = {
        dialog->ListLayerAll,    dialog->ListLayerSrc,    dialog->ListLayerRec,
        dialog->ListLayerPlanes, dialog->BitmapButton1,   dialog->BitmapButton2,
        dialog->BitmapButton3,   dialog->BitmapButton4,   dialog->BitmapButton5,
        dialog->BitmapButton6,   dialog->CheckPolyline3D, dialog->CheckFace3D,
        dialog->CheckPolyfaceMesh, dialog->RadioNewProject, dialog->RadioAppend,
        dialog->Button1,         dialog->Button2};
    for (std::size_t i = 0; i < controls.size(); ++i) {
        SCOPED_TRACE("control " + std::to_string(i));
        const wxWindow* control = controls[i];
        const wxRect rect(dialog->ScreenToClient(control->GetScreenPosition()), control->GetSize());
        EXPECT_TRUE(client.Contains(rect)) << rect.x << "," << rect.y << " " << rect.width << "x"
                                           << rect.height;
        EXPECT_GE(rect.height, 12);
    }
    for (const wxListCtrl* list : {dialog->ListLayerAll, dialog->ListLayerSrc,
                                   dialog->ListLayerRec, dialog->ListLayerPlanes}) {
        EXPECT_GE(list->GetSize().y, 60);
        EXPECT_EQ(list->GetColumnCount(), 1);
    }
}

// The main window's own behaviour: views, project life cycle, editors and
// runs. The fixture is in WindowTest.h; main() runs every display test.

#include <cstdlib>

#include <wx/dcmemory.h>
#include <wx/dcscreen.h>
#include <wx/image.h>

#include "GLPlot2D.h"
#include "VeltowxApp.h"
#include "WindowTest.h"
#include "project/GridEditing.h"

TEST_F(Window, StartsUntitledWithTheDefaultView)
{
    EXPECT_EQ(frame->GetTitle(), "VELTO - Untitled Project");
    EXPECT_EQ(frame->Notebook1->GetPageCount(), 5u);
    EXPECT_EQ(frame->Notebook1->GetPageText(1), "Material Association ");
    EXPECT_EQ(frame->Notebook2->GetPageCount(), 3u);
    EXPECT_GT(frame->MyGLCanvas->getWidth(), 100);
    EXPECT_FALSE(Frame().empty()) << "the 3D view cannot draw";
}

TEST_F(Window, SourceShowsOnlyWhileTicked)
{
    OpenShoebox();
    Tick(frame->CBViewFilled, false); // outlines only: the walls hide nothing
    const TPoint3D source = frame->GetProject().Room().source[0].Position;
    const std::vector<unsigned char> shown = Frame();
    ASSERT_FALSE(shown.empty());
    const Pixel on = ProjectedPixel(shown, source);
    EXPECT_TRUE(IsRed(on)) << on.r << " " << on.g << " " << on.b;

    Tick(frame->CBView1, false);
    const Pixel off = ProjectedPixel(Frame(), source);
    EXPECT_TRUE(IsWhite(off)) << off.r << " " << off.g << " " << off.b;
}

TEST_F(Window, OutlineModeShowsTheBackgroundInsideAWall)
{
    OpenShoebox();
    // A point on the floor between the source and the receiver's footprints.
    const TPoint3D floor = TPoint3D::Make(4.0, 1.0, 0.0);
    const Pixel filled = ProjectedPixel(Frame(), floor);
    EXPECT_FALSE(IsWhite(filled)) << filled.r << " " << filled.g << " " << filled.b;
    Tick(frame->CBViewFilled, false);
    const Pixel outline = ProjectedPixel(Frame(), floor);
    EXPECT_TRUE(IsWhite(outline)) << outline.r << " " << outline.g << " " << outline.b;
}

TEST_F(Window, LabelsDraw)
{
    OpenShoebox();
    Tick(frame->CBViewFilled, false);
    const std::vector<unsigned char> without = Frame();
    Tick(frame->CBView5, true);
    Tick(frame->CBView6, true);
    const std::vector<unsigned char> with = Frame();
    ASSERT_EQ(with.size(), without.size());
    EXPECT_NE(with, without) << "the labels drew nothing";
}

TEST_F(Window, WheelDragAndDoubleClickReturnToTheSameFrame)
{
    OpenShoebox();
    const std::vector<unsigned char> before = Frame();
    Mouse(wxEVT_MOUSEWHEEL, 200, 200, false, false, 120);
    Mouse(wxEVT_MOUSEWHEEL, 200, 200, false, false, 120);
    Mouse(wxEVT_LEFT_DOWN, 100, 100, true);
    Mouse(wxEVT_MOTION, 160, 130, true);
    Mouse(wxEVT_RIGHT_DOWN, 160, 130, false, true);
    Mouse(wxEVT_MOTION, 190, 170, false, true);
    const std::vector<unsigned char> moved = Frame();
    EXPECT_NE(moved, before);
    Mouse(wxEVT_LEFT_DCLICK, 190, 170, true);
    EXPECT_EQ(Frame(), before);
}

TEST_F(Window, NewAfterAChangeAsksAndCancelKeepsTheProject)
{
    OpenShoebox();
    const TRoom* room = &frame->GetProject().Room();
    frame->GetProject().MarkModified();
    script->yesNoCancel.push_back(Answer::Cancel);
    Menu(VeltowxFrame::ID_NEWPROJECT);
    EXPECT_EQ(script->questions.size(), 1u);
    EXPECT_EQ(&frame->GetProject().Room(), room);
    EXPECT_EQ(frame->GetTitle(), "VELTO - shoebox.txt *modified");

    // Closing the window asks too; Cancel keeps it open.
    script->yesNoCancel.push_back(Answer::Cancel);
    EXPECT_FALSE(frame->Close());
    EXPECT_EQ(script->questions.size(), 2u);
}

TEST_F(Window, MalformedProjectKeepsTheOpenOne)
{
    OpenShoebox();
    ScratchFolder folder;
    const std::string broken = folder.Touch("broken.txt", "<PLANES>\n3 1 2\n</PLANES>\n");
    ErrorRecorder errors;
    script->openChoices.push_back(broken);
    Menu(wxID_OPEN);
    EXPECT_FALSE(errors.texts.empty());
    EXPECT_EQ(frame->GetTitle(), "VELTO - shoebox.txt");
    EXPECT_EQ(frame->GetProject().Room().NumPlanes, 6u);
    EXPECT_FALSE(Frame().empty());
}

TEST_F(Window, IdleRedrawsAfterNewTouchNoReleasedRoom)
{
    OpenShoebox();
    Tick(frame->CBView7, true);
    Menu(VeltowxFrame::ID_NEWPROJECT);
    EXPECT_EQ(frame->GetTitle(), "VELTO - Untitled Project");
    const long before = frame->MyGLCanvas->FramesDrawn();
    for (int i = 0; i < 200; ++i) {
        frame->MyGLCanvas->RequestDraw();
        wxTheApp->ProcessIdle();
    }
    EXPECT_GE(frame->MyGLCanvas->FramesDrawn() - before, 200);
}

TEST_F(Window, MessagesPaneShowsTheRoomReport)
{
    OpenShoebox();
    frame->FlushMessages();
    EXPECT_NE(frame->MessagesText->GetValue().Find("ENVIRONMENT SECTION:"), wxNOT_FOUND);
    EXPECT_NE(frame->MessagesText->GetValue().Find("Project Name: shoebox.txt"), wxNOT_FOUND);
}

TEST_F(Window, StartOnANewProjectAsksToSaveFirst)
{
    Click(frame->Button1);
    EXPECT_EQ(script->messages, std::vector<std::string>{
                                    "Question: Empty Project! Nothing to Simulate. Please save "
                                    "project first!"});
    EXPECT_EQ(frame->Button1->GetLabel(), "Start Simulation");
}

TEST_F(Window, StartOnAModifiedProjectCancelledStartsNothing)
{
    OpenShoebox();
    frame->GetProject().MarkModified();
    script->okCancel.push_back(false);
    Click(frame->Button1);
    EXPECT_FALSE(frame->GetProject().IsSimulating());
    EXPECT_EQ(frame->GetTitle(), "VELTO - shoebox.txt *modified");
}

TEST_F(Window, RunToTheEndThenStopAndRunAgain)
{
    ScratchFolder folder;
    const std::string path = folder.Write("shoebox.txt", ReadBytes(RequiredFile(kShoebox)));
    script->openChoices.push_back(path);
    Menu(wxID_OPEN);
    TRoom& room = frame->GetProject().Room();

    room.NumRays = 500;
    Click(frame->Button1);
    ASSERT_TRUE(frame->GetProject().IsSimulating());
    EXPECT_EQ(frame->Button1->GetLabel(), "Stop Simulation");
    EXPECT_TRUE(frame->Button1->IsEnabled());
    EXPECT_FALSE(frame->GetMenuBar()->IsEnabled(wxID_OPEN));
    EXPECT_FALSE(frame->GridSources->IsEnabled());
    EXPECT_FALSE(frame->TextTemperature->IsEnabled());
    EXPECT_EQ(RunUntilIdle(), "Simulation finished");
    EXPECT_EQ(frame->Button1->GetLabel(), "Start Simulation");
    EXPECT_TRUE(frame->GetMenuBar()->IsEnabled(wxID_OPEN));
    for (const char* file : {"S001-R001.txt", "PARAMS-S001-R001.txt", "PARAMS-SALL-RALL.txt"}) {
        EXPECT_TRUE(FileExists(folder.Path(file))) << file;
        std::remove(folder.Path(file).c_str());
    }

    room.NumRays = 200000;
    Click(frame->Button1);
    Click(frame->Button1); // stop during tracing
    EXPECT_EQ(RunUntilIdle(), "Simulation stopped");
    EXPECT_FALSE(FileExists(folder.Path("S001-R001.txt")));
    EXPECT_TRUE(frame->GetMenuBar()->IsEnabled(wxID_OPEN));

    room.NumRays = 500;
    Click(frame->Button1);
    EXPECT_EQ(RunUntilIdle(), "Simulation finished");
    EXPECT_TRUE(FileExists(folder.Path("S001-R001.txt")));
}

TEST_F(Window, ClosingDuringARunEndsTheWorkerFirst)
{
    ScratchFolder folder;
    script->openChoices.push_back(folder.Write("shoebox.txt", ReadBytes(RequiredFile(kShoebox))));
    Menu(wxID_OPEN);
    frame->GetProject().Room().NumRays = 200000;
    Click(frame->Button1);
    ASSERT_TRUE(frame->GetProject().IsSimulating());
    EXPECT_TRUE(frame->Close());
    frame = nullptr; // destroyed at the next idle time, with the room and its worker
    Pump();
    EXPECT_FALSE(FileExists(folder.Path("S001-R001.txt")));
}

TEST_F(Window, EditsByEventsSaveAndReopenAsTheSameProject)
{
    ScratchFolder folder;
    const std::string path = folder.Write("shoebox.txt", ReadBytes(RequiredFile(kShoebox)));
    script->openChoices.push_back(path);
    Menu(wxID_OPEN);
    ASSERT_EQ(frame->GridMaterials->GetNumberRows(), 1);
    ASSERT_EQ(frame->GridSources->GetNumberRows(), 1);
    const float speed = frame->GetProject().Room().VSound;

    EditCell(frame->GridMaterials, 0, kMaterialFirstBand + 2, "0.25");
    Click(frame->ButtonAddMaterial);
    ASSERT_EQ(frame->GridMaterials->GetNumberRows(), 2);
    EditCell(frame->GridMaterials, 1, kMaterialName, "wood");
    EditCell(frame->GridMaterials, 1, kMaterialName, "wall10"); // a duplicate: refused
    EXPECT_EQ(frame->GridMaterials->GetCellValue(1, kMaterialName), "wood");
    frame->TextTemperature->ChangeValue("30");
    wxCommandEvent enter(wxEVT_TEXT_ENTER, frame->TextTemperature->GetId());
    frame->TextTemperature->GetEventHandler()->ProcessEvent(enter);
    EXPECT_NE(frame->GetProject().Room().VSound, speed);
    EXPECT_EQ(frame->GetTitle(), "VELTO - shoebox.txt *modified");

    frame->TextHumidity->ChangeValue("60"); // typed, and saved before leaving the field
    script->saveChoices.push_back(path);
    Menu(wxID_SAVE);
    EXPECT_EQ(frame->GetTitle(), "VELTO - shoebox.txt");
    script->openChoices.push_back(path);
    Menu(wxID_OPEN);
    const TRoom& room = frame->GetProject().Room();
    ASSERT_EQ(room.NumMaterials, 2u);
    EXPECT_FLOAT_EQ(room.material[0].abs[2], 0.25f);
    EXPECT_EQ(room.material[1].nome, "wood");
    EXPECT_EQ(frame->TextTemperature->GetValue(), "30.0");
    EXPECT_EQ(frame->TextHumidity->GetValue(), "60.0");
}

namespace {

class TestApp : public wxApp {
public:
    bool OnInit() override { return true; }
    // A toolkit assertion fails the test instead of waiting on a dialog.
    void OnAssertFailure(const wxChar* file, int line, const wxChar* function, const wxChar* condition,
                         const wxChar* message) override
    {
        ADD_FAILURE() << "wx assertion at " << wxString(file) << ":" << line << " in "
                      << wxString(function) << ": " << wxString(condition) << " "
                      << wxString(message);
    }
};

// Saves the main window with project open as a PNG; true when written.
bool Screenshot(const std::string& project, const std::string& png, int page)
{
    auto* frame = new VeltowxFrame(nullptr);
    frame->SetSize(1500, 900);
    frame->Show();
    Pump(30);
    frame->LoadRoom(project);
    frame->Notebook1->SetSelection(0);
    frame->Notebook2->SetSelection(static_cast<std::size_t>(page));
    // Outlines with names, so that the sources and receivers inside show.
    for (auto [box, value] : {std::pair{frame->CBViewFilled, false}, std::pair{frame->CBView5, true},
                              std::pair{frame->CBView6, true}}) {
        box->SetValue(value);
        wxCommandEvent event(wxEVT_CHECKBOX, box->GetId());
        box->GetEventHandler()->ProcessEvent(event);
    }
    Pump(50);
    frame->FlushMessages();
    frame->Refresh();
    frame->Update();
    // GTK paints on its frame clock: give it time to show every widget.
    for (int i = 0; i < 100; ++i) {
        wxYield();
        Pump(1);
        wxMilliSleep(10);
    }
    frame->MyGLCanvas->draw();
    frame->My2DPlot->draw();
    frame->PlotParam->draw();
    wxScreenDC screen;
    const wxRect rect = frame->GetScreenRect();
    wxBitmap bitmap(rect.width, rect.height, 24);
    {
        wxMemoryDC memory(bitmap);
        memory.Blit(0, 0, rect.width, rect.height, &screen, rect.x, rect.y);
    }
    const bool saved = bitmap.ConvertToImage().SaveFile(png, wxBITMAP_TYPE_PNG);
    frame->Destroy();
    Pump();
    return saved;
}

} // namespace

// velto_gui_tests [gtest options] | --screenshot PROJECT.txt OUT.png [RIGHT_PAGE]
int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    wxApp::SetInstance(new TestApp());
    if (!wxEntryStart(argc, argv) || !wxTheApp->CallOnInit()) {
        std::fprintf(stderr, "No display: the window cannot be created\n");
        return 77;
    }
    wxInitAllImageHandlers();
    InitGlut();
    int result = 0;
    if ((argc == 4 || argc == 5) && std::string(argv[1]) == "--screenshot") {
        result = Screenshot(argv[2], argv[3], argc == 5 ? std::atoi(argv[4]) : 0) ? 0 : 1;
    } else {
        result = RUN_ALL_TESTS();
    }
    wxTheApp->OnExit();
    wxEntryCleanup();
    return result;
}

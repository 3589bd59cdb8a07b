#include "VeltowxMain.h"

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/gauge.h>
#include <wx/grid.h>
#include <wx/menu.h>
#include <wx/msgdlg.h>
#include <wx/notebook.h>
#include <wx/panel.h>
#include <wx/sizer.h>
#include <wx/spinctrl.h>
#include <wx/splitter.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/statusbr.h>
#include <wx/textctrl.h>

#include "GLPane.h"
#include "GLPlot2D.h"
#include "ImportDialog.h"
#include "RoomDesigner.h"
#include "WxDialogs.h"
#include "WxText.h"
#include "room/TRoom.h"

const long VeltowxFrame::ID_NEWPROJECT = wxNewId();
const long VeltowxFrame::ID_IMPORT = wxNewId();
const long VeltowxFrame::ID_STANDARDROOMS = wxNewId();

namespace {

std::unique_ptr<ProjectDialogs> DialogsFor(wxWindow* frame, std::unique_ptr<ProjectDialogs> given)
{
    if (given) {
        return given;
    }
    auto dialogs = std::make_unique<WxDialogs>(frame);
    dialogs->SetStatusHandler([frame](const std::string& text) {
        if (auto* status = static_cast<wxFrame*>(frame)->GetStatusBar()) {
            status->SetStatusText(ToWx(text));
        }
    });
    return dialogs;
}

} // namespace

VeltowxFrame::VeltowxFrame(wxWindow* parent, wxWindowID id, std::unique_ptr<ProjectDialogs> dialogs)
    : wxFrame(parent, id, "VELTO", wxDefaultPosition, wxSize(1400, 900)),
      m_dialogs(DialogsFor(this, std::move(dialogs))),
      m_project(*m_dialogs)
{
    BuildMenus();
    CreateStatusBar();

    // Editors and results side by side above, the messages below.
    auto* splitter = new wxSplitterWindow(this, wxID_ANY, wxDefaultPosition, wxDefaultSize,
                                          wxSP_LIVE_UPDATE | wxSP_3D);
    auto* top = new wxPanel(splitter);
    Notebook1 = new wxNotebook(top, wxID_ANY);
    Notebook1->AddPage(BuildSimulationPage(Notebook1), "Simulation");
    Notebook1->AddPage(BuildMaterialPage(Notebook1), "Material Association ");
    Notebook1->AddPage(BuildGeometryPage(Notebook1), "Geometry");
    Notebook1->AddPage(BuildSourcesPage(Notebook1), "Sources");
    Notebook1->AddPage(BuildReceiversPage(Notebook1), "Receivers");
    Notebook2 = new wxNotebook(top, wxID_ANY);
    Notebook2->AddPage(BuildVisualizationPage(Notebook2), "Visualization");
    Notebook2->AddPage(BuildResponsesPage(Notebook2), "Time/Freq. Responses");
    Notebook2->AddPage(BuildParametersPage(Notebook2), "Acoustic Parameters");
    auto* row = new wxBoxSizer(wxHORIZONTAL);
    row->Add(Notebook1, 2, wxEXPAND | wxALL, 4);
    row->Add(Notebook2, 3, wxEXPAND | wxALL, 4);
    top->SetSizer(row);

    MessagesText = new wxTextCtrl(splitter, wxID_ANY, wxEmptyString, wxDefaultPosition,
                                  wxDefaultSize, wxTE_MULTILINE | wxTE_READONLY | wxHSCROLL);
    MessagesText->SetFont(wxFont(wxFontInfo(9).Family(wxFONTFAMILY_TELETYPE)));
    // Split at the frame's size, so no pane is ever laid out with a negative height.
    splitter->SetSize(GetClientSize());
    splitter->SplitHorizontally(top, MessagesText, -160);
    splitter->SetSashGravity(1.0);
    splitter->SetMinimumPaneSize(60);

    // Below this the pages' boxes cannot show their fields.
    SetMinSize(wxSize(1000, 700));

    DXFFrame = new ImportDialog(this, *m_dialogs);

    timer = std::make_unique<wxTimer>(this);
    Bind(wxEVT_TIMER, &VeltowxFrame::OnTimer, this, timer->GetId());
    Button1->Bind(wxEVT_BUTTON, &VeltowxFrame::OnButton1Click, this);
    Bind(wxEVT_CLOSE_WINDOW, &VeltowxFrame::OnClose, this);

    // Everything the core prints from now on shows in the messages pane; the
    // worker's text reaches it through the event queue.
    m_previousSink = SetConsoleSink([this](const std::string& text) { AppendMessages(text); });

    BindEditors();
    BindPlots();
    m_project.SetRoomReplacedHandler([this](TRoom& room) { ShowRoom(room); });
    ShowRoom(m_project.Room());
    AdjustTitle();
    Maximize();
}

VeltowxFrame::~VeltowxFrame()
{
    SetConsoleSink(m_previousSink);
    timer->Stop();
    // The widgets go first: their handlers use the project, which goes with
    // this object's members, and the view must never draw a released room.
    MyGLCanvas->SetRoom(nullptr);
    DestroyChildren();
}

void VeltowxFrame::BuildMenus()
{
    auto* bar = new wxMenuBar();
    auto* file = new wxMenu();
    file->Append(ID_NEWPROJECT, "New Project\tCtrl+N", "Starts New Project");
    file->Append(wxID_OPEN, "Open\tCtrl+O", "Open Project File");
    file->Append(ID_IMPORT, "Import", "Import from DXF");
    file->Append(wxID_SAVE, "Save\tCtrl+S", "Save Project");
    file->Append(wxID_EXIT, "Quit\tAlt-F4", "Quit the application");
    bar->Append(file, "&File");
    auto* rooms = new wxMenu();
    rooms->Append(ID_STANDARDROOMS, "Standard Rooms", "Create Standard Rooms");
    bar->Append(rooms, "Rooms");
    auto* help = new wxMenu();
    help->Append(wxID_ABOUT, "About\tF1", "Show info about this application");
    bar->Append(help, "Help");
    SetMenuBar(bar);

    Bind(wxEVT_MENU, &VeltowxFrame::OnNewProject, this, ID_NEWPROJECT);
    Bind(wxEVT_MENU, &VeltowxFrame::OnOpenFile, this, wxID_OPEN);
    Bind(wxEVT_MENU, &VeltowxFrame::OnSaveFile, this, wxID_SAVE);
    Bind(wxEVT_MENU, &VeltowxFrame::OnQuit, this, wxID_EXIT);
    Bind(wxEVT_MENU, &VeltowxFrame::OnAbout, this, wxID_ABOUT);
    Bind(wxEVT_MENU, &VeltowxFrame::OnImportClicked, this, ID_IMPORT);
    Bind(wxEVT_MENU, &VeltowxFrame::OpenRoomDesigner, this, ID_STANDARDROOMS);
}

bool VeltowxFrame::LoadRoom(const std::string& path)
{
    const bool loaded = m_project.LoadRoom(path);
    AdjustTitle();
    return loaded;
}

void VeltowxFrame::ShowRoom(TRoom& room)
{
    room.GetCenter();
    ViewControl options = MyGLCanvas->View();
    options.SetDefaultViewOptions();
    options.DrawRoom = true;
    // The view keeps the options the boxes show; a new room starts at plane 0.
    options.ViewSinglePlane = CBView3->GetValue() ? 1 : 0;
    options.ViewTriangles = CBView4->GetValue() ? 1 : 0;
    options.pintura = CBViewFilled->GetValue() ? 1 : 0;
    SpinPlaneID->SetValue(0);
    SpinVertexID->SetValue(0);
    MyGLCanvas->SetRoom(&room, options);
    FillEditors();
    CreatePlotResults();
}

void VeltowxFrame::AdjustTitle()
{
    SetTitle(ToWx(m_project.Title()));
    if (!m_project.IsSimulating()) {
        // A new project may press Start to learn that it must be saved first.
        const TRoom& room = m_project.Room();
        Button1->Enable(m_project.ProjectStatus == Project::kNew ||
                        (room.NumSources > 0 && room.NumReceivers > 0));
    }
}

void VeltowxFrame::EnablePlaneControls(bool enable)
{
    for (wxWindow* control : std::initializer_list<wxWindow*>{
             SpinPlaneID, choicePlaneLayer, SpinVertexID, TextVertexX, TextVertexY, TextVertexZ,
             ButtonInvert}) {
        control->Enable(enable);
    }
}

void VeltowxFrame::OnNewProject(wxCommandEvent&)
{
    UpdateRoomFromInterface();
    m_project.New();
    AdjustTitle();
}

void VeltowxFrame::OnOpenFile(wxCommandEvent&)
{
    UpdateRoomFromInterface();
    m_project.Open();
    AdjustTitle();
}

void VeltowxFrame::OnSaveFile(wxCommandEvent&)
{
    UpdateRoomFromInterface();
    m_project.Save();
    AdjustTitle();
}

void VeltowxFrame::OnQuit(wxCommandEvent&)
{
    Close(); // the close handler asks about unsaved changes
}

void VeltowxFrame::OnClose(wxCloseEvent& event)
{
    if (!m_project.IsSimulating()) {
        UpdateRoomFromInterface();
    }
    if (event.CanVeto() && !m_project.ConfirmDiscard()) {
        event.Veto();
        AdjustTitle();
        return;
    }
    Destroy();
}

void VeltowxFrame::OnAbout(wxCommandEvent&)
{
    m_dialogs->ShowMessage("VELTO info", std::string("Velto Version 2.0") + " compiled on " +
                                             __DATE__ + " (" + __TIME__ + ")");
}

void VeltowxFrame::OnImportClicked(wxCommandEvent&)
{
    UpdateRoomFromInterface();
    if (m_project.IsSimulating() || DXFFrame->OpenFile() != 1 ||
        DXFFrame->ShowModal() != wxID_OK || DXFFrame->HandOverFile().empty()) {
        return;
    }
    m_project.TakeHandOver(DXFFrame->HandOverFile(), DXFFrame->NewFile);
    AdjustTitle();
}

void VeltowxFrame::OpenRoomDesigner(wxCommandEvent&)
{
    UpdateRoomFromInterface();
    if (m_project.IsSimulating()) {
        return;
    }
    RoomDesigner designer(this, *m_dialogs);
    Designer = &designer;
    const int answer = designer.ShowModal();
    Designer = nullptr;
    if (answer != wxID_OK || designer.HandOverFile().empty()) {
        return;
    }
    // A designed room is new work: untitled and not yet saved.
    m_project.TakeHandOver(designer.HandOverFile(), true, Project::kModified);
    AdjustTitle();
}

void VeltowxFrame::OnCBViewClick(wxCommandEvent&)
{
    ViewControl options = MyGLCanvas->View();
    options.drawSources = CBView1->GetValue();
    options.drawReceivers = CBView2->GetValue();
    options.ViewSinglePlane = CBView3->GetValue() ? 1 : 0;
    options.ViewTriangles = CBView4->GetValue() ? 1 : 0;
    options.drawSourceIDs = CBView5->GetValue();
    options.drawReceiverIDs = CBView6->GetValue();
    options.DrawLostRays = CBView7->GetValue() ? 1 : 0;
    options.pintura = CBViewFilled->GetValue() ? 1 : 0;
    MyGLCanvas->SetViewControl(options);
}

void VeltowxFrame::OnButton1Click(wxCommandEvent&)
{
    if (m_project.IsSimulating()) {
        // Stopping neither asks nor prints: the worker still uses the room.
        m_project.StopSimulation();
        SetStatusText("Stopping the simulation ...");
        return;
    }
    UpdateRoomFromInterface();
    if (!m_project.ReadyToSimulate()) {
        AdjustTitle();
        return;
    }
    AdjustTitle();
    // The run replaces the results the plots look at.
    ClearPlots();
    if (!m_project.StartSimulation(m_project.Room().NumRays)) {
        return;
    }
    Button1->SetLabel("Stop Simulation");
    progress->SetValue(0);
    InterfaceControls(false);
    timer->Start(1000);
}

void VeltowxFrame::OnTimer(wxTimerEvent&)
{
    PollSimulation();
}

void VeltowxFrame::PollSimulation()
{
    const Project::RunPoll poll = m_project.PollSimulation();
    textinfo->SetValue(ToWx(poll.status));
    SetStatusText(ToWx(poll.status.substr(0, poll.status.find('\n'))));
    progress->SetValue(static_cast<int>(poll.percent));
    if (m_project.IsSimulating()) {
        return;
    }
    timer->Stop();
    Button1->SetLabel("Start Simulation");
    InterfaceControls(true);
    // The run may have adjusted settings (a reflection limit for the tail).
    FillEnvironmentFields();
    if (poll.completed) {
        CreatePlotResults();
        Notebook2->SetSelection(1);
    } else {
        // A stopped run leaves partial results: they are not shown.
        m_plottedRoom = &m_project.Room();
        m_plottedGeneration = m_project.Room().ResultsGeneration;
        ClearPlots();
    }
    // The lost rays of a completed run are new; a stopped one has none.
    MyGLCanvas->UpdateColors();
}

void VeltowxFrame::InterfaceControls(bool enable)
{
    wxMenuBar* bar = GetMenuBar();
    for (int id : {static_cast<int>(ID_NEWPROJECT), static_cast<int>(wxID_OPEN),
                   static_cast<int>(wxID_SAVE), static_cast<int>(ID_IMPORT),
                   static_cast<int>(ID_STANDARDROOMS)}) {
        bar->Enable(id, enable);
    }
    for (wxWindow* control : EditorControls()) {
        control->Enable(enable);
    }
    // The fields shown but never edited stay as they are.
    TextSampleRate->Enable(false);
    if (enable) {
        EnablePlaneControls(m_project.Room().NumPlanes > 0);
    }
}

void VeltowxFrame::AppendMessages(const std::string& text)
{
    std::lock_guard lock(m_pendingMutex);
    m_pendingText += text;
    if (!m_flushPosted) {
        m_flushPosted = true;
        CallAfter(&VeltowxFrame::FlushMessages);
    }
}

void VeltowxFrame::FlushMessages()
{
    std::string text;
    {
        std::lock_guard lock(m_pendingMutex);
        text.swap(m_pendingText);
        m_flushPosted = false;
    }
    if (text.empty()) {
        return;
    }
    m_log.Append(text);
    MessagesText->ChangeValue(ToWx(m_log.Text()));
    MessagesText->ShowPosition(MessagesText->GetLastPosition());
}

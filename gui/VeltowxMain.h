#pragma once
// The main window: the open project shown in its editors (left notebook), the
// 3D view and the result plots (right notebook) and the messages the core
// prints (bottom pane). Menu commands go to the Project, which makes every
// decision; the window passes events in and shows what changed.

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <wx/frame.h>
#include <wx/timer.h>

#include "project/EnvironmentFields.h"
#include "project/GridEditing.h"
#include "project/Project.h"
#include "util/Console.h"
#include "view/MessageLog.h"

class GL_Plot2D;
class ImportDialog;
class RoomDesigner;
class GL_Window;
class wxButton;
class wxCheckBox;
class wxChoice;
class wxGauge;
class wxGrid;
class wxGridEvent;
class wxNotebook;
class wxPanel;
class wxSpinCtrl;
class wxStaticText;
class wxTextCtrl;
class TRoom;

class VeltowxFrame : public wxFrame {
public:
    // dialogs answers the project's questions; the toolkit's dialogs when null.
    explicit VeltowxFrame(wxWindow* parent, wxWindowID id = wxID_ANY,
                          std::unique_ptr<ProjectDialogs> dialogs = nullptr);
    ~VeltowxFrame() override;

    Project& GetProject() { return m_project; }
    // Opens the project at path (menu Open without the dialog, or the
    // command line); false when it could not be loaded.
    bool LoadRoom(const std::string& path);
    // One poll of a running simulation, as the timer does every second.
    void PollSimulation();
    // Brings the messages pane up to date with what the core printed.
    void FlushMessages();
    const MessageLog& Messages() const { return m_log; }

    // Widgets, named as the pages show them.
    wxNotebook* Notebook1 = nullptr;
    wxNotebook* Notebook2 = nullptr;
    GL_Window* MyGLCanvas = nullptr;
    wxTextCtrl* MessagesText = nullptr;

    // "Simulation" page.
    wxTextCtrl* TextTemperature = nullptr;
    wxTextCtrl* TextPressure = nullptr;
    wxTextCtrl* TextHumidity = nullptr;
    wxTextCtrl* TextSampleRate = nullptr;
    wxTextCtrl* TextIRDuration = nullptr;
    wxTextCtrl* TextMaxReflections = nullptr;
    wxTextCtrl* TextEnergyDecay = nullptr;
    wxTextCtrl* TextNumRays = nullptr;
    wxCheckBox* CheckBox1 = nullptr; // Diffuse processing
    wxCheckBox* CheckBox2 = nullptr; // Save late rays
    wxCheckBox* CheckBox3 = nullptr; // Artificial Tail
    wxCheckBox* CheckBox4 = nullptr; // Save diffuse rays
    wxCheckBox* CheckBox5 = nullptr; // Auralization
    wxButton* Button1 = nullptr;     // Start Simulation
    wxTextCtrl* textinfo = nullptr;
    wxGauge* progress = nullptr;

    // "Material Association " page.
    wxGrid* GridPlaneLayers = nullptr;
    wxButton* ButtonAddPlaneLayer = nullptr;
    wxButton* ButtonDelPlaneLayer = nullptr;
    wxGrid* GridMaterials = nullptr;
    wxButton* ButtonAddMaterial = nullptr;
    wxButton* ButtonDelMaterial = nullptr;

    // "Geometry" page.
    wxSpinCtrl* SpinPlaneID = nullptr;
    wxChoice* choicePlaneLayer = nullptr;
    wxSpinCtrl* SpinVertexID = nullptr;
    wxTextCtrl* TextVertexCount = nullptr;
    wxTextCtrl* TextVertexX = nullptr;
    wxTextCtrl* TextVertexY = nullptr;
    wxTextCtrl* TextVertexZ = nullptr;
    wxButton* ButtonInvert = nullptr;

    // "Sources" page.
    wxGrid* GridSources = nullptr;
    wxButton* ButtonAddSource = nullptr;
    wxButton* ButtonDelSource = nullptr;
    wxGrid* GridSourceTypes = nullptr;
    wxButton* ButtonAddSourceType = nullptr;
    wxButton* ButtonDelSourceType = nullptr;

    // "Receivers" page.
    wxGrid* GridReceivers = nullptr;
    wxButton* ButtonAddReceiver = nullptr;
    wxButton* ButtonDelReceiver = nullptr;
    wxGrid* GridReceiverTypes = nullptr;
    wxButton* ButtonAddReceiverType = nullptr;
    wxButton* ButtonDelReceiverType = nullptr;

    // "Visualization" page.
    wxCheckBox* CBView1 = nullptr; // Sources
    wxCheckBox* CBView2 = nullptr; // Receivers
    wxCheckBox* CBView3 = nullptr; // Active plane
    wxCheckBox* CBView4 = nullptr; // Triangles
    wxCheckBox* CBView5 = nullptr; // Src names
    wxCheckBox* CBView6 = nullptr; // Rec names
    wxCheckBox* CBView7 = nullptr; // Lost rays
    wxCheckBox* CBViewFilled = nullptr; // filled planes or outlines only

    // "Time/Freq. Responses" page.
    wxChoice* graphChoice = nullptr; // the response display
    wxButton* BtnLinLog = nullptr;
    wxGrid* SRPlotGrid = nullptr;    // a cell per source (row) and receiver (column)
    GL_Plot2D* My2DPlot = nullptr;
    // "Acoustic Parameters" page.
    wxChoice* graphChoiceParam = nullptr;
    wxGrid* SRPlotParamGrid = nullptr;
    GL_Plot2D* PlotParam = nullptr;

    // The DXF import dialog, created with the window and kept, so that it
    // remembers the options chosen last.
    ImportDialog* DXFFrame = nullptr;
    // The standard room designer while it is shown, else null.
    RoomDesigner* Designer = nullptr;

    // Menu identifiers of our own.
    static const long ID_NEWPROJECT;
    static const long ID_IMPORT;
    static const long ID_STANDARDROOMS;

private:
    void BuildMenus();
    wxWindow* BuildSimulationPage(wxWindow* parent);
    wxWindow* BuildMaterialPage(wxWindow* parent);
    wxWindow* BuildGeometryPage(wxWindow* parent);
    wxWindow* BuildSourcesPage(wxWindow* parent);
    wxWindow* BuildReceiversPage(wxWindow* parent);
    wxWindow* BuildVisualizationPage(wxWindow* parent);
    wxWindow* BuildResponsesPage(wxWindow* parent);
    wxWindow* BuildParametersPage(wxWindow* parent);

    void OnNewProject(wxCommandEvent& event);
    void OnOpenFile(wxCommandEvent& event);
    void OnSaveFile(wxCommandEvent& event);
    void OnQuit(wxCommandEvent& event);
    void OnClose(wxCloseEvent& event);
    void OnAbout(wxCommandEvent& event);
    void OnImportClicked(wxCommandEvent& event);
    void OpenRoomDesigner(wxCommandEvent& event);
    void OnCBViewClick(wxCommandEvent& event);
    void OnButton1Click(wxCommandEvent& event);
    void OnTimer(wxTimerEvent& event);

    // The room the 3D view shows became room.
    void ShowRoom(TRoom& room);
    // Title and the controls that depend on the project.
    void AdjustTitle();
    void EnablePlaneControls(bool enable);
    // Everything that changes or replaces the room is disabled while a
    // simulation runs; the Start/Stop button stays.
    void InterfaceControls(bool enable);
    // The fields, boxes, grids and buttons that edit the project.
    std::vector<wxWindow*> EditorControls() const;
    void AppendMessages(const std::string& text);

    // --- result plots (ResultPlots.cpp) --------------------------------------
    void BindPlots();
    // Both plots from the room's results, or empty when it has none.
    void CreatePlotResults();
    // The responses plot for the chosen display; keepX keeps the visible time
    // or frequency range.
    void DrawCurves(bool keepX = false);
    void PlotParameter(int which);
    // Empties both plots, before the results they look at change.
    void ClearPlots();
    // Whether the results the plots look at are still the room's.
    bool PlotDataValid() const;
    void OnGraphicChange(wxCommandEvent& event);
    void OnGraphicParamChange(wxCommandEvent& event);
    void OnLinLogClick(wxCommandEvent& event);
    void FillSRPlotCtrGrid();
    void FillSRPlotParamCtrGrid();
    void OnSRPlotCtrLeftClick(wxGridEvent& event);
    void OnSRPlotParamCtrLeftClick(wxGridEvent& event);
    void OnIdleCheckPlots(wxIdleEvent& event);

    // --- editors (EditorPages.cpp) -------------------------------------------
    void BindEditors();
    void FillEditors();
    void FillEnvironmentFields();
    // Applies what is typed in the environment fields, as leaving them would:
    // a menu command or the Start button may come while a field still has
    // the focus.
    void UpdateRoomFromInterface();
    void FillGrid(GridKind kind);
    void FillPlanesSection();
    void OnEnvironmentField(EnvironmentField field, wxTextCtrl* control);
    void OnEnvironmentOption(EnvironmentOption option, wxCheckBox* box);
    void OnGridChanged(GridKind kind, wxGridEvent& event);
    void OnAddEntry(GridKind kind);
    void OnDelEntry(GridKind kind);
    void OnSpinPlaneChange();
    void OnPlaneLayerChange();
    void OnVertexChange();
    void InvertPlaneSequence();
    // Shows what an edit did: its message, the grids to refill, the view.
    void ApplyEdit(const CellEdit& edit, GridKind kind);
    wxGrid* GridOf(GridKind kind) const;
    // The editable environment fields with the setting each shows.
    std::vector<std::pair<EnvironmentField, wxTextCtrl*>> EnvironmentControls() const;

    bool LinScale = true; // the pressure display is linear
    // The room and results generation the plots were built from.
    const TRoom* m_plottedRoom = nullptr;
    unsigned long m_plottedGeneration = 0;

    std::unique_ptr<ProjectDialogs> m_dialogs;
    // What each environment field showed last: only a text the user changed
    // is applied, so a value shown rounded is never written back rounded.
    std::map<const wxTextCtrl*, std::string> m_fieldShown;
    bool m_applyEditsNow = false; // a cell edit is applied at once, not after its event
    Project m_project;
    std::unique_ptr<wxTimer> timer; // polls a running simulation
    MessageLog m_log;
    ConsoleSink m_previousSink;
    std::mutex m_pendingMutex;
    std::string m_pendingText;
    bool m_flushPosted = false;
};

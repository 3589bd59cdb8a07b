#pragma once
// The DXF import: the user picks a drawing, distributes its layers over the
// roles of the import with the arrow buttons or by dragging, ticks the entity
// kinds that make planes and chooses a new project or appending. Import
// writes a hand-over project that the main window loads (NewFile) or merges,
// and then removes. The main window creates the dialog once and keeps it;
// the lists show an ImportLayerLists, which makes every decision.

#include <functional>
#include <optional>
#include <string>

#include <wx/dialog.h>

#include "project/ImportLayers.h"

class ProjectDialogs;
class wxBitmapButton;
class wxButton;
class wxCheckBox;
class wxListCtrl;
class wxListEvent;
class wxRadioButton;

class ImportDialog : public wxDialog {
public:
    // dialogs: the main window's, which outlives this dialog.
    ImportDialog(wxWindow* parent, ProjectDialogs& dialogs);

    // Asks for a drawing and lists its layers as not assigned yet, in the
    // drawing's order; 1 when a drawing was read, 0 when the user cancelled
    // (nothing changes) or the file cannot be opened. Show the dialog only
    // after 1.
    int OpenFile();

    // The project the last Import wrote, for the caller to load and then
    // remove (RemoveHandOver); empty after Cancel and at each OpenFile.
    const std::string& HandOverFile() const { return m_handOverFile; }
    // Where Import writes; HandOverPath() unless a test says otherwise.
    void SetHandOverProvider(std::function<std::optional<std::string>()> provider);

    const ImportLayerLists& Layers() const { return m_layers; }

    // Moves the selected entries of from to the end of to (any two of the
    // four lists), as the arrow buttons do.
    void MoveItems(wxListCtrl* from, wxListCtrl* to);
    // A drop on target of the drag that started in DragSrc: the same move.
    // False, with nothing moved, for text dragged in from elsewhere or a drop
    // on the list the drag started in.
    bool DropOn(wxListCtrl* target);

    void OnButton1Click(wxCommandEvent& event); // Import
    void OnButton2Click(wxCommandEvent& event); // Cancel

    bool NewFile = true;        // "New Project"; false: "Append"
    std::string ImportFileName; // the drawing OpenFile read

    wxListCtrl* ListLayerAll = nullptr;    // "DXF Layers", not assigned
    wxListCtrl* ListLayerSrc = nullptr;    // "Source Layers"
    wxListCtrl* ListLayerRec = nullptr;    // "Receiver Layers"
    wxListCtrl* ListLayerPlanes = nullptr; // "Plane Layers"
    // The lists of a drag in progress (none outside a drag).
    wxListCtrl* DragSrc = nullptr;
    wxListCtrl* DragDst = nullptr;

    // Odd buttons move from "DXF Layers" to a role, even ones back.
    wxBitmapButton* BitmapButton1 = nullptr; // to sources
    wxBitmapButton* BitmapButton2 = nullptr; // from sources
    wxBitmapButton* BitmapButton3 = nullptr; // to receivers
    wxBitmapButton* BitmapButton4 = nullptr; // from receivers
    wxBitmapButton* BitmapButton5 = nullptr; // to planes
    wxBitmapButton* BitmapButton6 = nullptr; // from planes

    wxCheckBox* CheckPolyline3D = nullptr;   // "3D Polyline"
    wxCheckBox* CheckFace3D = nullptr;       // "3D Face"
    wxCheckBox* CheckPolyfaceMesh = nullptr; // "3D PolyFaceMesh"
    wxRadioButton* RadioNewProject = nullptr;
    wxRadioButton* RadioAppend = nullptr;
    wxButton* Button1 = nullptr; // Import
    wxButton* Button2 = nullptr; // Cancel

private:
    void OnDragInit(wxListEvent& event);
    std::optional<ImportRole> RoleOf(const wxListCtrl* list) const;
    // Shows the model's list for this list control, nothing selected.
    void Fill(wxListCtrl* list);

    ProjectDialogs& m_dialogs;
    ImportLayerLists m_layers;
    std::function<std::optional<std::string>()> m_handOverProvider;
    std::string m_handOverFile;
};

#pragma once
// The "Standard Rooms" dialog: the nine lengths of a TStandardRoom in spin
// controls, the room they make redrawn at every change in three orthographic
// views (which name the lengths) and a 3D preview, and Apply, which writes the
// room as a project file for the caller to open. The dialog owns its room; the
// open project is never touched.

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <wx/dialog.h>
#include <wx/panel.h>

#include "room/StandardRoom.h"
#include "view/RoomOutline.h"
#include "view/ViewControl.h"

class GL_Window;
class ProjectDialogs;
class TRoom;
class wxButton;
class wxDC;
class wxSpinCtrlDouble;

// The plan, side and end views of the designer's room stacked one above the
// other, each with its caption and the names of the lengths it shows. It
// keeps its own copy of the drawing, never a pointer to the room.
class RoomOutlinePanel : public wxPanel {
public:
    explicit RoomOutlinePanel(wxWindow* parent);

    // Takes the drawing of room, built from design, and repaints.
    void ShowRoom(const TRoom& room, const TStandardRoom& design);
    const std::vector<OutlineSegment>& Outline(OrthoView view) const;
    // The three views filling a size box of dc, as the panel paints them.
    void Draw(wxDC& dc, wxSize size) const;

private:
    struct View {
        OrthoView view;
        std::vector<OutlineSegment> outline;
        std::vector<DimensionMark> marks;
    };

    void OnPaint(wxPaintEvent& event);

    std::array<View, 3> m_views{{{OrthoView::Plan, {}, {}},
                                 {OrthoView::Side, {}, {}},
                                 {OrthoView::End, {}, {}}}};
};

class RoomDesigner : public wxDialog {
public:
    // dialogs tells the user why Apply failed; it outlives the dialog.
    RoomDesigner(wxWindow* parent, ProjectDialogs& dialogs);
    ~RoomDesigner() override;

    // Where Apply writes the project: HandOverPath() unless this replaces it.
    void SetHandOverProvider(std::function<std::optional<std::string>()> provider);
    // The project written by a successful Apply, empty otherwise. The caller
    // opens it and then deletes it with RemoveHandOver.
    const std::string& HandOverFile() const { return m_handOverFile; }

    const TRoom& Room() const { return *room; }
    const TStandardRoom& Model() const { return model; }

    // The spin controls' values into the model.
    void UpdateLengths();
    // The room's planes from the model; both previews follow at once, the 3D
    // one aimed at the new centre.
    void UpdateRoom();

    // In the model's order: L1, L, L2, W1, W, W2, H1, H, H2.
    std::array<wxSpinCtrlDouble*, 9> SpinCtrl{};
    GL_Window* MyGLCanvas = nullptr;
    RoomOutlinePanel* OrthoPanel = nullptr;
    wxButton* Button1 = nullptr; // Apply
    wxButton* Button2 = nullptr; // Cancel

private:
    wxWindow* BuildOrthoPanel(wxWindow* parent);
    wxWindow* BuildModelPanel(wxWindow* parent);
    wxWindow* BuildParameterPanel(wxWindow* parent);

    void OnTextCtrlChange(wxCommandEvent& event);
    void OnButton1Click(wxCommandEvent& event);
    void OnButton2Click(wxCommandEvent& event);

    ProjectDialogs& m_dialogs;
    std::unique_ptr<TRoom> room; // what the previews show and Apply writes
    TStandardRoom model;
    ViewControl vcontrol; // the 3D preview's options
    std::function<std::optional<std::string>()> m_handOverProvider;
    std::string m_handOverFile;
};

#include "RoomDesigner.h"

#include <algorithm>

#include <wx/button.h>
#include <wx/dcbuffer.h>
#include <wx/sizer.h>
#include <wx/spinctrl.h>
#include <wx/statbox.h>
#include <wx/stattext.h>

#include "GLPane.h"
#include "WxText.h"
#include "project/ProjectDialogs.h"
#include "project/ProjectMerge.h"
#include "room/TRoom.h"

namespace {

const char* const kCaption = "Standard Rooms";

// The spin controls in the order they are shown, with the length each sets.
struct LengthField {
    const char* label;
    float TStandardRoom::*length;
};
constexpr std::array<LengthField, 9> kLengthFields = {{{"L1", &TStandardRoom::L1},
                                                       {"L", &TStandardRoom::L},
                                                       {"L2", &TStandardRoom::L2},
                                                       {"W1", &TStandardRoom::W1},
                                                       {"W", &TStandardRoom::W},
                                                       {"W2", &TStandardRoom::W2},
                                                       {"H1", &TStandardRoom::H1},
                                                       {"H", &TStandardRoom::H},
                                                       {"H2", &TStandardRoom::H2}}};
constexpr double kMaxLengthM = 1000.0;
// Camera distance of the first preview per metre of the room's diagonal.
constexpr double kPreviewDistancePerLength = 2.6;
constexpr double kLengthStepM = 0.5;

// Room around each view for the names of the lengths written outside it.
constexpr int kViewMarginPx = 28;
constexpr int kMarkGapPx = 4; // between a name and the stretch it measures

} // namespace

// --- orthographic views -----------------------------------------------------

RoomOutlinePanel::RoomOutlinePanel(wxWindow* parent)
    : wxPanel(parent, wxID_ANY, wxDefaultPosition, wxSize(280, 420))
{
    // The paint handler fills the whole panel: no background erase, no flicker.
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    Bind(wxEVT_PAINT, &RoomOutlinePanel::OnPaint, this);
    Bind(wxEVT_SIZE, [this](wxSizeEvent& event) {
        Refresh(false);
        event.Skip();
    });
}

void RoomOutlinePanel::ShowRoom(const TRoom& room, const TStandardRoom& design)
{
    for (View& v : m_views) {
        v.outline = RoomOutline(room, v.view);
        v.marks = StandardRoomMarks(design, v.view);
    }
    Refresh(false);
}

const std::vector<OutlineSegment>& RoomOutlinePanel::Outline(OrthoView view) const
{
    for (const View& v : m_views) {
        if (v.view == view) {
            return v.outline;
        }
    }
    return m_views[0].outline;
}

void RoomOutlinePanel::OnPaint(wxPaintEvent&)
{
    wxAutoBufferedPaintDC dc(this);
    Draw(dc, GetClientSize());
}

void RoomOutlinePanel::Draw(wxDC& dc, wxSize size) const
{
    dc.SetBackground(*wxWHITE_BRUSH);
    dc.Clear();
    const int cellHeight = size.y / static_cast<int>(m_views.size());
    const wxFont normal = GetFont();
    const wxFont bold = normal.Bold();
    const wxPen outlinePen(wxColour(20, 30, 110), 1);
    const wxPen markPen(wxColour(190, 40, 40), 1, wxPENSTYLE_SHORT_DASH);
    const wxColour markText(190, 40, 40);

    for (std::size_t i = 0; i < m_views.size(); ++i) {
        const View& v = m_views[i];
        const int top = static_cast<int>(i) * cellHeight;
        if (i > 0) {
            dc.SetPen(*wxLIGHT_GREY_PEN);
            dc.DrawLine(0, top, size.x, top);
        }
        dc.SetFont(bold);
        dc.SetTextForeground(*wxBLACK);
        dc.DrawText(OrthoViewName(v.view), 6, top + 3);
        const int captionHeight = dc.GetCharHeight() + 6;

        const OutlineFit fit =
            FitOutline(v.outline, size.x, cellHeight - captionHeight, kViewMarginPx);
        const int originY = top + captionHeight;
        auto pixel = [&](double x, double y) {
            const PixelPoint p = fit.ToPixel(x, y);
            return wxPoint(wxRound(p.x), originY + wxRound(p.y));
        };
        dc.SetPen(outlinePen);
        for (const OutlineSegment& s : v.outline) {
            dc.DrawLine(pixel(s.x0, s.y0), pixel(s.x1, s.y1));
        }

        // Each name beside a dashed line over the stretch it measures, on
        // the side away from the room.
        dc.SetFont(normal);
        dc.SetTextForeground(markText);
        for (const DimensionMark& m : v.marks) {
            dc.SetPen(markPen);
            dc.DrawLine(pixel(m.stretch.x0, m.stretch.y0), pixel(m.stretch.x1, m.stretch.y1));
            const wxSize text = dc.GetTextExtent(ToWx(m.name));
            const PixelPoint mid = fit.ToPixel((m.stretch.x0 + m.stretch.x1) / 2.0,
                                               (m.stretch.y0 + m.stretch.y1) / 2.0);
            const double cx = mid.x + m.dirX * (text.x / 2.0 + kMarkGapPx);
            const double cy = originY + mid.y - m.dirY * (text.y / 2.0 + kMarkGapPx);
            dc.DrawText(ToWx(m.name), wxRound(cx - text.x / 2.0), wxRound(cy - text.y / 2.0));
        }
    }
}

// --- dialog -----------------------------------------------------------------

RoomDesigner::RoomDesigner(wxWindow* parent, ProjectDialogs& dialogs)
    : wxDialog(parent, wxID_ANY, kCaption, wxDefaultPosition, wxSize(1100, 650),
               wxDEFAULT_DIALOG_STYLE | wxRESIZE_BORDER),
      m_dialogs(dialogs),
      room(std::make_unique<TRoom>())
{
    TStandardRoom::CreateMaterialsAndLayers(*room);

    // The views share the width; the parameters keep theirs.
    auto* panels = new wxBoxSizer(wxHORIZONTAL);
    panels->Add(BuildOrthoPanel(this), 2, wxEXPAND | wxALL, 4);
    panels->Add(BuildModelPanel(this), 3, wxEXPAND | wxALL, 4);
    panels->Add(BuildParameterPanel(this), 0, wxEXPAND | wxALL, 4);

    // Cancel carries wxID_CANCEL, so Escape and the close box press it too.
    Button1 = new wxButton(this, wxID_APPLY, "Apply");
    Button2 = new wxButton(this, wxID_CANCEL, "Cancel");
    auto* buttons = new wxBoxSizer(wxHORIZONTAL);
    buttons->AddStretchSpacer();
    buttons->Add(Button1, 0, wxALL, 4);
    buttons->Add(Button2, 0, wxALL, 4);

    auto* column = new wxBoxSizer(wxVERTICAL);
    column->Add(panels, 1, wxEXPAND);
    column->Add(buttons, 0, wxEXPAND | wxALL, 4);
    SetSizer(column);
    SetMinSize(wxSize(800, 520));
    Layout();

    UpdateLengths();
    UpdateRoom();
    vcontrol.SetDefaultViewOptions();
    vcontrol.DrawRoom = true;
    vcontrol.target = room->Center;
    // Far enough for the whole room to show beside its axes.
    vcontrol.d = std::max(vcontrol.d, kPreviewDistancePerLength * room->GetMaxRoomLength());
    MyGLCanvas->SetRoom(room.get(), vcontrol);

    for (wxSpinCtrlDouble* spin : SpinCtrl) {
        spin->Bind(wxEVT_SPINCTRLDOUBLE, &RoomDesigner::OnTextCtrlChange, this);
        spin->Bind(wxEVT_TEXT, &RoomDesigner::OnTextCtrlChange, this);
    }
    Button1->Bind(wxEVT_BUTTON, &RoomDesigner::OnButton1Click, this);
    Button2->Bind(wxEVT_BUTTON, &RoomDesigner::OnButton2Click, this);
}

RoomDesigner::~RoomDesigner()
{
    // The preview must never draw a released room, and the widgets go before
    // the members their handlers use.
    MyGLCanvas->SetRoom(nullptr);
    DestroyChildren();
}

wxWindow* RoomDesigner::BuildOrthoPanel(wxWindow* parent)
{
    auto* panel = new wxPanel(parent, wxID_ANY, wxDefaultPosition, wxDefaultSize,
                              wxTAB_TRAVERSAL, "Orthographic Views");
    auto* box = new wxStaticBoxSizer(wxVERTICAL, panel, "Orthographic Views");
    OrthoPanel = new RoomOutlinePanel(box->GetStaticBox());
    box->Add(OrthoPanel, 1, wxEXPAND | wxALL, 2);
    panel->SetSizer(box);
    return panel;
}

wxWindow* RoomDesigner::BuildModelPanel(wxWindow* parent)
{
    auto* panel = new wxPanel(parent, wxID_ANY, wxDefaultPosition, wxDefaultSize,
                              wxTAB_TRAVERSAL, "3D Model");
    auto* box = new wxStaticBoxSizer(wxVERTICAL, panel, "Room Viewer");
    MyGLCanvas = new GL_Window(box->GetStaticBox());
    MyGLCanvas->SetMinSize(wxSize(300, 300));
    box->Add(MyGLCanvas, 1, wxEXPAND | wxALL, 2);
    panel->SetSizer(box);
    return panel;
}

wxWindow* RoomDesigner::BuildParameterPanel(wxWindow* parent)
{
    auto* panel = new wxPanel(parent, wxID_ANY, wxDefaultPosition, wxDefaultSize,
                              wxTAB_TRAVERSAL, "Model Parameters");
    auto* box = new wxStaticBoxSizer(wxVERTICAL, panel, "Model Parameters");
    wxWindow* boxWindow = box->GetStaticBox();
    auto* grid = new wxFlexGridSizer(2, wxSize(6, 4));
    const TStandardRoom defaults;
    for (std::size_t i = 0; i < kLengthFields.size(); ++i) {
        const LengthField& field = kLengthFields[i];
        grid->Add(new wxStaticText(boxWindow, wxID_ANY, field.label), 0,
                  wxALIGN_CENTER_VERTICAL | wxLEFT, 4);
        SpinCtrl[i] = new wxSpinCtrlDouble(boxWindow, wxID_ANY, wxEmptyString, wxDefaultPosition,
                                           wxDefaultSize, wxSP_ARROW_KEYS, 0.0, kMaxLengthM,
                                           defaults.*field.length, kLengthStepM);
        // Steps of 0.5 m, but a typed 0.25 m is kept.
        SpinCtrl[i]->SetDigits(2);
        grid->Add(SpinCtrl[i], 0, wxALL, 2);
    }
    box->Add(grid, 0, wxALL, 4);
    box->Add(new wxStaticText(boxWindow, wxID_ANY, "Lengths in metres"), 0, wxALL, 6);
    panel->SetSizer(box);
    return panel;
}

void RoomDesigner::SetHandOverProvider(std::function<std::optional<std::string>()> provider)
{
    m_handOverProvider = std::move(provider);
}

void RoomDesigner::UpdateLengths()
{
    for (std::size_t i = 0; i < kLengthFields.size(); ++i) {
        model.*kLengthFields[i].length = static_cast<float>(SpinCtrl[i]->GetValue());
    }
}

void RoomDesigner::UpdateRoom()
{
    model.UpdateRoom(*room);
    // The canvas looks at the room's centre in every frame.
    vcontrol.target = room->GetCenter();
    OrthoPanel->ShowRoom(*room, model);
    MyGLCanvas->UpdateColors();
}

void RoomDesigner::OnTextCtrlChange(wxCommandEvent&)
{
    UpdateLengths();
    UpdateRoom();
}

void RoomDesigner::OnButton1Click(wxCommandEvent&)
{
    // The room written is the one the controls show, whatever events came.
    UpdateLengths();
    UpdateRoom();
    const std::optional<std::string> path =
        m_handOverProvider ? m_handOverProvider() : HandOverPath();
    if (!path) {
        m_dialogs.ShowMessage(kCaption,
                              "No temporary folder can be created for the room: nothing was "
                              "written.");
        return;
    }
    if (!TStandardRoom::WriteProject(*room, *path)) {
        RemoveHandOver(*path);
        m_dialogs.ShowMessage(kCaption, "The room could not be written to the file '" + *path +
                                            "', so it was not opened.");
        return;
    }
    m_handOverFile = *path;
    SetReturnCode(wxID_OK); // read when shown without a modal loop
    EndDialog(wxID_OK);
}

void RoomDesigner::OnButton2Click(wxCommandEvent&)
{
    SetReturnCode(wxID_CANCEL); // read when shown without a modal loop
    EndDialog(wxID_CANCEL);
}


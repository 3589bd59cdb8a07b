// The editors of the main window: environment fields, option boxes, grids and
// the geometry page. Each handler passes text to the project layer and shows
// what it answers.

#include <algorithm>

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/grid.h>
#include <wx/spinctrl.h>
#include <wx/textctrl.h>

#include "GLPane.h"
#include "VeltowxMain.h"
#include "WxText.h"
#include "room/TRoom.h"

namespace {

// The choices a column offers, where it names an entry of another list.
struct ChoiceColumn {
    GridKind grid;
    int column;
    enum { Materials, SourceTypes, ReceiverTypes, Patterns } from;
};
constexpr ChoiceColumn kChoiceColumns[] = {
    {GridKind::PlaneLayers, kPlaneLayerMaterial, ChoiceColumn::Materials},
    {GridKind::Sources, kSourceType, ChoiceColumn::SourceTypes},
    {GridKind::SourceLayers, kSourceLayerPattern, ChoiceColumn::Patterns},
    {GridKind::Receivers, kReceiverType, ChoiceColumn::ReceiverTypes},
    {GridKind::ReceiverLayers, kReceiverLayerPattern, ChoiceColumn::Patterns},
};

wxArrayString ToWxArray(const std::vector<std::string>& names)
{
    wxArrayString array;
    for (const std::string& name : names) {
        array.Add(ToWx(name));
    }
    return array;
}

constexpr GridKind kAllGrids[] = {GridKind::Materials,    GridKind::PlaneLayers,
                                   GridKind::Sources,      GridKind::SourceLayers,
                                   GridKind::Receivers,    GridKind::ReceiverLayers};

} // namespace

std::vector<std::pair<EnvironmentField, wxTextCtrl*>> VeltowxFrame::EnvironmentControls() const
{
    return {{EnvironmentField::Temperature, TextTemperature},
            {EnvironmentField::Pressure, TextPressure},
            {EnvironmentField::Humidity, TextHumidity},
            {EnvironmentField::IRDuration, TextIRDuration},
            {EnvironmentField::MaxReflections, TextMaxReflections},
            {EnvironmentField::EnergyDecay, TextEnergyDecay},
            {EnvironmentField::NumRays, TextNumRays}};
}

wxGrid* VeltowxFrame::GridOf(GridKind kind) const
{
    switch (kind) {
    case GridKind::Materials:
        return GridMaterials;
    case GridKind::PlaneLayers:
        return GridPlaneLayers;
    case GridKind::Sources:
        return GridSources;
    case GridKind::SourceLayers:
        return GridSourceTypes;
    case GridKind::Receivers:
        return GridReceivers;
    case GridKind::ReceiverLayers:
        return GridReceiverTypes;
    }
    return nullptr;
}

void VeltowxFrame::BindEditors()
{
    for (auto [field, control] : EnvironmentControls()) {
        // Applied on Enter or when the field is left, never per keystroke.
        control->Bind(wxEVT_TEXT_ENTER,
                      [this, field, control](wxCommandEvent&) { OnEnvironmentField(field, control); });
        control->Bind(wxEVT_KILL_FOCUS, [this, field, control](wxFocusEvent& event) {
            OnEnvironmentField(field, control);
            event.Skip();
        });
    }
    const std::pair<EnvironmentOption, wxCheckBox*> options[] = {
        {EnvironmentOption::DiffuseProcessing, CheckBox1},
        {EnvironmentOption::SaveLateRays, CheckBox2},
        {EnvironmentOption::ArtificialTail, CheckBox3},
        {EnvironmentOption::SaveDiffuseRays, CheckBox4},
        {EnvironmentOption::Auralization, CheckBox5},
    };
    for (auto [option, box] : options) {
        box->Bind(wxEVT_CHECKBOX,
                  [this, option, box](wxCommandEvent&) { OnEnvironmentOption(option, box); });
    }

    const std::tuple<GridKind, wxButton*, wxButton*> grids[] = {
        {GridKind::Materials, ButtonAddMaterial, ButtonDelMaterial},
        {GridKind::PlaneLayers, ButtonAddPlaneLayer, ButtonDelPlaneLayer},
        {GridKind::Sources, ButtonAddSource, ButtonDelSource},
        {GridKind::SourceLayers, ButtonAddSourceType, ButtonDelSourceType},
        {GridKind::Receivers, ButtonAddReceiver, ButtonDelReceiver},
        {GridKind::ReceiverLayers, ButtonAddReceiverType, ButtonDelReceiverType},
    };
    for (auto [kind, add, del] : grids) {
        GridOf(kind)->Bind(wxEVT_GRID_CELL_CHANGED,
                           [this, kind](wxGridEvent& event) { OnGridChanged(kind, event); });
        add->Bind(wxEVT_BUTTON, [this, kind](wxCommandEvent&) { OnAddEntry(kind); });
        del->Bind(wxEVT_BUTTON, [this, kind](wxCommandEvent&) { OnDelEntry(kind); });
    }

    SpinPlaneID->Bind(wxEVT_SPINCTRL, [this](wxSpinEvent&) { OnSpinPlaneChange(); });
    choicePlaneLayer->Bind(wxEVT_CHOICE, [this](wxCommandEvent&) { OnPlaneLayerChange(); });
    SpinVertexID->Bind(wxEVT_SPINCTRL, [this](wxSpinEvent&) { OnVertexChange(); });
    ButtonInvert->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { InvertPlaneSequence(); });
}

void VeltowxFrame::FillEditors()
{
    FillEnvironmentFields();
    for (GridKind kind : kAllGrids) {
        FillGrid(kind);
    }
    FillPlanesSection();
}

void VeltowxFrame::FillEnvironmentFields()
{
    const EnvironmentFields fields = ::FillEnvironmentFields(m_project.Room());
    // ChangeValue sends no event, so nothing is written back while filling.
    const std::pair<wxTextCtrl*, const std::string*> shown[] = {
        {TextTemperature, &fields.Temperature}, {TextPressure, &fields.Pressure},
        {TextHumidity, &fields.Humidity},       {TextSampleRate, &fields.SampleRate},
        {TextIRDuration, &fields.IRDuration},   {TextMaxReflections, &fields.MaxReflections},
        {TextEnergyDecay, &fields.EnergyDecay}, {TextNumRays, &fields.NumRays},
    };
    for (auto [control, text] : shown) {
        control->ChangeValue(ToWx(*text));
        m_fieldShown[control] = *text;
    }
    TextSampleRate->Enable(false);
    CheckBox1->SetValue(fields.DiffuseProcessing);
    CheckBox2->SetValue(fields.SaveLateRays);
    CheckBox3->SetValue(fields.ArtificialTail);
    CheckBox4->SetValue(fields.SaveDiffuseRays);
    CheckBox5->SetValue(fields.Auralization);
}

void VeltowxFrame::FillGrid(GridKind kind)
{
    wxGrid* grid = GridOf(kind);
    const TRoom& room = m_project.Room();
    const GridRows rows = RowsOf(room, kind);
    grid->BeginBatch();
    const int have = grid->GetNumberRows();
    const int want = static_cast<int>(rows.size());
    if (have > want) {
        grid->DeleteRows(want, have - want);
    } else if (want > have) {
        grid->AppendRows(want - have);
    }
    for (int r = 0; r < want; ++r) {
        const auto& cells = rows[static_cast<std::size_t>(r)];
        for (int c = 0; c < grid->GetNumberCols() && c < static_cast<int>(cells.size()); ++c) {
            grid->SetCellValue(r, c, ToWx(cells[static_cast<std::size_t>(c)]));
        }
    }
    for (const ChoiceColumn& choice : kChoiceColumns) {
        if (choice.grid != kind) {
            continue;
        }
        std::vector<std::string> names;
        switch (choice.from) {
        case ChoiceColumn::Materials:
            names = NamesOf(room, GridKind::Materials);
            break;
        case ChoiceColumn::SourceTypes:
            names = NamesOf(room, GridKind::SourceLayers);
            break;
        case ChoiceColumn::ReceiverTypes:
            names = NamesOf(room, GridKind::ReceiverLayers);
            break;
        case ChoiceColumn::Patterns:
            names = PatternNames(room);
            break;
        }
        auto* attr = new wxGridCellAttr();
        attr->SetEditor(new wxGridCellChoiceEditor(ToWxArray(names)));
        grid->SetColAttr(choice.column, attr); // the grid owns the attribute
    }
    grid->AutoSizeColumns(false);
    grid->EndBatch();
}

void VeltowxFrame::FillPlanesSection()
{
    const TRoom& room = m_project.Room();
    const int planes = static_cast<int>(room.NumPlanes);
    SpinPlaneID->SetRange(0, std::max(planes - 1, 0));
    choicePlaneLayer->Set(ToWxArray(NamesOf(room, GridKind::PlaneLayers)));
    const int plane = std::min(SpinPlaneID->GetValue(), std::max(planes - 1, 0));
    SpinPlaneID->SetValue(plane);
    const PlaneFields fields = PlanePageFields(room, plane, SpinVertexID->GetValue());
    choicePlaneLayer->SetSelection(fields.layer);
    SpinVertexID->SetRange(0, std::max(fields.numVertices - 1, 0));
    TextVertexCount->ChangeValue(ToWx(fields.vertexCount));
    OnVertexChange();
    if (!m_project.IsSimulating()) {
        EnablePlaneControls(planes > 0);
    }
}

void VeltowxFrame::UpdateRoomFromInterface()
{
    // A cell still being edited is taken as if the user had left it, and
    // applied now rather than after the event.
    m_applyEditsNow = true;
    for (GridKind kind : kAllGrids) {
        wxGrid* grid = GridOf(kind);
        if (grid->IsCellEditControlEnabled()) {
            grid->SaveEditControlValue();
            grid->DisableCellEditControl();
        }
    }
    m_applyEditsNow = false;
    for (auto [field, control] : EnvironmentControls()) {
        OnEnvironmentField(field, control);
    }
}

void VeltowxFrame::OnEnvironmentField(EnvironmentField field, wxTextCtrl* control)
{
    const std::string text = FromWx(control->GetValue());
    if (m_project.IsSimulating() || text == m_fieldShown[control]) {
        return;
    }
    const FieldEdit edit = ApplyEnvironmentField(m_project.Room(), field, text);
    control->ChangeValue(ToWx(edit.shown));
    m_fieldShown[control] = edit.shown;
    if (!edit.accepted && !edit.message.empty()) {
        m_dialogs->ShowMessage("Velto", edit.message);
    }
    if (edit.changed) {
        m_project.MarkModified();
        AdjustTitle();
    }
}

void VeltowxFrame::OnEnvironmentOption(EnvironmentOption option, wxCheckBox* box)
{
    if (ApplyEnvironmentOption(m_project.Room(), option, box->GetValue())) {
        m_project.MarkModified();
        AdjustTitle();
    }
}

void VeltowxFrame::ApplyEdit(const CellEdit& edit, GridKind kind)
{
    if (!edit.message.empty()) {
        m_dialogs->ShowMessage("Velto", edit.message);
    }
    const std::pair<bool, GridKind> refills[] = {
        {edit.refillMaterials, GridKind::Materials},
        {edit.refillPlaneLayers, GridKind::PlaneLayers},
        {edit.refillSources, GridKind::Sources},
        {edit.refillSourceLayers, GridKind::SourceLayers},
        {edit.refillReceivers, GridKind::Receivers},
        {edit.refillReceiverLayers, GridKind::ReceiverLayers},
    };
    for (auto [refill, grid] : refills) {
        // Names chosen in one grid are offered in another: after a change
        // every grid shows the room again.
        if (refill || grid == kind || edit.result == CellEdit::Changed) {
            FillGrid(grid);
        }
    }
    if (edit.refillPlanes || kind == GridKind::PlaneLayers) {
        FillPlanesSection();
    }
    if (edit.result == CellEdit::Changed) {
        m_project.MarkModified();
        // Markers, colours and triangles are drawn from the room: rebuild them.
        m_project.Room().GetCenter();
        MyGLCanvas->UpdateColors();
    }
    AdjustTitle();
}

void VeltowxFrame::OnGridChanged(GridKind kind, wxGridEvent& event)
{
    if (m_project.IsSimulating()) {
        return;
    }
    const int row = event.GetRow();
    const int col = event.GetCol();
    const std::string text = FromWx(GridOf(kind)->GetCellValue(row, col));
    // Applied after the event has ended: wx is still inside the cell editor
    // here, and an edit may show a message box. The cell belongs to the room
    // it was typed for.
    if (m_applyEditsNow) {
        ApplyEdit(EditCell(m_project.Room(), kind, row, col, text), kind);
        return;
    }
    const TRoom* room = &m_project.Room();
    CallAfter([this, room, kind, row, col, text] {
        if (room == &m_project.Room() && !m_project.IsSimulating()) {
            ApplyEdit(EditCell(m_project.Room(), kind, row, col, text), kind);
        }
    });
}

void VeltowxFrame::OnAddEntry(GridKind kind)
{
    if (m_project.IsSimulating() || !ConfirmAdd(*m_dialogs, m_project.Room(), kind)) {
        return;
    }
    ApplyEdit(AddEntry(m_project.Room(), kind), kind);
}

void VeltowxFrame::OnDelEntry(GridKind kind)
{
    wxGrid* grid = GridOf(kind);
    std::vector<int> rows;
    for (int row : grid->GetSelectedRows()) {
        rows.push_back(row);
    }
    if (rows.empty() && grid->GetGridCursorRow() >= 0 && grid->GetNumberRows() > 0) {
        rows.push_back(grid->GetGridCursorRow());
    }
    if (m_project.IsSimulating() || rows.empty() ||
        !ConfirmDelete(*m_dialogs, m_project.Room(), kind)) {
        return;
    }
    ApplyEdit(DeleteRows(m_project.Room(), kind, rows), kind);
}

void VeltowxFrame::OnSpinPlaneChange()
{
    ViewControl options = MyGLCanvas->View();
    options.activeplane = SpinPlaneID->GetValue();
    MyGLCanvas->SetViewControl(options);
    SpinVertexID->SetValue(0);
    FillPlanesSection();
}

void VeltowxFrame::OnPlaneLayerChange()
{
    if (m_project.IsSimulating() || m_project.Room().NumPlanes == 0) {
        return;
    }
    ApplyEdit(SetPlaneLayer(m_project.Room(), SpinPlaneID->GetValue(),
                            choicePlaneLayer->GetSelection()),
              GridKind::PlaneLayers);
}

void VeltowxFrame::OnVertexChange()
{
    const PlaneFields fields =
        PlanePageFields(m_project.Room(), SpinPlaneID->GetValue(), SpinVertexID->GetValue());
    TextVertexX->ChangeValue(ToWx(fields.vertex[0]));
    TextVertexY->ChangeValue(ToWx(fields.vertex[1]));
    TextVertexZ->ChangeValue(ToWx(fields.vertex[2]));
}

void VeltowxFrame::InvertPlaneSequence()
{
    if (m_project.IsSimulating() || m_project.Room().NumPlanes == 0) {
        return;
    }
    ApplyEdit(InvertPlane(m_project.Room(), SpinPlaneID->GetValue()), GridKind::PlaneLayers);
}

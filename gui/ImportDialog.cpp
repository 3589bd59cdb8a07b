#include "ImportDialog.h"

#include <algorithm>
#include <vector>

#include <wx/artprov.h>
#include <wx/bmpbuttn.h>
#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/dnd.h>
#include <wx/listctrl.h>
#include <wx/radiobut.h>
#include <wx/sizer.h>
#include <wx/statbox.h>
#include <wx/stattext.h>

#include "WxText.h"
#include "dxf/DxfLayers.h"
#include "project/ProjectDialogs.h"
#include "project/ProjectMerge.h"

namespace {

// Wide enough for the usual layer names; longer ones widen the column.
constexpr int kMinColumnWidth = 150;
// The column's padding around the text, so the widest name is not cut.
constexpr int kColumnMargin = 24;

// Takes the drop of a drag that started in another of the dialog's lists;
// the move itself works on the dialog's selection, not on the dropped text.
class LayerDropTarget : public wxTextDropTarget {
public:
    // dialog: the list's dialog, which owns the list and so this target.
    LayerDropTarget(ImportDialog& dialog, wxListCtrl* list) : m_dialog(dialog), m_list(list) {}

    wxDragResult OnDragOver(wxCoord x, wxCoord y, wxDragResult def) override
    {
        const bool ours = m_dialog.DragSrc != nullptr && m_dialog.DragSrc != m_list;
        return ours ? wxTextDropTarget::OnDragOver(x, y, def) : wxDragNone;
    }
    bool OnDropText(wxCoord, wxCoord, const wxString&) override { return m_dialog.DropOn(m_list); }

private:
    ImportDialog& m_dialog;
    wxListCtrl* m_list;
};

wxListCtrl* AddList(wxWindow* parent, wxSizer* sizer, const wxString& label)
{
    sizer->Add(new wxStaticText(parent, wxID_ANY, label), 0, wxLEFT | wxTOP, 2);
    auto* list = new wxListCtrl(parent, wxID_ANY, wxDefaultPosition, wxSize(180, 70),
                                wxLC_REPORT | wxBORDER_SUNKEN);
    list->AppendColumn("Name", wxLIST_FORMAT_LEFT, kMinColumnWidth);
    sizer->Add(list, 1, wxEXPAND | wxALL, 2);
    return list;
}

std::vector<long> SelectedItems(const wxListCtrl* list)
{
    std::vector<long> items;
    for (long i = list->GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED); i != -1;
         i = list->GetNextItem(i, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED)) {
        items.push_back(i);
    }
    return items;
}

} // namespace

ImportDialog::ImportDialog(wxWindow* parent, ProjectDialogs& dialogs)
    : wxDialog(parent, wxID_ANY, "Import Project", wxDefaultPosition, wxDefaultSize,
               wxDEFAULT_DIALOG_STYLE | wxRESIZE_BORDER),
      m_dialogs(dialogs),
      m_handOverProvider(HandOverPath)
{
    const wxBitmap forward = wxArtProvider::GetBitmap(wxART_GO_FORWARD, wxART_BUTTON);
    const wxBitmap back = wxArtProvider::GetBitmap(wxART_GO_BACK, wxART_BUTTON);

    // The unassigned layers on the left, each role beside its pair of arrows
    // on the right.
    auto* lists = new wxBoxSizer(wxHORIZONTAL);
    auto* all = new wxBoxSizer(wxVERTICAL);
    ListLayerAll = AddList(this, all, "DXF Layers");
    lists->Add(all, 1, wxEXPAND | wxALL, 4);
    auto* roles = new wxBoxSizer(wxVERTICAL);
    auto addRole = [&](wxListCtrl*& list, const wxString& label, wxBitmapButton*& to,
                       wxBitmapButton*& from) {
        auto* arrows = new wxBoxSizer(wxVERTICAL);
        to = new wxBitmapButton(this, wxID_ANY, forward);
        to->SetToolTip("Move the selected DXF layers to " + label);
        from = new wxBitmapButton(this, wxID_ANY, back);
        from->SetToolTip("Move the selected " + label + " back to DXF Layers");
        arrows->Add(to, 0, wxBOTTOM, 4);
        arrows->Add(from, 0);
        auto* column = new wxBoxSizer(wxVERTICAL);
        list = AddList(this, column, label);
        auto* row = new wxBoxSizer(wxHORIZONTAL);
        row->Add(arrows, 0, wxALIGN_CENTER_VERTICAL | wxRIGHT, 8);
        row->Add(column, 1, wxEXPAND);
        roles->Add(row, 1, wxEXPAND | wxBOTTOM, 4);
    };
    addRole(ListLayerSrc, "Source Layers", BitmapButton1, BitmapButton2);
    addRole(ListLayerRec, "Receiver Layers", BitmapButton3, BitmapButton4);
    addRole(ListLayerPlanes, "Plane Layers", BitmapButton5, BitmapButton6);
    lists->Add(roles, 1, wxEXPAND | wxALL, 4);

    // Every kind ticked: a drawing's planes are usually of one kind the user
    // need not know, and a kind the drawing lacks adds nothing.
    auto* kinds = new wxStaticBoxSizer(wxVERTICAL, this, "Object types");
    CheckPolyline3D = new wxCheckBox(kinds->GetStaticBox(), wxID_ANY, "3D Polyline");
    CheckFace3D = new wxCheckBox(kinds->GetStaticBox(), wxID_ANY, "3D Face");
    CheckPolyfaceMesh = new wxCheckBox(kinds->GetStaticBox(), wxID_ANY, "3D PolyFaceMesh");
    for (wxCheckBox* box : {CheckPolyline3D, CheckFace3D, CheckPolyfaceMesh}) {
        box->SetValue(true);
        kinds->Add(box, 0, wxALL, 3);
    }
    auto* project = new wxStaticBoxSizer(wxVERTICAL, this, "Project");
    RadioNewProject = new wxRadioButton(project->GetStaticBox(), wxID_ANY, "New Project",
                                        wxDefaultPosition, wxDefaultSize, wxRB_GROUP);
    RadioAppend = new wxRadioButton(project->GetStaticBox(), wxID_ANY, "Append");
    RadioNewProject->SetValue(true);
    project->Add(RadioNewProject, 0, wxALL, 3);
    project->Add(RadioAppend, 0, wxALL, 3);
    Button1 = new wxButton(this, wxID_ANY, "Import");
    // wxID_CANCEL: Escape and the title bar's close button cancel too.
    Button2 = new wxButton(this, wxID_CANCEL, "Cancel");
    auto* buttons = new wxBoxSizer(wxHORIZONTAL);
    buttons->Add(Button1, 0, wxRIGHT, 6);
    buttons->Add(Button2, 0);
    auto* bottom = new wxBoxSizer(wxHORIZONTAL);
    bottom->Add(kinds, 0, wxALL, 4);
    bottom->Add(project, 0, wxALL, 4);
    bottom->AddStretchSpacer();
    bottom->Add(buttons, 0, wxALIGN_BOTTOM | wxALL, 8);

    auto* top = new wxBoxSizer(wxVERTICAL);
    top->Add(lists, 1, wxEXPAND | wxALL, 4);
    top->Add(bottom, 0, wxEXPAND | wxLEFT | wxRIGHT | wxBOTTOM, 4);
    SetSizer(top);
    top->SetSizeHints(this);
    wxSize size = GetSize();
    size.IncTo(wxSize(700, 500));
    SetSize(size);
    CentreOnParent();

    const std::pair<wxBitmapButton*, std::pair<wxListCtrl*, wxListCtrl*>> moves[] = {
        {BitmapButton1, {ListLayerAll, ListLayerSrc}},    {BitmapButton2, {ListLayerSrc, ListLayerAll}},
        {BitmapButton3, {ListLayerAll, ListLayerRec}},    {BitmapButton4, {ListLayerRec, ListLayerAll}},
        {BitmapButton5, {ListLayerAll, ListLayerPlanes}}, {BitmapButton6, {ListLayerPlanes, ListLayerAll}},
    };
    for (const auto& [button, ends] : moves) {
        button->Bind(wxEVT_BUTTON, [this, from = ends.first, to = ends.second](wxCommandEvent&) {
            MoveItems(from, to);
        });
    }
    for (wxListCtrl* list : {ListLayerAll, ListLayerSrc, ListLayerRec, ListLayerPlanes}) {
        list->Bind(wxEVT_LIST_BEGIN_DRAG, &ImportDialog::OnDragInit, this);
        list->SetDropTarget(new LayerDropTarget(*this, list)); // the list owns it
    }
    RadioNewProject->Bind(wxEVT_RADIOBUTTON, [this](wxCommandEvent&) { NewFile = true; });
    RadioAppend->Bind(wxEVT_RADIOBUTTON, [this](wxCommandEvent&) { NewFile = false; });
    Button1->Bind(wxEVT_BUTTON, &ImportDialog::OnButton1Click, this);
    Bind(wxEVT_BUTTON, &ImportDialog::OnButton2Click, this, wxID_CANCEL);
}

void ImportDialog::SetHandOverProvider(std::function<std::optional<std::string>()> provider)
{
    m_handOverProvider = std::move(provider);
}

int ImportDialog::OpenFile()
{
    // The caller has taken the last import's file by now.
    m_handOverFile.clear();
    const std::optional<std::string> path =
        m_dialogs.ChooseFileToOpen("Import from DXF file", "DXF files (*.dxf)|*.dxf");
    if (!path) {
        return 0;
    }
    std::optional<std::vector<std::string>> names = ReadDXFLayerNames(*path);
    if (!names) {
        m_dialogs.LogError("Cannot open file '" + *path + "'.");
        return 0;
    }
    ImportFileName = *path;
    m_layers.Reset(std::move(*names));
    for (wxListCtrl* list : {ListLayerAll, ListLayerSrc, ListLayerRec, ListLayerPlanes}) {
        Fill(list);
    }
    return 1;
}

void ImportDialog::MoveItems(wxListCtrl* from, wxListCtrl* to)
{
    const std::optional<ImportRole> source = RoleOf(from);
    const std::optional<ImportRole> target = RoleOf(to);
    if (!source || !target) {
        return;
    }
    if (m_layers.MoveItems(*source, *target, SelectedItems(from)) > 0) {
        Fill(from);
        Fill(to);
    }
}

bool ImportDialog::DropOn(wxListCtrl* target)
{
    DragDst = target;
    if (DragSrc == nullptr || DragSrc == DragDst) {
        return false;
    }
    MoveItems(DragSrc, DragDst);
    return true;
}

void ImportDialog::OnDragInit(wxListEvent& event)
{
    auto* list = dynamic_cast<wxListCtrl*>(event.GetEventObject());
    if (list == nullptr || !RoleOf(list)) {
        return;
    }
    // Dragging an entry that is not selected drags that entry alone, as a
    // click on it would have selected it.
    const long item = event.GetIndex();
    if (item >= 0 && list->GetItemState(item, wxLIST_STATE_SELECTED) == 0) {
        for (long i : SelectedItems(list)) {
            list->SetItemState(i, 0, wxLIST_STATE_SELECTED);
        }
        list->SetItemState(item, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
    }
    wxString names;
    for (long i : SelectedItems(list)) {
        names << list->GetItemText(i) << '\n';
    }
    if (names.empty()) {
        return;
    }
    DragSrc = list;
    DragDst = nullptr;
    wxTextDataObject data(names);
    wxDropSource source(data, list);
    source.DoDragDrop(wxDrag_DefaultMove);
    DragSrc = nullptr;
    DragDst = nullptr;
}

void ImportDialog::OnButton1Click(wxCommandEvent&)
{
    m_handOverFile.clear();
    const std::optional<std::string> written = WriteImportHandOver(
        ImportFileName,
        m_layers.Options(CheckPolyline3D->GetValue(), CheckFace3D->GetValue(),
                         CheckPolyfaceMesh->GetValue()),
        m_handOverProvider, m_dialogs);
    // On failure the dialog stays, so the user can try again or cancel.
    if (written) {
        m_handOverFile = *written;
        SetReturnCode(wxID_OK); // read when shown without a modal loop
        EndDialog(wxID_OK);
    }
}

void ImportDialog::OnButton2Click(wxCommandEvent&)
{
    m_handOverFile.clear();
    SetReturnCode(wxID_CANCEL); // read when shown without a modal loop
    EndDialog(wxID_CANCEL);
}

std::optional<ImportRole> ImportDialog::RoleOf(const wxListCtrl* list) const
{
    if (list == nullptr) {
        return std::nullopt;
    }
    if (list == ListLayerAll) {
        return ImportRole::All;
    }
    if (list == ListLayerSrc) {
        return ImportRole::Sources;
    }
    if (list == ListLayerRec) {
        return ImportRole::Receivers;
    }
    if (list == ListLayerPlanes) {
        return ImportRole::Planes;
    }
    return std::nullopt;
}

void ImportDialog::Fill(wxListCtrl* list)
{
    const std::optional<ImportRole> role = RoleOf(list);
    if (!role) {
        return;
    }
    list->Freeze();
    list->DeleteAllItems();
    int width = kMinColumnWidth;
    long row = 0;
    for (const std::string& name : m_layers.List(*role)) {
        const wxString text = ToWx(name);
        list->InsertItem(row++, text);
        width = std::max(width, list->GetTextExtent(text).x + kColumnMargin);
    }
    list->SetColumnWidth(0, width);
    list->Thaw();
}

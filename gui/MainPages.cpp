// The pages of the main window's two notebooks.

#include <initializer_list>

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/gauge.h>
#include <wx/grid.h>
#include <wx/notebook.h>
#include <wx/panel.h>
#include <wx/sizer.h>
#include <wx/spinctrl.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "GLPane.h"
#include "GLPlot2D.h"
#include "VeltowxMain.h"

namespace {

const char* const kBandLabels[] = {"63", "125", "250", "500", "1k", "2k", "4k", "8k", "16k"};

wxTextCtrl* AddField(wxWindow* parent, wxFlexGridSizer* grid, const wxString& label,
                     const wxString& value = wxEmptyString)
{
    grid->Add(new wxStaticText(parent, wxID_ANY, label), 0, wxALIGN_CENTER_VERTICAL | wxALL, 3);
    // Enter applies the field, as leaving it does.
    auto* field = new wxTextCtrl(parent, wxID_ANY, value, wxDefaultPosition, wxSize(110, -1),
                                 wxTE_PROCESS_ENTER);
    grid->Add(field, 0, wxALL, 3);
    return field;
}

wxFlexGridSizer* FieldGrid()
{
    auto* grid = new wxFlexGridSizer(2, wxSize(4, 2));
    grid->AddGrowableCol(1);
    return grid;
}

// A grid with these column headers, no rows yet and row labels kept narrow.
wxGrid* MakeGrid(wxWindow* parent, std::initializer_list<wxString> columns, bool bands = false,
                 std::initializer_list<wxString> after = {})
{
    auto* grid = new wxGrid(parent, wxID_ANY);
    const int count = static_cast<int>(columns.size() + (bands ? 9 : 0) + after.size());
    grid->CreateGrid(0, count);
    int c = 0;
    for (const wxString& label : columns) {
        grid->SetColLabelValue(c++, label);
    }
    if (bands) {
        for (const char* label : kBandLabels) {
            grid->SetColSize(c, 48);
            grid->SetColLabelValue(c++, label);
        }
    }
    for (const wxString& label : after) {
        grid->SetColLabelValue(c++, label);
    }
    grid->SetRowLabelSize(40);
    return grid;
}

wxBoxSizer* ButtonRow(wxWindow* parent, wxButton*& add, const wxString& addLabel, wxButton*& del,
                      const wxString& delLabel)
{
    auto* row = new wxBoxSizer(wxHORIZONTAL);
    add = new wxButton(parent, wxID_ANY, addLabel);
    del = new wxButton(parent, wxID_ANY, delLabel);
    row->Add(add, 0, wxALL, 3);
    row->Add(del, 0, wxALL, 3);
    return row;
}

} // namespace

wxWindow* VeltowxFrame::BuildSimulationPage(wxWindow* parent)
{
    auto* page = new wxPanel(parent);
    auto* column = new wxBoxSizer(wxVERTICAL);

    auto* environment = new wxStaticBoxSizer(wxVERTICAL, page, "Environment Setup");
    wxWindow* box = environment->GetStaticBox();
    wxFlexGridSizer* grid = FieldGrid();
    TextTemperature = AddField(box, grid, "Temperature (C)", "21.0");
    TextPressure = AddField(box, grid, "Pressure (atm)");
    TextHumidity = AddField(box, grid, "Humidity (%)", "40.0");
    TextSampleRate = AddField(box, grid, "Sample Rate (Hz)", "44100");
    TextSampleRate->Enable(false);
    environment->Add(grid, 0, wxEXPAND);
    column->Add(environment, 0, wxEXPAND | wxALL, 4);

    auto* stop = new wxStaticBoxSizer(wxVERTICAL, page, "Raytracing Stop Criteria");
    box = stop->GetStaticBox();
    grid = FieldGrid();
    TextIRDuration = AddField(box, grid, "IR Duration (s)");
    TextMaxReflections = AddField(box, grid, "Max. Reflections");
    TextEnergyDecay = AddField(box, grid, "Energy Decay (dB)");
    TextNumRays = AddField(box, grid, "Number of Rays", "20000");
    stop->Add(grid, 0, wxEXPAND);
    column->Add(stop, 0, wxEXPAND | wxALL, 4);

    auto* options = new wxStaticBoxSizer(wxVERTICAL, page, "General Options");
    box = options->GetStaticBox();
    CheckBox1 = new wxCheckBox(box, wxID_ANY, "Diffuse processing (slow)");
    CheckBox2 = new wxCheckBox(box, wxID_ANY, "Save late rays");
    CheckBox3 = new wxCheckBox(box, wxID_ANY, "Artificial Tail");
    CheckBox4 = new wxCheckBox(box, wxID_ANY, "Save diffuse rays");
    CheckBox5 = new wxCheckBox(box, wxID_ANY, "Auralization");
    for (wxCheckBox* check : {CheckBox1, CheckBox2, CheckBox3, CheckBox4, CheckBox5}) {
        options->Add(check, 0, wxALL, 3);
    }
    column->Add(options, 0, wxEXPAND | wxALL, 4);

    Button1 = new wxButton(page, wxID_ANY, "Start Simulation");
    column->Add(Button1, 0, wxALL, 6);
    textinfo = new wxTextCtrl(page, wxID_ANY, wxEmptyString, wxDefaultPosition, wxSize(-1, 120),
                              wxTE_MULTILINE | wxTE_READONLY);
    textinfo->Hide();
    column->Add(textinfo, 0, wxEXPAND | wxALL, 4);
    progress = new wxGauge(page, wxID_ANY, 100);
    column->Add(progress, 0, wxEXPAND | wxALL, 6);

    page->SetSizer(column);
    return page;
}

wxWindow* VeltowxFrame::BuildMaterialPage(wxWindow* parent)
{
    auto* page = new wxPanel(parent);
    auto* column = new wxBoxSizer(wxVERTICAL);
    GridPlaneLayers = MakeGrid(page, {"Plane Layer", "Material", "Color"});
    column->Add(GridPlaneLayers, 1, wxEXPAND | wxALL, 4);
    column->Add(ButtonRow(page, ButtonAddPlaneLayer, "Add Plane Layer", ButtonDelPlaneLayer,
                          "Del Plane Layer"));
    auto* materials = new wxStaticBoxSizer(wxVERTICAL, page, "Material List");
    GridMaterials = MakeGrid(materials->GetStaticBox(), {"Name"}, true, {"scatt"});
    materials->Add(GridMaterials, 1, wxEXPAND | wxALL, 2);
    materials->Add(ButtonRow(materials->GetStaticBox(), ButtonAddMaterial, "Add Material",
                             ButtonDelMaterial, "Del Material"));
    column->Add(materials, 1, wxEXPAND | wxALL, 4);
    page->SetSizer(column);
    return page;
}

wxWindow* VeltowxFrame::BuildGeometryPage(wxWindow* parent)
{
    auto* page = new wxPanel(parent);
    auto* column = new wxBoxSizer(wxVERTICAL);
    auto* planes = new wxStaticBoxSizer(wxVERTICAL, page, "Planes");
    wxWindow* box = planes->GetStaticBox();
    wxFlexGridSizer* grid = FieldGrid();
    grid->Add(new wxStaticText(box, wxID_ANY, "Plane ID"), 0, wxALIGN_CENTER_VERTICAL | wxALL, 3);
    SpinPlaneID = new wxSpinCtrl(box, wxID_ANY);
    grid->Add(SpinPlaneID, 0, wxALL, 3);
    grid->Add(new wxStaticText(box, wxID_ANY, "Layer"), 0, wxALIGN_CENTER_VERTICAL | wxALL, 3);
    choicePlaneLayer = new wxChoice(box, wxID_ANY);
    grid->Add(choicePlaneLayer, 0, wxEXPAND | wxALL, 3);
    grid->Add(new wxStaticText(box, wxID_ANY, "Vertex ID"), 0, wxALIGN_CENTER_VERTICAL | wxALL, 3);
    SpinVertexID = new wxSpinCtrl(box, wxID_ANY);
    grid->Add(SpinVertexID, 0, wxALL, 3);
    TextVertexCount = AddField(box, grid, "Vertexes:");
    TextVertexCount->SetEditable(false);
    planes->Add(grid, 0, wxEXPAND);
    auto* coordinates = new wxBoxSizer(wxHORIZONTAL);
    // The coordinates are shown; vertices are moved in the drawing, not here.
    TextVertexX = new wxTextCtrl(box, wxID_ANY, "0.00", wxDefaultPosition, wxSize(80, -1));
    TextVertexY = new wxTextCtrl(box, wxID_ANY, "0.00", wxDefaultPosition, wxSize(80, -1));
    TextVertexZ = new wxTextCtrl(box, wxID_ANY, "0.00", wxDefaultPosition, wxSize(80, -1));
    for (wxTextCtrl* field : {TextVertexX, TextVertexY, TextVertexZ}) {
        field->SetEditable(false);
        coordinates->Add(field, 0, wxALL, 3);
    }
    planes->Add(coordinates);
    ButtonInvert = new wxButton(box, wxID_ANY, "Invert");
    planes->Add(ButtonInvert, 0, wxALL, 3);
    column->Add(planes, 0, wxEXPAND | wxALL, 4);
    page->SetSizer(column);
    return page;
}

wxWindow* VeltowxFrame::BuildSourcesPage(wxWindow* parent)
{
    auto* page = new wxPanel(parent);
    auto* column = new wxBoxSizer(wxVERTICAL);
    GridSources = MakeGrid(page, {"X (m)", "Y (m)", "Z (m)", "Azim", "Elev", "SPL (1m)",
                                  "Source Type", "Sound File"});
    column->Add(GridSources, 1, wxEXPAND | wxALL, 4);
    column->Add(
        ButtonRow(page, ButtonAddSource, "Add Source", ButtonDelSource, "Del Source"));
    GridSourceTypes = MakeGrid(page, {"Source Type", "Directivity"}, true);
    column->Add(GridSourceTypes, 1, wxEXPAND | wxALL, 4);
    column->Add(ButtonRow(page, ButtonAddSourceType, "Add Source Type", ButtonDelSourceType,
                          "Del Source Type"));
    page->SetSizer(column);
    return page;
}

wxWindow* VeltowxFrame::BuildReceiversPage(wxWindow* parent)
{
    auto* page = new wxPanel(parent);
    auto* column = new wxBoxSizer(wxVERTICAL);
    GridReceivers =
        MakeGrid(page, {"X (m)", "Y (m)", "Z (m)", "Radius (m)", "Receiver Type"});
    column->Add(GridReceivers, 1, wxEXPAND | wxALL, 4);
    column->Add(ButtonRow(page, ButtonAddReceiver, "Add Receiver", ButtonDelReceiver,
                          "Del Receiver"));
    GridReceiverTypes = MakeGrid(page, {"Receiver Type", "Directivity"});
    column->Add(GridReceiverTypes, 1, wxEXPAND | wxALL, 4);
    column->Add(ButtonRow(page, ButtonAddReceiverType, "Add Receiver Type",
                          ButtonDelReceiverType, "Del Receiver Type"));
    page->SetSizer(column);
    return page;
}

wxWindow* VeltowxFrame::BuildVisualizationPage(wxWindow* parent)
{
    auto* page = new wxPanel(parent);
    auto* column = new wxBoxSizer(wxVERTICAL);
    auto* model = new wxStaticBoxSizer(wxVERTICAL, page, "Model Visualization");
    MyGLCanvas = new GL_Window(model->GetStaticBox());
    model->Add(MyGLCanvas, 1, wxEXPAND | wxALL, 2);
    column->Add(model, 1, wxEXPAND | wxALL, 4);

    auto* optionsBox = new wxStaticBoxSizer(wxVERTICAL, page, "View Options");
    wxWindow* box = optionsBox->GetStaticBox();
    // Two rows of four, so that every option shows on a narrow page.
    auto* options = new wxGridSizer(4, wxSize(6, 0));
    optionsBox->Add(options, 0, wxEXPAND);
    CBView1 = new wxCheckBox(box, wxID_ANY, "Sources");
    CBView2 = new wxCheckBox(box, wxID_ANY, "Receivers");
    CBView3 = new wxCheckBox(box, wxID_ANY, "Active plane");
    CBView4 = new wxCheckBox(box, wxID_ANY, "Triangles");
    CBView5 = new wxCheckBox(box, wxID_ANY, "Src names");
    CBView6 = new wxCheckBox(box, wxID_ANY, "Rec names");
    CBView7 = new wxCheckBox(box, wxID_ANY, "Lost rays");
    CBViewFilled = new wxCheckBox(box, wxID_ANY, "Filled planes");
    CBView1->SetValue(true);
    CBView2->SetValue(true);
    CBViewFilled->SetValue(true);
    for (wxCheckBox* check :
         {CBView1, CBView2, CBView3, CBView4, CBView5, CBView6, CBView7, CBViewFilled}) {
        options->Add(check, 0, wxALL, 3);
        check->Bind(wxEVT_CHECKBOX, &VeltowxFrame::OnCBViewClick, this);
    }
    column->Add(optionsBox, 0, wxEXPAND | wxALL, 4);
    page->SetSizer(column);
    return page;
}

namespace {

// The pair-selection grid: filled with a row per source and a column per
// receiver when there are results.
wxGrid* MakePairGrid(wxWindow* parent)
{
    auto* grid = new wxGrid(parent, wxID_ANY, wxDefaultPosition, wxSize(200, -1));
    grid->CreateGrid(0, 0);
    grid->SetRowLabelSize(40);
    grid->SetDefaultColSize(36);
    grid->DisableDragGridSize();
    return grid;
}

} // namespace

wxWindow* VeltowxFrame::BuildResponsesPage(wxWindow* parent)
{
    auto* page = new wxPanel(parent);
    auto* row = new wxBoxSizer(wxHORIZONTAL);
    auto* selection = new wxStaticBoxSizer(wxVERTICAL, page, "Result Selection");
    wxWindow* box = selection->GetStaticBox();
    graphChoice = new wxChoice(box, wxID_ANY);
    for (const char* curve :
         {"Pressure (LIN scale)", "Pressure (LOG scale)", "Decay curve (LOG scale)",
          "Decay curve Normalized (LOG scale)", "Frequency Response (LOG scale)"}) {
        graphChoice->Append(curve);
    }
    graphChoice->SetSelection(0);
    selection->Add(graphChoice, 0, wxEXPAND | wxALL, 3);
    BtnLinLog = new wxButton(box, wxID_ANY, "Log Scale");
    selection->Add(BtnLinLog, 0, wxEXPAND | wxALL, 3);
    SRPlotGrid = MakePairGrid(box);
    selection->Add(SRPlotGrid, 1, wxEXPAND | wxALL, 3);
    row->Add(selection, 0, wxEXPAND | wxALL, 4);
    My2DPlot = new GL_Plot2D(page);
    row->Add(My2DPlot, 1, wxEXPAND | wxALL, 4);
    page->SetSizer(row);
    return page;
}

wxWindow* VeltowxFrame::BuildParametersPage(wxWindow* parent)
{
    auto* page = new wxPanel(parent);
    auto* row = new wxBoxSizer(wxHORIZONTAL);
    auto* selection = new wxStaticBoxSizer(wxVERTICAL, page, "Result Selection");
    wxWindow* box = selection->GetStaticBox();
    graphChoiceParam = new wxChoice(box, wxID_ANY);
    for (int k = 0; k < kNumPlotParameters; ++k) {
        graphChoiceParam->Append(PlotParameterLabel(static_cast<::PlotParameter>(k)));
    }
    graphChoiceParam->SetSelection(0);
    selection->Add(graphChoiceParam, 0, wxEXPAND | wxALL, 3);
    SRPlotParamGrid = MakePairGrid(box);
    selection->Add(SRPlotParamGrid, 1, wxEXPAND | wxALL, 3);
    row->Add(selection, 0, wxEXPAND | wxALL, 4);
    PlotParam = new GL_Plot2D(page);
    row->Add(PlotParam, 1, wxEXPAND | wxALL, 4);
    page->SetSizer(row);
    return page;
}

std::vector<wxWindow*> VeltowxFrame::EditorControls() const
{
    return {TextTemperature, TextPressure, TextHumidity, TextIRDuration, TextMaxReflections,
            TextEnergyDecay, TextNumRays, CheckBox1, CheckBox2, CheckBox3, CheckBox4, CheckBox5,
            GridPlaneLayers, ButtonAddPlaneLayer, ButtonDelPlaneLayer, GridMaterials,
            ButtonAddMaterial, ButtonDelMaterial, SpinPlaneID, choicePlaneLayer, SpinVertexID,
            TextVertexX, TextVertexY, TextVertexZ, ButtonInvert, GridSources, ButtonAddSource,
            ButtonDelSource, GridSourceTypes, ButtonAddSourceType, ButtonDelSourceType,
            GridReceivers, ButtonAddReceiver, ButtonDelReceiver, GridReceiverTypes,
            ButtonAddReceiverType, ButtonDelReceiverType};
}

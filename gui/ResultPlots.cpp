// The result pages: the responses plot and the parameter plot with their
// pair-selection grids. The curves look into the room's results, so they are
// rebuilt whenever the results are replaced, and never drawn meanwhile.

#include <cstdio>

#include <wx/button.h>
#include <wx/choice.h>
#include <wx/grid.h>

#include "GLPlot2D.h"
#include "VeltowxMain.h"
#include "WxText.h"
#include "room/TRoom.h"

namespace {

bool IsDecay(ResponseDisplay display)
{
    return display == ResponseDisplay::Decay || display == ResponseDisplay::DecayNormalized;
}

// A row per source, a column per receiver; each cell ticked and in its
// pair's colour while the pair is shown.
void FillPairGrid(wxGrid* grid, const PlotGraphs& graphs)
{
    const PlotCurveLayout& layout = graphs.Layout();
    const int rows = graphs.Empty() ? 0 : static_cast<int>(layout.NumSources());
    const int cols = graphs.Empty() ? 0 : static_cast<int>(layout.NumReceivers());
    grid->BeginBatch();
    if (grid->GetNumberRows() > 0) {
        grid->DeleteRows(0, grid->GetNumberRows());
    }
    if (grid->GetNumberCols() > 0) {
        grid->DeleteCols(0, grid->GetNumberCols());
    }
    grid->AppendRows(rows);
    grid->AppendCols(cols);
    char label[16];
    for (int s = 0; s < rows; ++s) {
        std::snprintf(label, sizeof label, "S%.2d", s + 1);
        grid->SetRowLabelValue(s, label);
    }
    for (int r = 0; r < cols; ++r) {
        std::snprintf(label, sizeof label, "R%.2d", r + 1);
        grid->SetColLabelValue(r, label);
    }
    for (int s = 0; s < rows; ++s) {
        for (int r = 0; r < cols; ++r) {
            const auto su = static_cast<unsigned int>(s);
            const auto ru = static_cast<unsigned int>(r);
            const auto c = graphs.PairCellColor(su, ru);
            grid->SetCellBackgroundColour(s, r, wxColour(c[0], c[1], c[2]));
            grid->SetCellTextColour(s, r, wxColour(c[0], c[1], c[2]));
            grid->SetCellRenderer(s, r, new wxGridCellBoolRenderer());
            grid->SetCellEditor(s, r, new wxGridCellBoolEditor());
            grid->SetCellValue(s, r, graphs.PairShown(su, ru) ? "1" : "");
            grid->SetReadOnly(s, r);
        }
    }
    grid->EndBatch();
    grid->ForceRefresh();
}

// A click on a pair's cell shows or hides all its channel curves.
void TogglePairCell(wxGridEvent& event, wxGrid* grid, GL_Plot2D* plot)
{
    PlotGraphs& graphs = plot->Graphs();
    const int s = event.GetRow();
    const int r = event.GetCol();
    if (graphs.Empty() || s < 0 || r < 0 || s >= grid->GetNumberRows() ||
        r >= grid->GetNumberCols()) {
        return;
    }
    const bool shown = graphs.TogglePair(static_cast<unsigned int>(s), static_cast<unsigned int>(r));
    const auto c = graphs.PairCellColor(static_cast<unsigned int>(s), static_cast<unsigned int>(r));
    grid->SetCellValue(s, r, shown ? "1" : "");
    grid->SetCellBackgroundColour(s, r, wxColour(c[0], c[1], c[2]));
    grid->SetCellTextColour(s, r, wxColour(c[0], c[1], c[2]));
    grid->ForceRefresh();
    plot->RequestDraw();
    // Not skipped: the click must not start the cell's editor.
}

} // namespace

void VeltowxFrame::BindPlots()
{
    My2DPlot->SetDataCheck([this] { return PlotDataValid(); });
    PlotParam->SetDataCheck([this] { return PlotDataValid(); });
    graphChoice->Bind(wxEVT_CHOICE, &VeltowxFrame::OnGraphicChange, this);
    graphChoiceParam->Bind(wxEVT_CHOICE, &VeltowxFrame::OnGraphicParamChange, this);
    BtnLinLog->Bind(wxEVT_BUTTON, &VeltowxFrame::OnLinLogClick, this);
    SRPlotGrid->Bind(wxEVT_GRID_CELL_LEFT_CLICK, &VeltowxFrame::OnSRPlotCtrLeftClick, this);
    SRPlotParamGrid->Bind(wxEVT_GRID_CELL_LEFT_CLICK, &VeltowxFrame::OnSRPlotParamCtrLeftClick,
                          this);
    Bind(wxEVT_IDLE, &VeltowxFrame::OnIdleCheckPlots, this);
}

bool VeltowxFrame::PlotDataValid() const
{
    const TRoom& room = m_project.Room();
    return !m_project.IsSimulating() && &room == m_plottedRoom &&
           room.ResultsGeneration == m_plottedGeneration;
}

void VeltowxFrame::OnIdleCheckPlots(wxIdleEvent& event)
{
    // Whatever replaced the results (an edit, a load, a merge), the plots follow.
    if (!m_project.IsSimulating() && !PlotDataValid()) {
        CreatePlotResults();
    }
    event.Skip();
}

void VeltowxFrame::ClearPlots()
{
    for (GL_Plot2D* plot : {My2DPlot, PlotParam}) {
        plot->Graphs().Clear();
        plot->DataChanged();
    }
    FillSRPlotCtrGrid();
    FillSRPlotParamCtrGrid();
}

void VeltowxFrame::CreatePlotResults()
{
    const TRoom& room = m_project.Room();
    m_plottedRoom = &room;
    m_plottedGeneration = room.ResultsGeneration;
    if (m_project.IsSimulating() || !room.ResultsCreated || !room.HasResultGrid()) {
        ClearPlots();
        return;
    }
    DrawCurves();
    PlotParameter(graphChoiceParam->GetSelection());
}

void VeltowxFrame::DrawCurves(bool keepX)
{
    const int choice = graphChoice->GetSelection();
    const auto display = static_cast<ResponseDisplay>(choice < 0 ? 0 : choice);
    const PlotGraphs& before = My2DPlot->Graphs();
    std::optional<std::pair<double, double>> xRange;
    if (keepX && !before.Empty() && before.Content() == PlotContent::Response &&
        SameXAxis(before.Display(), display)) {
        xRange = My2DPlot->GetXRange();
    }
    if (choice < 0 || m_project.IsSimulating() || !m_project.Room().HasResultGrid()) {
        My2DPlot->Graphs().Clear();
    } else {
        My2DPlot->Graphs().ShowResponses(m_project.Room().spcresult, display);
    }
    const bool frequency = display == ResponseDisplay::FrequencyResponse;
    const bool linear = display == ResponseDisplay::PressureLinear;
    My2DPlot->SetAxisLabels(frequency ? "f (Hz)" : "t (s)", linear ? "p (Pa)" : "(dB)");
    My2DPlot->DataChanged(xRange, IsDecay(display) ? std::optional(PlotGraphs::kDecayRangeDb)
                                                   : std::nullopt);
    FillSRPlotCtrGrid();
}

void VeltowxFrame::PlotParameter(int which)
{
    const TRoom& room = m_project.Room();
    if (which < 0 || which >= kNumPlotParameters || !PlotDataValid() || !room.HasResultGrid()) {
        PlotParam->Graphs().Clear();
    } else {
        const auto parameter = static_cast<::PlotParameter>(which);
        PlotParam->Graphs().ShowParameter(room.spcresult, room.NumBands, parameter);
        PlotParam->SetAxisLabels("octave band (1 = 63 Hz, 5 = 1 kHz, 9 = 16 kHz)",
                                 PlotParameterLabel(parameter));
    }
    // Half a band either side, so the first and last points are not on the frame.
    const double bands = room.NumBands;
    PlotParam->DataChanged(PlotParam->Graphs().Empty()
                               ? std::nullopt
                               : std::optional(std::pair{0.5, bands + 0.5}));
    FillSRPlotParamCtrGrid();
}

void VeltowxFrame::OnGraphicChange(wxCommandEvent& event)
{
    if (!My2DPlot->Graphs().Empty()) {
        const int choice = graphChoice->GetSelection();
        // The pressure displays are the two states of the linear/log switch.
        if (choice == 0 || choice == 1) {
            LinScale = choice == 0;
            BtnLinLog->SetLabel(LinScale ? "Log Scale" : "Linear Scale");
        }
        DrawCurves(true);
    }
    event.Skip();
}

void VeltowxFrame::OnGraphicParamChange(wxCommandEvent& event)
{
    if (!PlotParam->Graphs().Empty()) {
        PlotParameter(graphChoiceParam->GetSelection());
    }
    event.Skip();
}

void VeltowxFrame::OnLinLogClick(wxCommandEvent&)
{
    if (My2DPlot->Graphs().Empty()) {
        return;
    }
    // The label names the other scale: what the next click gives.
    BtnLinLog->SetLabel(LinScale ? "Linear Scale" : "Log Scale");
    LinScale = !LinScale;
    graphChoice->SetSelection(LinScale ? 0 : 1);
    DrawCurves(true);
}

void VeltowxFrame::FillSRPlotCtrGrid()
{
    FillPairGrid(SRPlotGrid, My2DPlot->Graphs());
}

void VeltowxFrame::FillSRPlotParamCtrGrid()
{
    FillPairGrid(SRPlotParamGrid, PlotParam->Graphs());
}

void VeltowxFrame::OnSRPlotCtrLeftClick(wxGridEvent& event)
{
    TogglePairCell(event, SRPlotGrid, My2DPlot);
}

void VeltowxFrame::OnSRPlotParamCtrLeftClick(wxGridEvent& event)
{
    TogglePairCell(event, SRPlotParamGrid, PlotParam);
}

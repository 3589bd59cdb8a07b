// The result pages after a real run: the curves against the files the run
// wrote, the pair selection seen in the pixels, the mouse navigation, and
// the plots following the results when they go away.

#include <cmath>
#include <fstream>
#include <sstream>

#include <wx/choice.h>

#include "GLPlot2D.h"
#include "WindowTest.h"

namespace {

const std::string kAuditorium = std::string(VELTO_EXAMPLES_DIR) + "/auditorium";

// The values of one row of a parameter file ("T30(s)  0.50  0.46 ..."), bands only.
std::vector<double> ParameterRow(const std::string& path, const std::string& name)
{
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string first;
        fields >> first;
        if (first == name) {
            std::vector<double> values;
            for (double v = 0.0; fields >> v;) {
                values.push_back(v);
            }
            values.pop_back(); // the broadband column
            return values;
        }
    }
    ADD_FAILURE() << "no row " << name << " in " << path;
    return {};
}

std::size_t CountColor(const std::vector<unsigned char>& pixels, int r, int g, int b)
{
    std::size_t n = 0;
    for (std::size_t i = 0; i + 2 < pixels.size(); i += 3) {
        n += pixels[i] == r && pixels[i + 1] == g && pixels[i + 2] == b;
    }
    return n;
}

class ResultPlots : public Window {
protected:
    // Runs the auditorium example (two sources, three receivers) in a
    // folder of its own with few rays.
    void RunAuditorium()
    {
        for (const char* name : {"auditorium.txt", "dry.wav"}) {
            folder.Write(name, ReadBytes(RequiredFile(kAuditorium + "/" + name)));
        }
        script->openChoices.push_back(folder.Path("auditorium.txt"));
        Menu(wxID_OPEN);
        frame->GetProject().Room().NumRays = 1000;
        Click(frame->Button1);
        ASSERT_EQ(RunUntilIdle(), "Simulation finished");
        frame->Notebook2->SetSelection(1);
        Pump(20);
    }
    void Choose(wxChoice* choice, int item)
    {
        choice->SetSelection(item);
        wxCommandEvent event(wxEVT_CHOICE, choice->GetId());
        event.SetEventObject(choice);
        event.SetInt(item);
        choice->GetEventHandler()->ProcessEvent(event);
        Pump();
    }
    void ClickCell(wxGrid* grid, int row, int col)
    {
        wxGridEvent event(grid->GetId(), wxEVT_GRID_CELL_LEFT_CLICK, grid, row, col);
        grid->GetEventHandler()->ProcessEvent(event);
        Pump();
    }
    void PlotMouse(wxEventType type, int x, int y, int wheel = 0)
    {
        wxMouseEvent event(type);
        event.SetEventObject(frame->My2DPlot);
        event.m_x = x;
        event.m_y = y;
        event.m_wheelRotation = wheel;
        event.m_wheelDelta = 120;
        frame->My2DPlot->GetEventHandler()->ProcessEvent(event);
        Pump(2);
    }

    ScratchFolder folder;
};

} // namespace

TEST_F(ResultPlots, EveryPairIsPlottedWithTheDataOfTheWrittenFiles)
{
    RunAuditorium();
    const PlotGraphs& responses = frame->My2DPlot->Graphs();
    ASSERT_EQ(responses.getNumGraphs(), 6u); // 2 sources x 3 receivers x 1 channel
    EXPECT_EQ(frame->SRPlotGrid->GetNumberRows(), 2);
    EXPECT_EQ(frame->SRPlotGrid->GetNumberCols(), 3);
    EXPECT_EQ(frame->SRPlotGrid->GetRowLabelValue(1), "S02");
    EXPECT_EQ(frame->SRPlotGrid->GetColLabelValue(2), "R03");

    // Source 1 at receiver 2 is curve 1 x 3 + 2; its samples are the file's.
    std::ifstream file(folder.Path("S002-R003.txt"));
    const UniformCurve& curve = responses.Graph(5).Curve();
    std::size_t i = 0;
    for (double v = 0.0; file >> v && i < curve.Size(); ++i) {
        ASSERT_NEAR(curve.Samples()[i], v, 1e-5 * std::abs(v) + 1e-12) << "sample " << i;
    }
    EXPECT_EQ(i, curve.Size());

    for (int which : {1, 5}) { // T30, D50
        Choose(frame->graphChoiceParam, which);
        const std::vector<double> expected =
            ParameterRow(folder.Path("PARAMS-S002-R003.txt"), which == 1 ? "T30(s)" : "D50(%)");
        const UniformCurve& parameter = frame->PlotParam->Graphs().Graph(5).Curve();
        ASSERT_EQ(parameter.Size(), expected.size());
        for (std::size_t b = 0; b < expected.size(); ++b) {
            EXPECT_NEAR(parameter.Samples()[b], expected[b], 0.006) << "band " << b;
            EXPECT_DOUBLE_EQ(parameter.X(b), b + 1.0);
        }
    }
}

TEST_F(ResultPlots, TwoClicksOnAPairHideAndShowItsColour)
{
    RunAuditorium();
    // Curve 0, the pair S01-R01, is the palette's pure blue, which no other curve uses.
    const std::size_t shown = CountColor(frame->My2DPlot->RenderAndRead(), 0, 0, 255);
    EXPECT_GT(shown, 20u);
    ClickCell(frame->SRPlotGrid, 0, 0);
    EXPECT_EQ(CountColor(frame->My2DPlot->RenderAndRead(), 0, 0, 255), 0u);
    EXPECT_EQ(frame->SRPlotGrid->GetCellBackgroundColour(0, 0), wxColour(100, 100, 100));
    EXPECT_TRUE(frame->My2DPlot->Graphs().PairShown(0, 1));
    ClickCell(frame->SRPlotGrid, 0, 0);
    EXPECT_EQ(CountColor(frame->My2DPlot->RenderAndRead(), 0, 0, 255), shown);
    EXPECT_EQ(frame->SRPlotGrid->GetCellBackgroundColour(0, 0), wxColour(0, 0, 255));
}

TEST_F(ResultPlots, WheelAndPanThenADoubleClickRestoresTheFullExtents)
{
    RunAuditorium();
    GL_Plot2D& plot = *frame->My2DPlot;
    const std::vector<unsigned char> whole = plot.RenderAndRead();
    const PlotView& view = plot.View();
    const int cx = plot.getWidth() / 2;
    const int cy = plot.getHeight() / 2;
    const PlotPoint under = view.ViewToWorld(cx, cy);
    PlotMouse(wxEVT_MOUSEWHEEL, cx, cy, 120);
    PlotMouse(wxEVT_MOUSEWHEEL, cx, cy, 120);
    EXPECT_NEAR(view.ViewToWorld(cx, cy).x, under.x, 1e-9);
    EXPECT_NEAR((view.WindowMax().x - view.WindowMin().x) * 2.25,
                view.DataMax().x - view.DataMin().x, 1e-9);
    PlotMouse(wxEVT_RIGHT_DOWN, cx, cy);
    PlotMouse(wxEVT_MOTION, cx + 40, cy + 10);
    PlotMouse(wxEVT_RIGHT_UP, cx + 40, cy + 10);
    // A rubber band dragged up and to the left zooms further.
    const double before = view.WindowMax().x - view.WindowMin().x;
    PlotMouse(wxEVT_LEFT_DOWN, cx + 60, cy + 50);
    PlotMouse(wxEVT_MOTION, cx - 60, cy - 50);
    PlotMouse(wxEVT_LEFT_UP, cx - 60, cy - 50);
    EXPECT_LT(view.WindowMax().x - view.WindowMin().x, before);
    EXPECT_NE(plot.RenderAndRead(), whole);

    PlotMouse(wxEVT_LEFT_DCLICK, cx, cy);
    EXPECT_EQ(view.WindowMin().x, view.DataMin().x);
    EXPECT_EQ(view.WindowMax().y, view.DataMax().y);
    EXPECT_EQ(plot.RenderAndRead(), whole);
}

TEST_F(ResultPlots, EveryDisplayDrawsWithFiniteRangesAndTheSwitchFollowsTheScale)
{
    RunAuditorium();
    GL_Plot2D& plot = *frame->My2DPlot;
    for (int display = 0; display < 5; ++display) {
        SCOPED_TRACE(display);
        Choose(frame->graphChoice, display);
        EXPECT_EQ(plot.Graphs().getNumGraphs(), 6u);
        EXPECT_TRUE(std::isfinite(plot.View().WindowMin().y));
        EXPECT_LT(plot.View().WindowMin().y, plot.View().WindowMax().y);
        if (display == 2) {
            EXPECT_DOUBLE_EQ(plot.View().WindowMin().y, PlotGraphs::kDecayRangeDb);
        }
        EXPECT_GT(CountColor(plot.RenderAndRead(), 0, 0, 255), 0u);
    }
    // The frequency response spans up to the sampling rate.
    EXPECT_GT(plot.View().DataMax().x, 40000.0);

    Choose(frame->graphChoice, 0);
    EXPECT_EQ(frame->BtnLinLog->GetLabel(), "Log Scale");
    Click(frame->BtnLinLog);
    EXPECT_EQ(frame->graphChoice->GetSelection(), 1);
    EXPECT_EQ(frame->BtnLinLog->GetLabel(), "Linear Scale");
    EXPECT_LT(plot.View().DataMin().y, -60.0); // decibels now
}

TEST_F(ResultPlots, PlotsEmptyWhenTheResultsGo)
{
    RunAuditorium();
    ASSERT_FALSE(frame->My2DPlot->Graphs().Empty());
    script->okCancel.push_back(true); // should the add ask whether to drop the results
    Click(frame->ButtonAddReceiver); // the results no longer match the receivers
    EXPECT_TRUE(frame->My2DPlot->Graphs().Empty());
    EXPECT_TRUE(frame->PlotParam->Graphs().Empty());
    EXPECT_EQ(frame->SRPlotGrid->GetNumberRows(), 0);
    EXPECT_FALSE(frame->My2DPlot->RenderAndRead().empty()); // an empty plot still draws

    // Reopening the project loads the saved results and plots them again.
    script->yesNoCancel.push_back(Answer::No);
    script->openChoices.push_back(folder.Path("auditorium.txt"));
    Menu(wxID_OPEN);
    EXPECT_EQ(frame->My2DPlot->Graphs().getNumGraphs(), 6u);
    Menu(VeltowxFrame::ID_NEWPROJECT);
    EXPECT_TRUE(frame->My2DPlot->Graphs().Empty());
    EXPECT_EQ(frame->SRPlotParamGrid->GetNumberRows(), 0);
}

#include "dxf/DxfImport.h"

#include <random>

#include <gtest/gtest.h>

#include "DxfTestText.h"
#include "RoomFixtures.h"
#include "TestFiles.h"
#include "TestSupport.h"
#include "dxf/DxfLayers.h"
#include "room/TRoom.h"

namespace {

bool Import(const std::string& dxf, const TDxfImportOptions& options, const std::string& project)
{
    const ConsoleRecorder quiet;
    return WriteDXFImportFile(dxf, options, project);
}

// Loads and analyses the project as the main window does after an import.
void Load(TRoom& room, const std::string& project)
{
    const ConsoleRecorder quiet;
    room.LoadProject(project);
    AnalyseQuietly(room);
}

TDxfImportOptions AllLayers()
{
    TDxfImportOptions options;
    options.receiverLayers = {"REC", "Main Wall"};
    options.sourceLayers = {"SRC"};
    options.planeLayers = {"CEILING", "FLOOR", "ROOM", "WALLS"};
    options.polyline3D = options.face3D = options.polyfaceMesh = true;
    return options;
}

} // namespace

// Without ticked kinds no planes, but the layers and their colours; with five
// layers 155 i / 5 and 245 i / 5 are whole and must stay so.
TEST(WriteDXFImportFile, LayerColours)
{
    ScratchFolder folder;
    const std::string project = folder.Path("Temporary.txt");
    TDxfImportOptions options;
    options.planeLayers = {"A", "Main Wall", "C", "D", "E"};
    ASSERT_TRUE(Import(TestScenePath(), options, project));
    const std::string text = ReadFileText(project);
    EXPECT_NE(text.find("\n<LAYERS::PLANE>\nA DEFAULT_MAT\nMainWall DEFAULT_MAT\nC DEFAULT_MAT\n"
                        "D DEFAULT_MAT\nE DEFAULT_MAT\n</LAYERS::PLANE>\n\n<PLANES>\n</PLANES>\n"
                        "\n<LAYERS::COLOR>\nA 100 10 100\nMainWall 131 59 100\nC 162 108 100\n"
                        "D 193 157 100\nE 224 206 100\n</LAYERS::COLOR>\n"),
              std::string::npos)
        << text;
}

TEST(WriteDXFImportFile, TheWholeDrawingLoads)
{
    ScratchFolder folder;
    const std::string project = folder.Path("Temporary.txt");
    TDxfImportOptions options = AllLayers();
    ASSERT_TRUE(Import(TestScenePath(), options, project));
    TRoom all;
    Load(all, project);
    EXPECT_EQ(all.NumPlanes, 12u);
    EXPECT_EQ(all.NumSources, 1u);
    ASSERT_EQ(all.NumReceivers, 3u);
    EXPECT_EQ(all.receiverLayer[all.receiver[2].LayerID].layername, "MainWall");

    options.planeLayers = {"ROOM"};
    ASSERT_TRUE(Import(TestScenePath(), options, project));
    TRoom box;
    Load(box, project);
    ASSERT_EQ(box.NumPlanes, 6u);
    for (const TPlane& p : box.plane) {
        EXPECT_TRUE(p.IsExternal);
    }
    EXPECT_NEAR(box.Volume, 144.0, 1e-9);
    EXPECT_NEAR(box.Area, 180.0, 1e-9);
}

TEST(WriteDXFImportFile, FilesThatCannotBeOpened)
{
    ScratchFolder folder;
    const std::string earlier = folder.Touch("Temporary.txt", "earlier project\n");
    const std::string missing = folder.Path("missing.dxf"), uncreatable = folder.Path("missing/Temporary.txt");
    ErrorRecorder errors;
    EXPECT_FALSE(Import(TestScenePath(), {}, uncreatable));
    EXPECT_FALSE(Import(missing, {}, earlier));
    EXPECT_EQ(errors.texts, (std::vector<std::string>{"Cannot create file '" + uncreatable + "'.",
                                                      "Cannot open file '" + missing + "'."}));
    EXPECT_EQ(ReadFileText(earlier), "earlier project\n");
    EXPECT_FALSE(ReadDXFLayerNames(missing).has_value());
}

// Truncated and corrupted copies of the shared drawing import, and what they
// give loads and analyses as a project.
TEST(WriteDXFImportFile, DamagedDrawingsNeverBreakTheImport)
{
    ScratchFolder folder;
    const std::string original = ReadFileText(TestScenePath());
    const std::vector<std::string> lines = SplitLines(original);
    const std::vector<std::string> junk = {"",       "x",      "-1",     "0",     "99999999999", "1e308", "  0",
                                           "SEQEND", "VERTEX", "3DFACE", "AcDbFaceRecord", "\x01\xff", "ROOM", "-7"};
    const std::size_t firstEntityLine = 1923;
    ASSERT_GT(lines.size(), firstEntityLine + 100) << TestScenePath();
    ASSERT_EQ(lines[firstEntityLine], "ENTITIES");
    std::mt19937 random(20240611u);
    for (int round = 0; round < 120; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        std::string text;
        if (round % 4 == 0) {
            // Cut anywhere from the ENTITIES section on, also inside a line.
            std::uniform_int_distribution<std::size_t> at(original.find("ENTITIES"), original.size());
            text = original.substr(0, at(random));
        } else {
            std::vector<std::string> edited = lines;
            std::uniform_int_distribution<std::size_t> line(firstEntityLine, edited.size() - 1);
            std::uniform_int_distribution<std::size_t> pick(0, junk.size() - 1);
            for (int edit = 0; edit <= round % 7; ++edit) {
                const long i = static_cast<long>(line(random) % edited.size());  // erasing shortens it
                if (round % 4 == 1) {
                    edited[i] = junk[pick(random)];
                } else if (round % 4 == 2) {
                    edited.erase(edited.begin() + i);
                } else {
                    edited.insert(edited.begin() + i, edited[line(random)]);
                }
            }
            text = JoinLines(edited);
        }
        const std::string drawing = folder.Touch("damaged.dxf", text);
        ErrorRecorder errors;
        const ConsoleRecorder quiet;
        ASSERT_TRUE(Import(drawing, AllLayers(), folder.Path("damaged.txt")));
        EXPECT_TRUE(ReadDXFLayerNames(drawing).has_value());
        TRoom room;
        EXPECT_NO_THROW(Load(room, folder.Path("damaged.txt")));
    }
}

TEST(ReadDXFLayerNames, TableOrderWithAndWithoutMarkers)
{
    const std::vector<std::string> expected = {"0",     "Defpoints", "SRC",   "REC", "Main Wall",
                                               "WALLS", "CEILING",   "FLOOR", "ROOM"};
    EXPECT_EQ(ReadDXFLayerNames(TestScenePath()), expected);

    // Release 12 tables carry no "AcDbLayerTableRecord"; a line that is no
    // group code ends the list with the names read so far.
    ScratchFolder folder;
    std::string r12;
    const std::vector<std::string> lines = SplitLines(ReadFileText(TestScenePath()));
    for (std::size_t i = 0; i + 1 < lines.size() && lines[i + 1] != "STYLE"; i += 2) {
        if (lines[i] != "100") {
            r12 += lines[i] + "\n" + lines[i + 1] + "\n";
        }
    }
    const ConsoleRecorder console;
    EXPECT_EQ(ReadDXFLayerNames(folder.Touch("r12.dxf", r12 + "junk\n")), expected);
    EXPECT_NE(console.text.find("a group code was expected"), std::string::npos);
}

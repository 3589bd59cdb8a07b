#include "dxf/DxfImport.h"

#include <cmath>
#include <limits>
#include <random>

#include <gtest/gtest.h>

#include "DxfTestText.h"
#include "TestFiles.h"
#include "dxf/DxfLayers.h"
#include "room/TRoom.h"

namespace {

bool Import(const std::string& dxf, const TDxfImportOptions& options, const std::string& project)
{
    testing::internal::CaptureStdout();
    const bool ok = WriteDXFImportFile(dxf, options, project);
    testing::internal::GetCapturedStdout();
    return ok;
}

void LoadAndAnalyse(TRoom& room, const std::string& project, bool probeOutside = true)
{
    testing::internal::CaptureStdout();
    try {
        room.LoadProject(project);
        if (probeOutside) {
            room.GetExternalPlanes();
        }
        room.CalculateVolumeGeometry();
        room.CalculateArea();
    } catch (...) {
        testing::internal::GetCapturedStdout();
        throw;
    }
    testing::internal::GetCapturedStdout();
}

// The lines of the file from the line equal to first up to the line equal to
// last, both included.
std::string Section(const std::string& text, const std::string& first, const std::string& last)
{
    const std::size_t begin = text.find(first + "\n");
    const std::size_t end = text.find(last + "\n", begin);
    if (begin == std::string::npos || end == std::string::npos) {
        return "(missing)";
    }
    return text.substr(begin, end + last.size() + 1 - begin);
}

} // namespace

TEST(WriteDXFImportFile, EmptySelectionGivesTheSectionsInOrder)
{
    ScratchFolder folder;
    const std::string project = folder.Path("Temporary.txt");
    ASSERT_TRUE(Import(TestScenePath(), {}, project));
    EXPECT_EQ(ReadFileText(project),
              "\n<ENVIRONMENT>\nTEMPERATURE = 20.0\nPRESSURE = 1.0\nHUMIDITY = 40\n</ENVIRONMENT>\n\n"
              "<SIMULATION>\nMAX_TIME = 2.0\nSTOP_DECAY = -60\nMAX_RAYTRAC_REF = -1\n"
              "AURALIZATION = 0\nARTIFICIAL_TAIL = 0\n</SIMULATION>\n\n"
              "<MATERIALS>\n"
              "DEFAULT_MAT 0.010 0.028 0.030 0.036 0.043 0.053 0.073 0.061 0.060 0.05\n"
              "</MATERIALS>\n\n"
              "\n<LAYERS::RECEIVER>\n</LAYERS::RECEIVER>\n\n<RECEIVERS>\n</RECEIVERS>\n"
              "\n<LAYERS::SOURCE>\n</LAYERS::SOURCE>\n\n<SOURCES>\n</SOURCES>\n"
              "\n<LAYERS::PLANE>\n</LAYERS::PLANE>\n\n<PLANES>\n</PLANES>\n"
              "\n<LAYERS::COLOR>\n</LAYERS::COLOR>\n");
}

TEST(WriteDXFImportFile, LayersConvertersAndColours)
{
    ScratchFolder folder;
    const std::string project = folder.Path("Temporary.txt");
    TDxfImportOptions options;
    options.receiverLayers = {"REC", "Main Wall"};
    options.sourceLayers = {"SRC"};
    options.planeLayers = {"CEILING", "WALLS", "FLOOR", "Main Wall", "ROOM"};
    {
        SCOPED_TRACE("no entity kind ticked");
        ASSERT_TRUE(Import(TestScenePath(), options, project));
        const std::string text = ReadFileText(project);
        EXPECT_EQ(Section(text, "<LAYERS::RECEIVER>", "</RECEIVERS>"),
                  "<LAYERS::RECEIVER>\nREC OMNI\nMainWall OMNI\n</LAYERS::RECEIVER>\n\n<RECEIVERS>\n"
                  "6.00 2.50 1.20 0.4 0 REC\n5.50 4.00 1.70 0.4 0 REC\n"
                  "1.00 1.00 1.00 0.4 0 MainWall\n</RECEIVERS>\n");
        EXPECT_EQ(Section(text, "<LAYERS::SOURCE>", "</SOURCES>"),
                  "<LAYERS::SOURCE>\nSRC OMNI 0 0 0 0 0 0 0 0 0\n</LAYERS::SOURCE>\n\n<SOURCES>\n"
                  "2.00 3.00 1.50 50000 0 0 94 SRC NONE\n</SOURCES>\n");
        EXPECT_EQ(Section(text, "<LAYERS::PLANE>", "</PLANES>"),
                  "<LAYERS::PLANE>\nCEILING DEFAULT_MAT\nWALLS DEFAULT_MAT\nFLOOR DEFAULT_MAT\n"
                  "MainWall DEFAULT_MAT\nROOM DEFAULT_MAT\n</LAYERS::PLANE>\n\n<PLANES>\n</PLANES>\n");
        // Five layers: 155 i / 5 and 245 i / 5 are whole numbers, which must
        // not be truncated to the number below.
        EXPECT_EQ(Section(text, "<LAYERS::COLOR>", "</LAYERS::COLOR>"),
                  "<LAYERS::COLOR>\nCEILING 100 10 100\nWALLS 131 59 100\nFLOOR 162 108 100\n"
                  "MainWall 193 157 100\nROOM 224 206 100\n</LAYERS::COLOR>\n");
    }
    {
        SCOPED_TRACE("all kinds: per layer, polylines, then faces, then meshes");
        options.planeLayers = {"CEILING", "FLOOR", "WALLS"};
        options.polyline3D = options.face3D = options.polyfaceMesh = true;
        ASSERT_TRUE(Import(TestScenePath(), options, project));
        const std::vector<std::string> planes =
            SplitLines(Section(ReadFileText(project), "<PLANES>", "</PLANES>"));
        ASSERT_EQ(planes.size(), 8u);
        EXPECT_EQ(planes[1].substr(0, 2) + planes[2].substr(0, 2), "4 5 ");
        EXPECT_EQ(planes[3].substr(0, 8) + planes[4].substr(0, 8), "3 0.000 3 1.000 ");
        EXPECT_NE(planes[5].find(" WALLS"), std::string::npos);
        EXPECT_EQ(Section(ReadFileText(project), "<LAYERS::COLOR>", "</LAYERS::COLOR>"),
                  "<LAYERS::COLOR>\nCEILING 100 10 100\nFLOOR 151 91 100\nWALLS 203 173 100\n"
                  "</LAYERS::COLOR>\n");
    }
}

TEST(WriteDXFImportFile, TheBoxLoadsAsAClosedRoom)
{
    ScratchFolder folder;
    const std::string project = folder.Path("Temporary.txt");
    TDxfImportOptions options;
    options.receiverLayers = {"REC", "Main Wall"};
    options.sourceLayers = {"SRC"};
    options.planeLayers = {"ROOM"};
    options.face3D = true;
    ASSERT_TRUE(Import(TestScenePath(), options, project));

    TRoom room;
    LoadAndAnalyse(room, project);
    ASSERT_EQ(room.NumPlanes, 6u);
    for (const TPlane& p : room.plane) {
        EXPECT_TRUE(p.IsExternal);
    }
    EXPECT_NEAR(room.Volume, 144.0, 1e-9);
    EXPECT_NEAR(room.Area, 180.0, 1e-9);
    ASSERT_EQ(room.NumSources, 1u);
    EXPECT_TRUE(room.source[0].Position == TPoint3D::Make(2, 3, 1.5));
    ASSERT_EQ(room.NumReceivers, 3u);
    EXPECT_EQ(room.receiverLayer[room.receiver[2].LayerID].layername, "MainWall");
    EXPECT_EQ(room.material[room.planeLayer[0].MatID].nome, "DEFAULT_MAT");
}

TEST(WriteDXFImportFile, FilesThatCannotBeOpened)
{
    ScratchFolder folder;
    const std::string earlier = folder.Touch("Temporary.txt", "earlier project\n");
    {
        SCOPED_TRACE("project file in a missing folder");
        ErrorRecorder errors;
        const std::string path = folder.Path("missing/Temporary.txt");
        EXPECT_FALSE(Import(TestScenePath(), {}, path));
        EXPECT_EQ(errors.texts, std::vector<std::string>{"Cannot create file '" + path + "'."});
    }
    {
        SCOPED_TRACE("missing drawing");
        ErrorRecorder errors;
        const std::string drawing = folder.Path("missing.dxf");
        EXPECT_FALSE(Import(drawing, {}, earlier));
        EXPECT_EQ(errors.texts, std::vector<std::string>{"Cannot open file '" + drawing + "'."});
        EXPECT_EQ(ReadFileText(earlier), "earlier project\n");
    }
}

// Truncated and corrupted copies of the shared drawing import without
// crashing, and what they give always loads as a project.
TEST(WriteDXFImportFile, DamagedDrawingsNeverBreakTheImport)
{
    ScratchFolder folder;
    const std::string original = ReadFileText(TestScenePath());
    const std::vector<std::string> lines = SplitLines(original);
    const std::vector<std::string> junk = {"", "x", "-1", "0", "99999999999", "1e308", "nan",
                                           "  0", "SEQEND", "VERTEX", "3DFACE", "AcDbFaceRecord",
                                           "AcDbPolyFaceMesh", "\x01\xff", "ROOM", "-7"};
    TDxfImportOptions options;
    options.receiverLayers = {"REC", "Main Wall"};
    options.sourceLayers = {"SRC"};
    options.planeLayers = {"CEILING", "FLOOR", "ROOM", "WALLS"};
    options.polyline3D = options.face3D = options.polyfaceMesh = true;

    std::mt19937 random(20240611u);
    const std::size_t entities = original.find("ENTITIES");
    for (int round = 0; round < 120; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        std::string text;
        const int kind = round % 4;
        if (kind == 0) {
            // Cut anywhere in the ENTITIES section, also inside a line.
            std::uniform_int_distribution<std::size_t> at(entities, original.size());
            text = original.substr(0, at(random));
        } else {
            std::vector<std::string> edited = lines;
            std::uniform_int_distribution<std::size_t> line(1923, edited.size() - 1);
            std::uniform_int_distribution<std::size_t> pick(0, junk.size() - 1);
            for (int edit = 0; edit < 1 + round % 7; ++edit) {
                const std::size_t i = line(random);
                if (kind == 1) {
                    edited[i] = junk[pick(random)];
                } else if (kind == 2) {
                    edited.erase(edited.begin() + static_cast<long>(i));
                } else {
                    edited.insert(edited.begin() + static_cast<long>(i), edited[line(random)]);
                }
            }
            text = JoinLines(edited);
        }
        const std::string drawing = folder.Touch("damaged.dxf", text);
        const std::string project = folder.Path("damaged.txt");
        ErrorRecorder errors;
        ASSERT_TRUE(Import(drawing, options, project));
        testing::internal::CaptureStdout();
        const auto names = ReadDXFLayerNames(drawing);
        testing::internal::GetCapturedStdout();
        EXPECT_TRUE(names.has_value());
        TRoom room;
        // The outside probe of the room is left out for speed; what it needs,
        // coordinates within single precision, is checked instead.
        EXPECT_NO_THROW(LoadAndAnalyse(room, project, false));
        for (const TPlane& p : room.plane) {
            for (const TPoint3D& v : p.vertice) {
                EXPECT_LE(std::fmax(std::fabs(v.x), std::fmax(std::fabs(v.y), std::fabs(v.z))),
                          std::numeric_limits<float>::max());
            }
        }
    }
}

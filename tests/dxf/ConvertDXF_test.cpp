#include "dxf/ConvertDXF.h"

#include <gtest/gtest.h>

#include "DxfTestText.h"
#include "TestFiles.h"
#include "dxf/TDxfReader.h"

namespace {

using TConverter = int (*)(FILE*, FILE*, const std::string&);

// Every converter on the layers of the shared drawing.
const struct {
    const char *name, *layer;
    TConverter converter;
    const char *lines, *console;
} kTestScene[] = {
    {"source", "SRC", ConvertDXF_Source, "2.00 3.00 1.50 50000 0 0 94 SRC NONE\n", ""},
    {"receivers", "REC", ConvertDXF_Receiver, "6.00 2.50 1.20 0.4 0 REC\n5.50 4.00 1.70 0.4 0 REC\n", ""},
    {"blank in the layer name", "Main Wall", ConvertDXF_Receiver, "1.00 1.00 1.00 0.4 0 MainWall\n", ""},
    {"triangle with repeated corner, then a quad", "WALLS", ConvertDXF_3DFACE,
     "3 0.000 0.000 0.000 1.000 0.000 0.000 1.000 1.000 0.000 WALLS\n"
     "4 0.000 0.000 1.000 2.000 0.000 1.000 2.000 2.000 1.000 0.000 2.000 1.000 WALLS\n",
     "NUMERO DE 3DFace: 8\n"},
    {"polylines closed by flag and by repetition", "CEILING", ConvertDXF_3DPOLY,
     "4 0.000 0.000 3.000 4.000 0.000 3.000 4.000 3.000 3.000 0.000 3.000 3.000 CEILING\n"
     "5 4.000 3.000 3.000 8.000 3.000 3.000 8.000 6.000 3.000 4.000 6.000 3.000 4.000 3.000 3.000 CEILING\n",
     "NUMERO DE 3DPOLY: 2\n"},
    {"a polyface mesh is no 3D polyline", "FLOOR", ConvertDXF_3DPOLY, "", "NUMERO DE 3DPOLY: 2\n"},
    // The shared edge is visible, so the outline closes after three of the
    // four vertices, as around a hole: each face becomes a plane.
    {"polyface mesh", "FLOOR", ConvertDXF_POLYFACEMESH,
     "3 0.000 0.000 0.000 1.000 0.000 0.000 0.000 1.000 0.000 FLOOR\n"
     "3 1.000 0.000 0.000 1.000 1.000 0.000 0.000 1.000 0.000 FLOOR\n",
     "NUMERO DE 3DPolyFaceMesh: 1\n"},
};

void ExpectTestSceneOutput(const std::string& path)
{
    for (const auto& c : kTestScene) {
        SCOPED_TRACE(c.name);
        const TConversion result = Convert(c.converter, path, c.layer);
        EXPECT_EQ(result.lines, c.lines);
        EXPECT_EQ(result.console, c.console);
        EXPECT_EQ(result.written, static_cast<int>(SplitLines(c.lines).size()));
    }
}

// The shared drawing's pairs; from the ENTITIES section on, edit(code, value)
// returns the text that replaces the pair.
template <typename Edit> std::string EditedTestScene(Edit edit)
{
    const std::vector<std::string> lines = SplitLines(ReadFileText(TestScenePath()));
    std::string text;
    bool entities = false;
    for (std::size_t i = 0; i + 1 < lines.size(); i += 2) {
        entities = entities || lines[i + 1] == "ENTITIES";
        const std::string pair = lines[i] + "\n" + lines[i + 1] + "\n";
        text += entities ? edit(TrimDxfText(lines[i]), lines[i + 1], pair) : pair;
    }
    return text;
}

std::string XYZ(int x, int y, int z)
{
    return Pair(10, std::to_string(x)) + Pair(20, std::to_string(y)) + Pair(30, std::to_string(z));
}

std::string Face(int a, int b, int c)
{
    return Pair(71, std::to_string(a)) + Pair(72, std::to_string(b)) + Pair(73, std::to_string(c));
}

std::string Mesh(const std::vector<std::string>& points, const std::vector<std::string>& faces, int numVertices)
{
    const std::string entity = Pair(100, "AcDbEntity") + Pair(8, "FLOOR");
    std::string text = Pair(0, "POLYLINE") + entity + Pair(100, "AcDbPolyFaceMesh") + Pair(70, "64") +
                       Pair(71, std::to_string(numVertices)) + Pair(72, std::to_string(faces.size()));
    for (const std::string& p : points) {
        text += Pair(0, "VERTEX") + entity + Pair(100, "AcDbPolyFaceMeshVertex") + p;
    }
    for (const std::string& f : faces) {
        text += Pair(0, "VERTEX") + entity + Pair(100, "AcDbFaceRecord") + f;
    }
    return text + Pair(0, "SEQEND") + entity;
}

const std::vector<std::string> kSquare = {XYZ(0, 0, 0), XYZ(1, 0, 0), XYZ(1, 1, 0), XYZ(0, 1, 0)};
const char* kSquareLine = "4 0.000 0.000 0.000 1.000 0.000 0.000 1.000 1.000 0.000 0.000 1.000 0.000 FLOOR\n";

} // namespace

// The drawing as written, and as other writers lay the same entities out.
TEST(ConvertDXF, TestSceneEveryLayerInEveryLayout)
{
    ExpectTestSceneOutput(TestScenePath());
    ScratchFolder folder;
    {
        SCOPED_TRACE("colour, line type, line weight and thickness between the pairs");
        ExpectTestSceneOutput(folder.Touch("optional.dxf", EditedTestScene([](auto code, auto, auto pair) {
            const bool before = code == "8" || code == "100";
            return pair + (before ? Pair(62, "1") + Pair(6, "DASHED") + Pair(370, "25") + Pair(39, "0.5") : "");
        })));
    }
    {
        // Release 12 drawings have no subclass markers; group 70 flags tell
        // the polyline and vertex kinds.
        SCOPED_TRACE("without subclass markers");
        ExpectTestSceneOutput(folder.Touch("r12.dxf", EditedTestScene([](auto code, auto, auto pair) {
            return code == "100" ? std::string() : pair;
        })));
    }
}

TEST(ConvertDXF, TruncatedDrawings)
{
    ScratchFolder folder;
    const std::vector<std::string> lines = SplitLines(ReadFileText(TestScenePath()));
    ASSERT_GT(lines.size(), 2594u) << TestScenePath();
    // The drawing up to the given line (counted from 1).
    auto upTo = [&](long line) { return JoinLines(std::vector<std::string>(lines.begin(), lines.begin() + line)); };
    ASSERT_EQ(lines[2587], "ROOM");
    TConversion result = Convert(ConvertDXF_3DFACE, folder.Touch("face.dxf", upTo(2594)), "ROOM");
    EXPECT_EQ(result.written, 2) << "the third face is cut after its first corner";
    EXPECT_NE(result.console.find("line 2579: the file ends inside this 3DFACE entity"), std::string::npos);

    ASSERT_EQ(lines[2311], "AcDb3dPolylineVertex");
    result = Convert(ConvertDXF_3DPOLY, folder.Touch("poly.dxf", upTo(2314)), "CEILING");
    EXPECT_EQ(result.written, 1) << "the second polyline lost its last vertex and SEQEND";
    EXPECT_NE(result.console.find("3D polyline without SEQEND; skipped."), std::string::npos);
}

TEST(ConvertDXF, PolyfaceMeshOutlines)
{
    ScratchFolder folder;
    auto convert = [&](const std::string& mesh) {
        return Convert(ConvertDXF_POLYFACEMESH, folder.Touch("mesh.dxf", EntitiesDrawing(mesh)), "FLOOR");
    };
    // Negative index: the edge starting at that vertex is invisible.
    EXPECT_EQ(convert(Mesh(kSquare, {Face(1, 2, -3), Face(-1, 3, 4)}, 4)).lines, kSquareLine);
    EXPECT_EQ(convert(Mesh(kSquare, {Face(1, 2, 3) + Pair(74, "4")}, 4)).lines, kSquareLine);
    EXPECT_EQ(convert(Mesh(kSquare, {Face(-1, -2, -3), Face(-1, -3, -4)}, 4)).console,
              "NUMERO DE 3DPolyFaceMesh: 1\nErro ao organizar vertices de polymesh\n");

    // A 3 x 3 frame around a 1 x 1 hole: the walk comes back to its start
    // after four of the eight vertices, so every face becomes a plane.
    const std::vector<std::string> frame = {XYZ(0, 0, 0), XYZ(3, 0, 0), XYZ(3, 3, 0), XYZ(0, 3, 0),
                                            XYZ(1, 1, 0), XYZ(2, 1, 0), XYZ(2, 2, 0), XYZ(1, 2, 0)};
    const std::vector<std::string> faces = {Face(1, 2, -6), Face(-1, 6, 5), Face(2, 3, -7), Face(-2, 7, 6),
                                            Face(3, 4, -8), Face(-3, 8, 7), Face(4, 1, -5), Face(-4, 5, 8)};
    const std::vector<std::string> lines = SplitLines(convert(Mesh(frame, faces, 8)).lines);
    ASSERT_EQ(lines.size(), 8u);
    EXPECT_EQ(lines[0], "3 0.000 0.000 0.000 3.000 0.000 0.000 2.000 1.000 0.000 FLOOR");
    EXPECT_EQ(lines[7], "3 0.000 3.000 0.000 1.000 1.000 0.000 1.000 2.000 0.000 FLOOR");
}

TEST(ConvertDXF, DamagedEntitiesAreReportedAndSkipped)
{
    ScratchFolder folder;
    const std::string face = Pair(0, "3DFACE") + Pair(8, "FLOOR") + XYZ(0, 0, 5) + Pair(11, "1") + Pair(21, "0") +
                             Pair(31, "5") + Pair(12, "1") + Pair(22, "1") + Pair(32, "5");
    const struct {
        const char* name;
        TConverter converter;
        std::string pairs;
        const char* message;
        int written;
    } cases[] = {
        {"counts larger than the records", ConvertDXF_POLYFACEMESH, Mesh(kSquare, {Face(1, 2, 3)}, 2000000000),
         "announces 2000000000 vertices and 1 faces but only 4 and 1 follow", 0},
        {"index out of range", ConvertDXF_POLYFACEMESH, Mesh(kSquare, {Face(1, 2, 9)}, 4),
         "index 9 out of range 1..4", 0},
        {"non-numeric coordinate", ConvertDXF_Receiver,
         Pair(0, "POINT") + Pair(8, "FLOOR") + Pair(10, "1,5") + Pair(20, "0") + Pair(0, "POINT") + Pair(8, "FLOOR") +
             XYZ(1, 2, 3),
         "POINT with a missing, non-numeric or out-of-range coordinate; skipped.", 1},
        {"coordinate beyond single precision", ConvertDXF_3DFACE,
         Pair(0, "3DFACE") + Pair(8, "FLOOR") + XYZ(0, 0, 0) + Pair(11, "1e39") + Pair(21, "0") + Pair(12, "1") +
             Pair(22, "1") + face,
         "3DFACE with a missing, non-numeric or out-of-range coordinate", 1},
        {"polyline ended by another entity", ConvertDXF_3DPOLY,
         Pair(0, "POLYLINE") + Pair(8, "FLOOR") + Pair(70, "8") + Pair(0, "VERTEX") + Pair(70, "32") + XYZ(0, 0, 0) +
             face,
         "without SEQEND", 0},
        {"face without area, missing fourth corner", ConvertDXF_3DFACE,
         Pair(0, "3DFACE") + Pair(8, "FLOOR") + XYZ(0, 0, 0) + Pair(11, "1") + Pair(21, "0") + Pair(12, "2") +
             Pair(22, "0") + face,
         "3DFACE without area; skipped.", 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = folder.Touch("damaged.dxf", EntitiesDrawing(c.pairs));
        const TConversion result = Convert(c.converter, path, "FLOOR");
        EXPECT_EQ(result.written, c.written);
        EXPECT_NE(result.console.find(c.message), std::string::npos) << result.console;
    }
}

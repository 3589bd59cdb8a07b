#include "dxf/ConvertDXF.h"

#include <gtest/gtest.h>

#include "DxfTestText.h"
#include "TestFiles.h"

namespace {

struct TCase {
    const char* name;
    TConverter converter;
    const char* layer;
    const char* lines;
    const char* console;
};

// Every converter on every layer of the shared drawing.
const TCase kTestScene[] = {
    {"source", ConvertDXF_Source, "SRC", "2.00 3.00 1.50 50000 0 0 94 SRC NONE\n", ""},
    {"receivers", ConvertDXF_Receiver, "REC",
     "6.00 2.50 1.20 0.4 0 REC\n5.50 4.00 1.70 0.4 0 REC\n", ""},
    {"blank in layer name", ConvertDXF_Receiver, "Main Wall", "1.00 1.00 1.00 0.4 0 MainWall\n", ""},
    {"names compare exactly", ConvertDXF_Receiver, "rec", "", ""},
    {"triangle with repeated corner, then a quad", ConvertDXF_3DFACE, "WALLS",
     "3 0.000 0.000 0.000 1.000 0.000 0.000 1.000 1.000 0.000 WALLS\n"
     "4 0.000 0.000 1.000 2.000 0.000 1.000 2.000 2.000 1.000 0.000 2.000 1.000 WALLS\n",
     "NUMERO DE 3DFace: 8\n"},
    {"faces of another layer", ConvertDXF_3DFACE, "CEILING", "", "NUMERO DE 3DFace: 8\n"},
    {"polylines closed by flag and by repetition", ConvertDXF_3DPOLY, "CEILING",
     "4 0.000 0.000 3.000 4.000 0.000 3.000 4.000 3.000 3.000 0.000 3.000 3.000 CEILING\n"
     "5 4.000 3.000 3.000 8.000 3.000 3.000 8.000 6.000 3.000 4.000 6.000 3.000 4.000 3.000 "
     "3.000 CEILING\n",
     "NUMERO DE 3DPOLY: 2\n"},
    {"a polyface mesh is no 3D polyline", ConvertDXF_3DPOLY, "FLOOR", "", "NUMERO DE 3DPOLY: 2\n"},
    // The shared edge is visible, so the outline closes after three of the four
    // vertices: each face becomes a plane.
    {"polyface mesh", ConvertDXF_POLYFACEMESH, "FLOOR",
     "3 0.000 0.000 0.000 1.000 0.000 0.000 0.000 1.000 0.000 FLOOR\n"
     "3 1.000 0.000 0.000 1.000 1.000 0.000 0.000 1.000 0.000 FLOOR\n",
     "NUMERO DE 3DPolyFaceMesh: 1\n"},
    {"closed box", ConvertDXF_3DFACE, "ROOM",
     "4 0.000 0.000 0.000 8.000 0.000 0.000 8.000 6.000 0.000 0.000 6.000 0.000 ROOM\n"
     "4 0.000 0.000 3.000 0.000 6.000 3.000 8.000 6.000 3.000 8.000 0.000 3.000 ROOM\n"
     "4 0.000 0.000 0.000 0.000 0.000 3.000 8.000 0.000 3.000 8.000 0.000 0.000 ROOM\n"
     "4 0.000 6.000 0.000 8.000 6.000 0.000 8.000 6.000 3.000 0.000 6.000 3.000 ROOM\n"
     "4 0.000 0.000 0.000 0.000 6.000 0.000 0.000 6.000 3.000 0.000 0.000 3.000 ROOM\n"
     "4 8.000 0.000 0.000 8.000 0.000 3.000 8.000 6.000 3.000 8.000 6.000 0.000 ROOM\n",
     "NUMERO DE 3DFace: 8\n"},
};

void ExpectTestSceneOutput(const std::string& path)
{
    for (const TCase& c : kTestScene) {
        SCOPED_TRACE(c.name);
        const TConversion result = Convert(c.converter, path, c.layer);
        EXPECT_EQ(result.lines, c.lines);
        EXPECT_EQ(result.console, c.console);
        EXPECT_EQ(result.written, static_cast<int>(SplitLines(c.lines).size()));
    }
}

// The shared drawing with edits applied to its lines from the ENTITIES
// section on; edit gets a line index and the lines so far and may add lines.
template <typename Edit>
std::string EditedTestScene(Edit edit)
{
    const std::vector<std::string> lines = SplitLines(ReadFileText(TestScenePath()));
    std::vector<std::string> edited;
    bool inEntities = false;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        inEntities = inEntities || lines[i] == "ENTITIES";
        if (inEntities) {
            edit(lines, i, edited);
        } else {
            edited.push_back(lines[i]);
        }
    }
    return JoinLines(edited);
}

std::string PolyfaceMesh(const std::vector<std::string>& points, const std::vector<std::string>& faces,
                         int numVertices, int numFaces)
{
    std::string text = Pair(0, "POLYLINE") + Pair(100, "AcDbEntity") + Pair(8, "FLOOR") +
                       Pair(100, "AcDbPolyFaceMesh") + Pair(70, "64") +
                       Pair(71, std::to_string(numVertices)) + Pair(72, std::to_string(numFaces));
    for (const std::string& p : points) {
        text += Pair(0, "VERTEX") + Pair(100, "AcDbEntity") + Pair(8, "FLOOR") +
                Pair(100, "AcDbVertex") + Pair(100, "AcDbPolyFaceMeshVertex") + p + Pair(70, "192");
    }
    for (const std::string& f : faces) {
        text += Pair(0, "VERTEX") + Pair(100, "AcDbEntity") + Pair(8, "FLOOR") +
                Pair(100, "AcDbFaceRecord") + Pair(70, "128") + f;
    }
    return text + Pair(0, "SEQEND") + Pair(100, "AcDbEntity") + Pair(8, "FLOOR");
}

std::string XYZ(double x, double y, double z)
{
    return Pair(10, FormatText("%g", x)) + Pair(20, FormatText("%g", y)) +
           Pair(30, FormatText("%g", z));
}

std::string Face(int a, int b, int c)
{
    return Pair(71, std::to_string(a)) + Pair(72, std::to_string(b)) + Pair(73, std::to_string(c));
}

} // namespace

TEST(ConvertDXF, TestSceneEveryLayer) { ExpectTestSceneOutput(TestScenePath()); }

TEST(ConvertDXF, OptionalGroupsAndOtherLayoutsGiveTheSameOutput)
{
    ScratchFolder folder;
    {
        SCOPED_TRACE("optional groups after the layer and after every subclass marker");
        const std::string text = EditedTestScene([](const auto& lines, std::size_t i, auto& out) {
            out.push_back(lines[i]);
            const bool valueLine = i % 2 == 1;
            if (i == 0 || !valueLine) {
                return;
            }
            const std::string code = TrimDxfText(lines[i - 1]);
            if (code == "8" || code == "100") {
                for (const char* extra : {" 62", "1", "  6", "DASHED", "370", "25", " 39", "0.5"}) {
                    out.push_back(extra);
                }
            }
        });
        ExpectTestSceneOutput(folder.Touch("optional.dxf", text));
    }
    {
        SCOPED_TRACE("left-aligned codes and CR LF line ends");
        std::string text;
        for (const std::string& line : SplitLines(ReadFileText(TestScenePath()))) {
            const std::string trimmed = TrimDxfText(line);
            text += (line.size() == 3 && !trimmed.empty() ? trimmed : line) + "\r\n";
        }
        ExpectTestSceneOutput(folder.Touch("crlf.dxf", text));
    }
    {
        // Release 12 drawings carry no subclass markers; the group 70 flags
        // tell the polyline and vertex kinds instead.
        SCOPED_TRACE("without subclass markers");
        const std::string text = EditedTestScene([](const auto& lines, std::size_t i, auto& out) {
            const bool marker = (i % 2 == 0 && TrimDxfText(lines[i]) == "100") ||
                                (i % 2 == 1 && TrimDxfText(lines[i - 1]) == "100");
            if (!marker) {
                out.push_back(lines[i]);
            }
        });
        ASSERT_EQ(text.find("AcDb", text.find("ENTITIES")), std::string::npos);
        ExpectTestSceneOutput(folder.Touch("r12.dxf", text));
    }
}

TEST(ConvertDXF, TruncatedDrawings)
{
    ScratchFolder folder;
    const std::vector<std::string> lines = SplitLines(ReadFileText(TestScenePath()));
    auto cutAfter = [&](const std::string& value, int occurrence, int extraLines) {
        std::size_t i = 0;
        for (int seen = 0; i < lines.size(); ++i) {
            if (lines[i] == value && ++seen == occurrence) {
                break;
            }
        }
        return std::vector<std::string>(lines.begin(),
                                         lines.begin() + static_cast<long>(i) + 1 + extraLines);
    };
    {
        SCOPED_TRACE("inside the third face of the box");
        const std::string path = folder.Touch("face.dxf", JoinLines(cutAfter("ROOM", 4, 6)));
        const TConversion result = Convert(ConvertDXF_3DFACE, path, "ROOM");
        EXPECT_EQ(result.written, 2);
        EXPECT_NE(result.console.find("the file ends inside this 3DFACE entity"), std::string::npos);
    }
    {
        SCOPED_TRACE("after a group code, without its value");
        const std::string path = folder.Touch("code.dxf", JoinLines(cutAfter("ROOM", 3, 1)));
        const TConversion result = Convert(ConvertDXF_3DFACE, path, "ROOM");
        EXPECT_EQ(result.written, 1);
        EXPECT_NE(result.console.find("without its value"), std::string::npos);
    }
    {
        SCOPED_TRACE("before the SEQEND of the second polyline");
        const std::string path = folder.Touch("seqend.dxf", JoinLines(cutAfter("AcDb3dPolylineVertex", 9, 6)));
        const TConversion result = Convert(ConvertDXF_3DPOLY, path, "CEILING");
        EXPECT_EQ(result.written, 1);
        EXPECT_NE(result.console.find("3D polyline without SEQEND; skipped."), std::string::npos);
    }
    {
        SCOPED_TRACE("inside the mesh's face records");
        const std::string path = folder.Touch("mesh.dxf", JoinLines(cutAfter("AcDbFaceRecord", 1, 2)));
        const TConversion result = Convert(ConvertDXF_POLYFACEMESH, path, "FLOOR");
        EXPECT_EQ(result.written, 0);
        EXPECT_NE(result.console.find("polyface mesh without SEQEND; skipped."), std::string::npos);
    }
    {
        SCOPED_TRACE("before the ENTITIES section");
        const std::string path = folder.Touch("header.dxf", JoinLines(cutAfter("ENTITIES", 1, -2)));
        const TConversion result = Convert(ConvertDXF_Source, path, "SRC");
        EXPECT_EQ(result.written, 0);
        EXPECT_EQ(result.console, "DXF: the file has no ENTITIES section.\n");
    }
}

TEST(ConvertDXF, PolyfaceMeshOutlines)
{
    ScratchFolder folder;
    const std::vector<std::string> square = {XYZ(0, 0, 0), XYZ(1, 0, 0), XYZ(1, 1, 0), XYZ(0, 1, 0)};
    {
        // The diagonal 3-1 is invisible in both triangles (negative index at
        // the vertex the edge starts from).
        SCOPED_TRACE("two triangles, shared edge invisible");
        const std::string path = folder.Touch(
            "square.dxf", EntitiesDrawing(PolyfaceMesh(square, {Face(1, 2, -3), Face(-1, 3, 4)}, 4, 2)));
        const TConversion result = Convert(ConvertDXF_POLYFACEMESH, path, "FLOOR");
        EXPECT_EQ(result.lines,
                  "4 0.000 0.000 0.000 1.000 0.000 0.000 1.000 1.000 0.000 0.000 1.000 0.000 FLOOR\n");
    }
    {
        SCOPED_TRACE("one quadrilateral face record");
        const std::string path = folder.Touch(
            "quad.dxf",
            EntitiesDrawing(PolyfaceMesh(square, {Face(1, 2, 3) + Pair(74, "4")}, 4, 1)));
        EXPECT_EQ(Convert(ConvertDXF_POLYFACEMESH, path, "FLOOR").lines,
                  "4 0.000 0.000 0.000 1.000 0.000 0.000 1.000 1.000 0.000 0.000 1.000 0.000 FLOOR\n");
    }
    {
        // A 3 x 3 frame around a 1 x 1 hole: the walk along the visible edges
        // comes back to its start after four of the eight vertices.
        SCOPED_TRACE("frame with a hole");
        const std::vector<std::string> frame = {XYZ(0, 0, 0), XYZ(3, 0, 0), XYZ(3, 3, 0), XYZ(0, 3, 0),
                                                XYZ(1, 1, 0), XYZ(2, 1, 0), XYZ(2, 2, 0), XYZ(1, 2, 0)};
        const std::vector<std::string> faces = {Face(1, 2, -6), Face(-1, 6, 5), Face(2, 3, -7),
                                                Face(-2, 7, 6), Face(3, 4, -8), Face(-3, 8, 7),
                                                Face(4, 1, -5), Face(-4, 5, 8)};
        const std::string path = folder.Touch("frame.dxf", EntitiesDrawing(PolyfaceMesh(frame, faces, 8, 8)));
        const TConversion result = Convert(ConvertDXF_POLYFACEMESH, path, "FLOOR");
        const std::vector<std::string> lines = SplitLines(result.lines);
        ASSERT_EQ(lines.size(), 8u);
        EXPECT_EQ(lines[0], "3 0.000 0.000 0.000 3.000 0.000 0.000 2.000 1.000 0.000 FLOOR");
        EXPECT_EQ(lines[7], "3 0.000 3.000 0.000 1.000 1.000 0.000 1.000 2.000 0.000 FLOOR");
    }
    {
        SCOPED_TRACE("every edge invisible: no outline");
        const std::string path = folder.Touch(
            "hidden.dxf", EntitiesDrawing(PolyfaceMesh(square, {Face(-1, -2, -3), Face(-1, -3, -4)}, 4, 2)));
        const TConversion result = Convert(ConvertDXF_POLYFACEMESH, path, "FLOOR");
        EXPECT_EQ(result.lines, "");
        EXPECT_EQ(result.console,
                  "NUMERO DE 3DPolyFaceMesh: 1\nErro ao organizar vertices de polymesh\n");
    }
}

TEST(ConvertDXF, DamagedEntitiesAreReportedAndSkipped)
{
    ScratchFolder folder;
    const std::vector<std::string> square = {XYZ(0, 0, 0), XYZ(1, 0, 0), XYZ(1, 1, 0), XYZ(0, 1, 0)};
    const std::string goodFace = Pair(0, "3DFACE") + Pair(8, "FLOOR") + XYZ(0, 0, 5) +
                                 Pair(11, "1") + Pair(21, "0") + Pair(31, "5") + Pair(12, "1") +
                                 Pair(22, "1") + Pair(32, "5");
    const struct {
        const char* name;
        TConverter converter;
        std::string pairs;
        const char* message;
        int written;
    } cases[] = {
        {"counts larger than the records", ConvertDXF_POLYFACEMESH,
         PolyfaceMesh(square, {Face(1, 2, 3)}, 2000000000, 1),
         "announces 2000000000 vertices and 1 faces but only 4 and 1 follow", 0},
        {"index out of range", ConvertDXF_POLYFACEMESH, PolyfaceMesh(square, {Face(1, 2, 9)}, 4, 1),
         "index 9 out of range 1..4", 0},
        {"index zero", ConvertDXF_POLYFACEMESH, PolyfaceMesh(square, {Face(1, 0, 3)}, 4, 1),
         "index 0 out of range", 0},
        {"non-numeric index", ConvertDXF_POLYFACEMESH,
         PolyfaceMesh(square, {Pair(71, "1") + Pair(72, "two") + Pair(73, "3")}, 4, 1),
         "non-numeric vertex index (group 72)", 0},
        {"negative count", ConvertDXF_POLYFACEMESH, PolyfaceMesh(square, {Face(1, 2, 3)}, -4, 1),
         "invalid vertex or face count", 0},
        {"non-numeric point coordinate", ConvertDXF_Receiver,
         Pair(0, "POINT") + Pair(8, "FLOOR") + Pair(10, "1,5") + Pair(20, "0") + Pair(30, "0") +
             Pair(0, "POINT") + Pair(8, "FLOOR") + XYZ(1, 2, 3),
         "POINT with a missing, non-numeric or out-of-range coordinate; skipped.", 1},
        {"coordinate beyond single precision", ConvertDXF_3DFACE,
         Pair(0, "3DFACE") + Pair(8, "FLOOR") + XYZ(0, 0, 0) + Pair(11, "1e39") + Pair(21, "0") +
             Pair(31, "0") + Pair(12, "1") + Pair(22, "1") + Pair(32, "0") + goodFace,
         "3DFACE with a missing, non-numeric or out-of-range coordinate", 1},
        {"polyline vertex without y", ConvertDXF_3DPOLY,
         Pair(0, "POLYLINE") + Pair(8, "FLOOR") + Pair(70, "8") + Pair(0, "VERTEX") + Pair(8, "FLOOR") +
             Pair(70, "32") + Pair(10, "1") + Pair(30, "0") + Pair(0, "SEQEND") + goodFace,
         "VERTEX with a missing, non-numeric or out-of-range coordinate", 0},
        {"polyline ended by another entity", ConvertDXF_3DFACE,
         Pair(0, "POLYLINE") + Pair(8, "FLOOR") + Pair(70, "8") + Pair(0, "VERTEX") + Pair(70, "32") +
             XYZ(0, 0, 0) + goodFace,
         "", 1},
        {"face without area", ConvertDXF_3DFACE,
         Pair(0, "3DFACE") + Pair(8, "FLOOR") + XYZ(0, 0, 0) + Pair(11, "1") + Pair(21, "0") +
             Pair(31, "0") + Pair(12, "2") + Pair(22, "0") + Pair(32, "0") + goodFace,
         "3DFACE without area; skipped.", 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = folder.Touch("damaged.dxf", EntitiesDrawing(c.pairs));
        const TConversion result = Convert(c.converter, path, "FLOOR");
        EXPECT_EQ(result.written, c.written);
        EXPECT_NE(result.console.find(c.message), std::string::npos) << result.console;
    }
    {
        SCOPED_TRACE("polyline without SEQEND, the next entity still converts");
        const std::string path = folder.Touch(
            "noseqend.dxf", EntitiesDrawing(Pair(0, "POLYLINE") + Pair(8, "FLOOR") + Pair(70, "8") +
                                            Pair(0, "VERTEX") + Pair(70, "32") + XYZ(0, 0, 0) +
                                            Pair(0, "VERTEX") + Pair(70, "32") + XYZ(1, 0, 0) +
                                            Pair(0, "VERTEX") + Pair(70, "32") + XYZ(1, 1, 0) +
                                            goodFace));
        EXPECT_NE(Convert(ConvertDXF_3DPOLY, path, "FLOOR").console.find("without SEQEND"),
                  std::string::npos);
        EXPECT_EQ(Convert(ConvertDXF_3DFACE, path, "FLOOR").written, 1);
    }
    {
        SCOPED_TRACE("missing fourth corner and missing z");
        const std::string path = folder.Touch(
            "short.dxf", EntitiesDrawing(Pair(0, "3DFACE") + Pair(8, "FLOOR") + Pair(10, "0") +
                                         Pair(20, "0") + Pair(11, "1") + Pair(21, "0") +
                                         Pair(12, "1") + Pair(22, "1")));
        EXPECT_EQ(Convert(ConvertDXF_3DFACE, path, "FLOOR").lines,
                  "3 0.000 0.000 0.000 1.000 0.000 0.000 1.000 1.000 0.000 FLOOR\n");
    }
}

TEST(ConvertDXF, RemoveSpaces)
{
    EXPECT_EQ(RemoveSpaces("Main Wall"), "MainWall");
    EXPECT_EQ(RemoveSpaces("  a b  c "), "abc");
    EXPECT_EQ(RemoveSpaces(""), "");
}

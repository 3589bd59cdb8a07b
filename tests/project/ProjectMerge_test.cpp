#include "project/ProjectMerge.h"

#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "TestFiles.h"
#include "TestSupport.h"
#include "dxf/DxfImport.h"
#include "dxf/DxfTestText.h"
#include "project/Project.h"
#include "project/ScriptedDialogs.h"
#include "room/TRoom.h"
#include "util/Platform.h"

namespace {

const std::string kShoebox = std::string(VELTO_EXAMPLES_DIR) + "/shoebox/shoebox.txt";

struct OpenShoebox {
    OpenShoebox() : project(dialogs)
    {
        text = ReadFileText(RequiredFile(kShoebox));
        path = folder.Touch("shoebox.txt", text);
        EXPECT_TRUE(project.LoadRoom(path));
        project.SetRoomReplacedHandler([this](TRoom&) { ++handed; });
    }
    ConsoleRecorder console;
    ScratchFolder folder;
    ScriptedDialogs dialogs;
    Project project;
    std::string text; // of the example
    std::string path;
    int handed = 0;   // rooms handed to the listener
};

std::string Replaced(std::string text, const std::string& from, const std::string& to)
{
    const auto at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

struct Counts {
    unsigned int planes, planeLayers, materials, sourceTypes, sources, receiverTypes, receivers;
    bool operator==(const Counts&) const = default;
};

Counts CountsOf(const TRoom& room)
{
    return {room.NumPlanes,       room.NumPlaneLayers, room.NumMaterials, room.NumSourceLayers,
            room.NumSources,      room.NumReceiverLayers, room.NumReceivers};
}

std::ostream& operator<<(std::ostream& out, const Counts& c)
{
    return out << c.planes << " planes, " << c.planeLayers << " layers, " << c.materials
               << " materials, " << c.sourceTypes << "/" << c.sources << " sources, "
               << c.receiverTypes << "/" << c.receivers << " receivers";
}

// "layer:material" of every plane layer, "?" for a layer without a material.
std::vector<std::string> LayerMaterials(const TRoom& room)
{
    std::vector<std::string> names;
    for (const TPlaneLayer& layer : room.planeLayer) {
        const bool bound = layer.MatID >= 0 && layer.MatID < static_cast<int>(room.NumMaterials);
        names.push_back(layer.nome + ":" + (bound ? room.material[layer.MatID].nome : "?"));
    }
    return names;
}

std::vector<std::string> Names(const TRoom& room)
{
    std::vector<std::string> names = LayerMaterials(room);
    for (const TMaterial& m : room.material) {
        names.push_back("material " + m.nome);
    }
    for (const TSource& s : room.source) {
        names.push_back(s.Name + " of " + room.sourceLayer[s.LayerID].layername);
    }
    for (const TReceiver& r : room.receiver) {
        names.push_back(r.Name + " of " + room.receiverLayer[r.LayerID].layername);
    }
    return names;
}

} // namespace

TEST(MergeProjectFile, AddsEverythingBoundByNameAndSurvivesSaving)
{
    OpenShoebox open;
    TDxfImportOptions drawing;
    drawing.planeLayers = {"ROOM"};
    drawing.sourceLayers = {"SRC"};
    drawing.receiverLayers = {"REC"};
    drawing.polyline3D = drawing.face3D = drawing.polyfaceMesh = true;
    const std::string imported = open.folder.Path("drawing.txt");
    ASSERT_TRUE(WriteDXFImportFile(TestScenePath(), drawing, imported));

    struct Case {
        const char* name;
        std::string file;
        Counts expected;
        std::vector<std::string> layers;
        unsigned int planesOnWalls;
    };
    const Case cases[] = {
        {"a drawing: new layer, material and types", imported,
         {12, 2, 2, 2, 2, 2, 3}, {"walls:wall10", "ROOM:DEFAULT_MAT"}, 6},
        {"the same project again: every name reused", open.path,
         {12, 1, 1, 1, 2, 1, 2}, {"walls:wall10"}, 12},
        {"a known layer on another material keeps the room's material",
         open.folder.Touch("glass.txt",
                           Replaced(Replaced(open.text, "wall10 0.10", "glass 0.03"),
                                    "walls wall10", "walls glass")),
         {12, 1, 2, 1, 2, 1, 2}, {"walls:wall10"}, 12},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        OpenShoebox merged;
        ASSERT_TRUE(merged.project.AppendProject(c.file));
        const TRoom& room = merged.project.Room();
        EXPECT_EQ(CountsOf(room), c.expected);
        EXPECT_EQ(LayerMaterials(room), c.layers);
        EXPECT_EQ(room.planeLayer[0].NumPlanes, c.planesOnWalls);
        for (const TSource& s : room.source) {
            EXPECT_NE(s.directivity, nullptr);
        }
        EXPECT_EQ(merged.project.ProjectStatus, Project::kModified);
        EXPECT_EQ(merged.handed, 1);

        const std::string saved = merged.folder.Path("merged.txt");
        merged.dialogs.saveChoices.push_back(saved);
        ASSERT_TRUE(merged.project.Save());
        ScriptedDialogs dialogs;
        Project reopened(dialogs);
        ASSERT_TRUE(reopened.LoadRoom(saved));
        EXPECT_EQ(CountsOf(reopened.Room()), c.expected);
        EXPECT_EQ(LayerMaterials(reopened.Room()), c.layers);
    }
}

// An empty room has no volume: only the analysis after the merge finds the
// shoebox's 8 x 6 x 3 m closed by its six planes.
TEST(MergeProjectFile, AnalysesTheGrownRoom)
{
    OpenShoebox open;
    ScriptedDialogs dialogs;
    Project empty(dialogs);
    ASSERT_TRUE(empty.AppendProject(open.path));
    const TRoom& room = empty.Room();
    EXPECT_EQ(room.NumPlanes, 6u);
    EXPECT_NEAR(room.Volume, 144.0, 1e-9);
    EXPECT_NEAR(room.Area, 180.0, 1e-9);
    for (const TPlane& p : room.plane) {
        EXPECT_TRUE(p.IsExternal);
    }
}

TEST(MergeProjectFile, AFileThatFailsHalfWayChangesNothing)
{
    OpenShoebox open;
    struct Case {
        const char* name;
        std::string file;
    };
    const Case cases[] = {
        {"missing file", open.folder.Path("missing.txt")},
        {"plane on an unknown layer, after the materials and layers were read",
         open.folder.Touch("plane.txt",
                           Replaced(Replaced(open.text, "wall10 0.10", "new 0.20"), "<PLANES>",
                                    "<PLANES>\n4 0 0 0 1 0 0 1 1 0 0 1 0 nowhere"))},
        {"source of an unknown type, after the planes were read",
         open.folder.Touch("source.txt", Replaced(open.text, "90.0 omni NONE", "90.0 loud NONE"))},
        {"receiver of an unknown type, after the sources were read",
         open.folder.Touch("receiver.txt", Replaced(open.text, "0.0 mic", "0.0 ear"))},
    };
    const Counts counts = CountsOf(open.project.Room());
    const std::vector<std::string> names = Names(open.project.Room());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ErrorRecorder errors;
        EXPECT_FALSE(open.project.AppendProject(c.file));
        EXPECT_FALSE(errors.texts.empty());
        EXPECT_EQ(CountsOf(open.project.Room()), counts);
        EXPECT_EQ(Names(open.project.Room()), names);
        EXPECT_EQ(open.project.ProjectStatus, Project::kSaved);
        EXPECT_EQ(open.handed, 0);
    }
}

TEST(HandOverPath, UniqueAndOutsideTheWorkingFolder)
{
    const auto first = HandOverPath();
    const auto second = HandOverPath();
    ASSERT_TRUE(first && second);
    EXPECT_NE(*first, *second);
    const auto working = std::filesystem::weakly_canonical(CurrentFolder());
    for (const std::string& path : {*first, *second}) {
        SCOPED_TRACE(path);
        const auto folder =
            std::filesystem::weakly_canonical(std::filesystem::path(path).parent_path());
        EXPECT_TRUE(std::filesystem::is_directory(folder));
        EXPECT_NE(folder, working);
        EXPECT_FALSE(FileExists(path));
        EXPECT_TRUE(std::filesystem::is_empty(folder));
        RemoveHandOver(path);
        EXPECT_FALSE(std::filesystem::exists(folder));
    }
}

TEST(Project, OpenAsUntitledForgetsTheHandOverFile)
{
    struct Case {
        const char* name;
        bool readable;
    };
    for (const Case c : {Case{"readable", true}, Case{"unreadable", false}}) {
        SCOPED_TRACE(c.name);
        OpenShoebox open;
        const auto handOver = HandOverPath();
        ASSERT_TRUE(handOver);
        std::ofstream(*handOver) << (c.readable ? open.text
                                                : Replaced(open.text, "0.0 mic", "0.0 ear"));
        ErrorRecorder errors;
        EXPECT_EQ(open.project.OpenAsUntitled(*handOver), c.readable);
        EXPECT_FALSE(std::filesystem::exists(*handOver));
        EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(*handOver).parent_path()));
        if (!c.readable) {
            EXPECT_EQ(open.project.Title(), "VELTO - shoebox.txt");
            EXPECT_EQ(open.handed, 0);
            continue;
        }
        EXPECT_EQ(open.handed, 1);
        EXPECT_EQ(open.project.Title(), "VELTO - Untitled Project");
        EXPECT_EQ(open.project.Room().NumPlanes, 6u);
        open.dialogs.saveChoices.push_back(std::nullopt);
        EXPECT_FALSE(open.project.Save());
        EXPECT_EQ(open.dialogs.proposedNames, std::vector<std::string>{"Untitled.txt"});
    }
}

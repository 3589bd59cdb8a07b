#include "project/ProjectMerge.h"

#include <array>
#include <filesystem>
#include <fstream>
#include <optional>

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

// Planes, plane layers, materials, source types, sources, receiver types, receivers.
using Counts = std::array<unsigned int, 7>;

Counts CountsOf(const TRoom& room)
{
    return {room.NumPlanes,  room.NumPlaneLayers,    room.NumMaterials, room.NumSourceLayers,
            room.NumSources, room.NumReceiverLayers, room.NumReceivers};
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

    const struct {
        const char* name;
        std::string file;
        Counts expected;
        std::vector<std::string> layers;
        unsigned int planesOnWalls;
    } cases[] = {
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
    for (const auto& c : cases) {
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
        Project reopened(merged.dialogs);
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
    Project empty(open.dialogs);
    ASSERT_TRUE(empty.AppendProject(open.path));
    EXPECT_NEAR(empty.Room().Volume, 144.0, 1e-9);
    EXPECT_NEAR(empty.Room().Area, 180.0, 1e-9);
}

TEST(MergeProjectFile, AFileThatFailsHalfWayChangesNothing)
{
    OpenShoebox open;
    const std::pair<const char*, std::string> cases[] = {
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
    const std::vector<std::string> layers = LayerMaterials(open.project.Room());
    for (const auto& [name, file] : cases) {
        SCOPED_TRACE(name);
        ErrorRecorder errors;
        EXPECT_FALSE(open.project.AppendProject(file));
        EXPECT_FALSE(errors.texts.empty());
        EXPECT_EQ(CountsOf(open.project.Room()), counts);
        EXPECT_EQ(LayerMaterials(open.project.Room()), layers);
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
    for (const std::string& path : {*first, *second}) {
        SCOPED_TRACE(path);
        const auto folder =
            std::filesystem::weakly_canonical(std::filesystem::path(path).parent_path());
        EXPECT_TRUE(std::filesystem::is_empty(folder)); // an existing folder, no file yet
        EXPECT_NE(folder, std::filesystem::weakly_canonical(CurrentFolder()));
        RemoveHandOver(path);
        EXPECT_FALSE(std::filesystem::exists(folder));
    }
}

TEST(Project, OpenAsUntitledForgetsTheHandOverFile)
{
    for (const bool readable : {true, false}) {
        SCOPED_TRACE(readable ? "readable" : "unreadable");
        OpenShoebox open;
        const auto handOver = HandOverPath();
        ASSERT_TRUE(handOver);
        std::ofstream(*handOver) << (readable ? open.text
                                              : Replaced(open.text, "0.0 mic", "0.0 ear"));
        ErrorRecorder errors;
        EXPECT_EQ(open.project.OpenAsUntitled(*handOver), readable);
        EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(*handOver).parent_path()));
        EXPECT_EQ(open.handed, readable ? 1 : 0);
        if (!readable) {
            EXPECT_EQ(open.project.Title(), "VELTO - shoebox.txt");
            continue;
        }
        EXPECT_EQ(open.project.Title(), "VELTO - Untitled Project");
        open.dialogs.saveChoices.push_back(std::nullopt);
        EXPECT_FALSE(open.project.Save());
        EXPECT_EQ(open.dialogs.proposedNames, std::vector<std::string>{"Untitled.txt"});
    }
}

TEST(Project, TakeHandOverAsksBeforeReplacingAModifiedProject)
{
    const struct {
        const char* name;
        bool asNew;
        bool modified;
        std::optional<Answer> answer; // to "Save it?"
        bool taken;
        const char* title;
    } cases[] = {
        {"new, saved project", true, false, std::nullopt, true, "VELTO - Untitled Project"},
        {"new, modified, cancelled", true, true, Answer::Cancel, false,
         "VELTO - shoebox.txt *modified"},
        {"new, modified, not saved", true, true, Answer::No, true, "VELTO - Untitled Project"},
        {"appended", false, true, std::nullopt, true, "VELTO - shoebox.txt *modified"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        OpenShoebox open;
        if (c.modified) {
            open.project.MarkModified();
        }
        if (c.answer) {
            open.dialogs.yesNoCancel.push_back(*c.answer);
        }
        const unsigned int planes = open.project.Room().NumPlanes;
        const auto handOver = HandOverPath();
        ASSERT_TRUE(handOver);
        std::ofstream(*handOver) << open.text;
        EXPECT_EQ(open.project.TakeHandOver(*handOver, c.asNew), c.taken);
        EXPECT_EQ(open.dialogs.questions.size(), c.answer ? 1u : 0u);
        EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(*handOver).parent_path()));
        EXPECT_EQ(open.project.Title(), c.title);
        EXPECT_EQ(open.project.Room().NumPlanes, c.taken && !c.asNew ? 2 * planes : planes);
    }
    // A project never saved takes the hand-over whole, even when asked to append.
    ScriptedDialogs dialogs;
    Project fresh(dialogs);
    const auto handOver = HandOverPath();
    ASSERT_TRUE(handOver);
    std::ofstream(*handOver) << ReadFileText(RequiredFile(kShoebox));
    ConsoleRecorder console;
    EXPECT_TRUE(fresh.TakeHandOver(*handOver, false, Project::kModified));
    EXPECT_EQ(fresh.Title(), "VELTO - Untitled Project *modified");
    EXPECT_EQ(fresh.Room().NumPlanes, 6u);
}

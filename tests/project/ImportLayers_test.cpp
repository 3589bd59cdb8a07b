#include "project/ImportLayers.h"

#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "TestFiles.h"
#include "TestSupport.h"
#include "project/ProjectMerge.h"
#include "project/ScriptedDialogs.h"

namespace {

using Names = std::vector<std::string>;

const Names kDrawing = {"0", "SRC", "REC", "Main Wall", "WALLS", "ROOM"};

} // namespace

TEST(ImportLayerLists, MoveItems)
{
    struct Case {
        const char* name;
        ImportRole from;
        ImportRole to;
        std::vector<long> selected;
        std::size_t moved;
        Names fromAfter;
        Names toAfter;
    };
    const Case cases[] = {
        {"reversed selection keeps the drawing's order", ImportRole::All, ImportRole::Planes,
         {5, 4, 0}, 3, {"SRC", "REC", "Main Wall"}, {"0", "WALLS", "ROOM"}},
        {"shuffled neighbours", ImportRole::All, ImportRole::Sources, {2, 1, 3}, 3,
         {"0", "WALLS", "ROOM"}, {"SRC", "REC", "Main Wall"}},
        {"duplicates and indices outside the list", ImportRole::All, ImportRole::Receivers,
         {-1, 2, 6, 2, 1000, 2}, 1, {"0", "SRC", "Main Wall", "WALLS", "ROOM"}, {"REC"}},
        {"nothing selected", ImportRole::All, ImportRole::Planes, {}, 0, kDrawing, {}},
        {"onto the list itself", ImportRole::All, ImportRole::All, {0, 1}, 0, kDrawing, kDrawing},
        {"everything", ImportRole::All, ImportRole::Planes, {0, 1, 2, 3, 4, 5}, 6, {}, kDrawing},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ImportLayerLists lists;
        lists.Reset(kDrawing);
        EXPECT_EQ(lists.MoveItems(c.from, c.to, c.selected), c.moved);
        EXPECT_EQ(lists.List(c.from), c.fromAfter);
        EXPECT_EQ(lists.List(c.to), c.toAfter);
    }
}

// A layer moved back joins the end of the unassigned layers, and a layer goes
// from one role to another without passing through them.
TEST(ImportLayerLists, MovingBackAndBetweenRoles)
{
    ImportLayerLists lists;
    lists.Reset(kDrawing);
    ASSERT_EQ(lists.MoveItems(ImportRole::All, ImportRole::Planes, {0, 3, 5}), 3u);
    EXPECT_EQ(lists.MoveItems(ImportRole::Planes, ImportRole::All, {0}), 1u);
    EXPECT_EQ(lists.List(ImportRole::All), (Names{"SRC", "REC", "WALLS", "0"}));
    EXPECT_EQ(lists.List(ImportRole::Planes), (Names{"Main Wall", "ROOM"}));

    EXPECT_EQ(lists.MoveItems(ImportRole::Planes, ImportRole::Receivers, {0}), 1u);
    EXPECT_EQ(lists.List(ImportRole::Planes), Names{"ROOM"});
    EXPECT_EQ(lists.List(ImportRole::Receivers), Names{"Main Wall"});

    // A fresh drawing starts the assignment afresh.
    lists.Reset({"A", "B"});
    EXPECT_EQ(lists.List(ImportRole::All), (Names{"A", "B"}));
    for (ImportRole role : {ImportRole::Sources, ImportRole::Receivers, ImportRole::Planes}) {
        EXPECT_TRUE(lists.List(role).empty());
    }
}

TEST(ImportLayerLists, OptionsCarryTheRolesAndTheTickedKinds)
{
    ImportLayerLists lists;
    lists.Reset(kDrawing);
    lists.MoveItems(ImportRole::All, ImportRole::Sources, {1});
    lists.MoveItems(ImportRole::All, ImportRole::Receivers, {1, 2});
    lists.MoveItems(ImportRole::All, ImportRole::Planes, {2, 1});

    const bool kinds[][3] = {{true, false, false}, {false, true, false}, {false, false, true},
                             {false, false, false}};
    for (const auto& k : kinds) {
        const TDxfImportOptions options = lists.Options(k[0], k[1], k[2]);
        EXPECT_EQ(options.sourceLayers, Names{"SRC"});
        EXPECT_EQ(options.receiverLayers, (Names{"REC", "Main Wall"}));
        EXPECT_EQ(options.planeLayers, (Names{"WALLS", "ROOM"}));
        EXPECT_EQ(options.polyline3D, k[0]);
        EXPECT_EQ(options.face3D, k[1]);
        EXPECT_EQ(options.polyfaceMesh, k[2]);
    }
}

TEST(WriteImportHandOver, WritesTheProjectIntoAFreshFile)
{
    const ConsoleRecorder quiet;
    ScriptedDialogs dialogs;
    TDxfImportOptions options;
    options.planeLayers = {"ROOM"};
    const std::optional<std::string> path = WriteImportHandOver(
        TestDataPath("dxf/testscene_R2000.dxf"), options, HandOverPath, dialogs);
    ASSERT_TRUE(path.has_value());
    EXPECT_NE(ReadFileText(*path).find("<LAYERS::PLANE>\nROOM DEFAULT_MAT\n"), std::string::npos);
    EXPECT_TRUE(dialogs.messages.empty());
    RemoveHandOver(*path);
}

// Each failure leaves nothing behind and says which drawing was not imported.
TEST(WriteImportHandOver, FailuresLeaveNothingAndSaySo)
{
    const ConsoleRecorder quiet;
    ScratchFolder folder;
    const std::string drawing = TestDataPath("dxf/testscene_R2000.dxf");
    const std::string missingDrawing = folder.Path("gone.dxf");
    std::string made; // the hand-over file of the last case that made one
    struct Case {
        const char* name;
        std::string dxf;
        std::function<std::optional<std::string>()> provider;
        std::string message;
    };
    const std::string unwritable = folder.Path("missing/Import.txt");
    const Case cases[] = {
        {"no temporary folder", drawing, [] { return std::optional<std::string>(); },
         "Import Project: Cannot create a temporary file for the import of '" + drawing +
             "'. The project is unchanged."},
        {"hand-over in a folder that does not exist", drawing,
         [&] { return std::optional<std::string>(unwritable); },
         "Import Project: Cannot import '" + drawing + "' into '" + unwritable +
             "'. The project is unchanged."},
        // The hand-over folder is made before the drawing turns out unreadable.
        {"drawing gone since it was chosen", missingDrawing,
         [&] {
             made = HandOverPath().value_or("");
             return std::optional<std::string>(made);
         },
         ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedDialogs dialogs;
        ErrorRecorder errors;
        EXPECT_FALSE(WriteImportHandOver(c.dxf, {}, c.provider, dialogs).has_value());
        ASSERT_EQ(dialogs.messages.size(), 1u);
        EXPECT_NE(dialogs.messages[0].find("'" + c.dxf + "'"), std::string::npos);
        if (!c.message.empty()) {
            EXPECT_EQ(dialogs.messages[0], c.message);
        }
    }
    ASSERT_FALSE(made.empty());
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(made).parent_path())) << made;
    EXPECT_FALSE(std::filesystem::exists(folder.Path("missing")));
}

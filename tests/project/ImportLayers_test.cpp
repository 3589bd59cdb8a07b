#include "project/ImportLayers.h"

#include <array>
#include <filesystem>
#include <functional>
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

// From the unassigned layers, in any selection order, keeping the drawing's.
TEST(ImportLayers, MoveItemsKeepsTheDrawingsOrder)
{
    const struct {
        const char* name;
        ImportRole to;
        std::vector<long> selected;
        Names allAfter, toAfter;
    } cases[] = {
        {"shuffled selection", ImportRole::Planes, {4, 0, 5, 2}, {"SRC", "Main Wall"},
         {"0", "REC", "WALLS", "ROOM"}},
        {"duplicates and indices outside the list", ImportRole::Receivers, {-1, 2, 6, 2, 1000, 2},
         {"0", "SRC", "Main Wall", "WALLS", "ROOM"}, {"REC"}},
        {"onto the list itself", ImportRole::All, {0, 1}, kDrawing, kDrawing},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ImportLayerLists lists;
        lists.Reset(kDrawing);
        EXPECT_EQ(lists.MoveItems(ImportRole::All, c.to, c.selected),
                  kDrawing.size() - c.allAfter.size());
        EXPECT_EQ(lists.List(ImportRole::All), c.allAfter);
        EXPECT_EQ(lists.List(c.to), c.toAfter);
    }
}

// A layer moved back joins the end of the unassigned layers, one goes from a
// role to another without passing through them, and the options carry the
// roles and the ticked kinds until a fresh drawing starts afresh.
TEST(ImportLayers, MovesBetweenRolesAndTheOptionsTheyMake)
{
    ImportLayerLists lists;
    lists.Reset(kDrawing);
    ASSERT_EQ(lists.MoveItems(ImportRole::All, ImportRole::Planes, {0, 3, 5}), 3u);
    EXPECT_EQ(lists.MoveItems(ImportRole::Planes, ImportRole::All, {0}), 1u);
    EXPECT_EQ(lists.List(ImportRole::All), (Names{"SRC", "REC", "WALLS", "0"}));
    EXPECT_EQ(lists.MoveItems(ImportRole::Planes, ImportRole::Receivers, {0}), 1u);
    EXPECT_EQ(lists.MoveItems(ImportRole::All, ImportRole::Sources, {1, 0}), 2u);
    for (const auto& k : {std::array{true, false, false}, std::array{false, true, false},
                          std::array{false, false, true}}) {
        const TDxfImportOptions options = lists.Options(k[0], k[1], k[2]);
        EXPECT_EQ(options.sourceLayers, (Names{"SRC", "REC"}));
        EXPECT_EQ(options.receiverLayers, Names{"Main Wall"});
        EXPECT_EQ(options.planeLayers, Names{"ROOM"});
        EXPECT_EQ((std::array{options.polyline3D, options.face3D, options.polyfaceMesh}), k);
    }
    lists.Reset({"A", "B"});
    EXPECT_EQ(lists.List(ImportRole::All), (Names{"A", "B"}));
    const TDxfImportOptions fresh = lists.Options(true, true, true);
    EXPECT_TRUE(fresh.sourceLayers.empty() && fresh.receiverLayers.empty() &&
                fresh.planeLayers.empty());
}

// The import goes into a fresh file. Each failure leaves nothing behind and
// says which drawing was not imported.
TEST(ImportLayers, HandOverIsWrittenOrNothingIsLeftAndTheUserIsTold)
{
    const ConsoleRecorder quiet;
    ScratchFolder folder;
    const std::string drawing = TestDataPath("dxf/testscene_R2000.dxf");
    TDxfImportOptions options;
    options.planeLayers = {"ROOM"};
    ScriptedDialogs told;
    const std::string written = folder.Path("Import.txt");
    EXPECT_EQ(WriteImportHandOver(drawing, options, [&] { return written; }, told), written);
    EXPECT_NE(ReadFileText(written).find("<LAYERS::PLANE>\nROOM DEFAULT_MAT\n"), std::string::npos);
    EXPECT_TRUE(told.messages.empty());

    const std::string unwritable = folder.Path("missing/Import.txt");
    std::string made; // the hand-over file of the last case that made one
    const struct {
        const char* name;
        std::string dxf;
        std::function<std::optional<std::string>()> provider;
        std::string message; // empty: only the drawing's name is checked
    } cases[] = {
        {"no temporary folder", drawing, [] { return std::optional<std::string>(); },
         "Import Project: Cannot create a temporary file for the import of '" + drawing +
             "'. The project is unchanged."},
        {"hand-over in a folder that does not exist", drawing, [&] { return unwritable; },
         "Import Project: Cannot import '" + drawing + "' into '" + unwritable +
             "'. The project is unchanged."},
        // The hand-over folder is made before the drawing turns out unreadable.
        {"drawing gone since it was chosen", folder.Path("gone.dxf"),
         [&] { return made = HandOverPath().value_or(""); }, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedDialogs dialogs;
        const ErrorRecorder errors;
        EXPECT_FALSE(WriteImportHandOver(c.dxf, options, c.provider, dialogs).has_value());
        ASSERT_EQ(dialogs.messages.size(), 1u);
        EXPECT_NE(dialogs.messages[0].find("'" + c.dxf + "'"), std::string::npos);
        EXPECT_TRUE(c.message.empty() || dialogs.messages[0] == c.message) << dialogs.messages[0];
    }
    ASSERT_FALSE(made.empty());
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(made).parent_path())) << made;
    EXPECT_FALSE(std::filesystem::exists(folder.Path("missing")));
}

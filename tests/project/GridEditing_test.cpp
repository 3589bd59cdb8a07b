#include "project/GridEditing.h"

#include <gtest/gtest.h>

#include "RoomFixtures.h"
#include "TestSupport.h"
#include "directivity/TDirectivity.h"
#include "project/ScriptedDialogs.h"
#include "room/TRoom.h"

namespace {

// A 4 x 5 x 3 m box: materials "wall" and "Material_01", plane layers "walls"
// (all six planes) and "PlaneLayer01", source types "SrcType01" and
// "SrcType02", receiver types "RecType01" and "RecType02".
void FillEditRoom(TRoom& room)
{
    FillBoxRoom(room, 4, 5, 3);
    for (GridKind kind : {GridKind::Materials, GridKind::PlaneLayers, GridKind::SourceLayers,
                          GridKind::SourceLayers, GridKind::ReceiverLayers,
                          GridKind::ReceiverLayers}) {
        EXPECT_EQ(AddEntry(room, kind).result, CellEdit::Changed);
    }
}

} // namespace

TEST(GridEditing, NamesMustBeUniqueAndWithoutBlanks)
{
    ConsoleRecorder console;
    const std::pair<GridKind, std::string> grids[] = {
        {GridKind::Materials, "material"}, {GridKind::PlaneLayers, "plane layer"},
        {GridKind::SourceLayers, "source type"}, {GridKind::ReceiverLayers, "receiver type"}};
    for (const auto& [kind, what] : grids) {
        TRoom room;
        FillEditRoom(room);
        const std::string old = NamesOf(room, kind)[0];
        const std::string other = NamesOf(room, kind)[1];
        SCOPED_TRACE(old);
        EXPECT_EQ(EditCell(room, kind, 0, 0, other).message, "Duplicated " + what + ": " + other);
        for (const std::string& typed : {other, std::string(""), std::string("two words")}) {
            EXPECT_EQ(EditCell(room, kind, 0, 0, typed).result, CellEdit::Refused) << typed;
            EXPECT_EQ(NamesOf(room, kind)[0], old) << typed;
        }
        EXPECT_EQ(EditCell(room, kind, 0, 0, " fresh ").result, CellEdit::Changed);
        EXPECT_EQ(NamesOf(room, kind)[0], "fresh");
    }
}

TEST(GridEditing, NumbersAreTakenWholeAndWithinTheirRange)
{
    ConsoleRecorder console;
    TRoom room;
    FillEditRoom(room);
    ASSERT_EQ(AddEntry(room, GridKind::Sources).result, CellEdit::Changed);
    const int scatt = kMaterialFirstBand + static_cast<int>(room.NumBands);
    const struct {
        GridKind kind;
        int col;
        const char* text;
        CellEdit::Result result;
        const char* shown; // the cell afterwards
    } cases[] = {
        {GridKind::Materials, kMaterialFirstBand, "1.5", CellEdit::Refused, "0.00"},
        {GridKind::Materials, kMaterialFirstBand, " 1 ", CellEdit::Changed, "1.00"},
        {GridKind::Materials, scatt, "1.01", CellEdit::Refused, "0.00"},
        {GridKind::Materials, scatt, "0.25", CellEdit::Changed, "0.25"},
        {GridKind::Sources, kSourceX, "1,5", CellEdit::Refused, "2.00"},
        {GridKind::Sources, kSourceX, "2", CellEdit::Unchanged, "2.00"},
        {GridKind::Sources, kSourceSPL, "100", CellEdit::Changed, "100.0"},
        {GridKind::Sources, kSourceType, "SrcType02", CellEdit::Changed, "SrcType02"},
        {GridKind::PlaneLayers, kPlaneLayerMaterial, "glass", CellEdit::Refused, "wall"},
        {GridKind::PlaneLayers, kPlaneLayerColor, "256 0 0", CellEdit::Refused, "-1 -1 -1"},
        {GridKind::PlaneLayers, kPlaneLayerColor, "10 20 30", CellEdit::Changed, "10 20 30"},
        {GridKind::SourceLayers, kSourceLayerPattern, "CARDIOID", CellEdit::Changed, "CARDIOID"},
        {GridKind::SourceLayers, kSourceLayerPattern, "CARDIOD", CellEdit::Refused, "CARDIOID"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const CellEdit edit = EditCell(room, c.kind, 0, c.col, c.text);
        EXPECT_EQ(edit.result, c.result);
        EXPECT_EQ(edit.result == CellEdit::Refused, !edit.message.empty()) << edit.message;
        EXPECT_EQ(RowsOf(room, c.kind)[0][c.col], c.shown);
    }
    EXPECT_FLOAT_EQ(room.material[0].dif.back(), 0.25f);
    EXPECT_FLOAT_EQ(room.source[0].power, static_cast<float>(SPL2Power(100.0)));
    // Sources radiate with their own type's pattern, which follows the type.
    EXPECT_EQ(room.source[0].directivity, room.sourceLayer[1].directivity);
    EXPECT_EQ(EditSourceLayerCell(room, 1, kSourceLayerPattern, "HYPERCARD").result,
              CellEdit::Changed);
    EXPECT_EQ(room.source[0].directivity->GetPatternName(), "HYPERCARD");
    EXPECT_NE(
        console.text.find("Value of cell at (0, 5) changed and is now \"100\" (was \"94.0\")"),
        std::string::npos);
}

TEST(GridEditing, GainsAreTypedInDecibelsAndKeptAsPower)
{
    ConsoleRecorder console;
    TRoom room;
    FillEditRoom(room);
    const int band = kSourceLayerFirstBand + 3;
    const struct {
        const char* text;
        float power;
        const char* shown;
    } cases[] = {{"-3", 0.5011872f, "-3.0"}, {"10", 10.0f, "10.0"}, {"-200", 1e-20f, "-60.0"},
                 {"3dB", 1e-20f, "-60.0"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EditSourceLayerCell(room, 0, band, c.text);
        EXPECT_NEAR(room.sourceLayer[0].spectrum[3], c.power, c.power * 1e-5);
        EXPECT_EQ(SourceLayerRows(room)[0][band], c.shown);
    }
}

TEST(GridEditing, ReceiverRadiusIsKeptInItsRange)
{
    ConsoleRecorder console;
    TRoom room;
    FillEditRoom(room);
    ASSERT_EQ(AddReceiverEntry(room).result, CellEdit::Changed);
    const CellEdit edit = EditReceiverCell(room, 0, kReceiverRadius, "1.5");
    EXPECT_EQ(edit.result, CellEdit::Changed);
    EXPECT_FALSE(edit.message.empty()); // told it was cut back
    EXPECT_DOUBLE_EQ(room.receiver[0].Radius, TReceiver::kMaxRadius);
    EXPECT_FLOAT_EQ(room.receiver[0].RecFactor, 0.5641895835477563f / 0.9f);
}

TEST(GridEditing, NewMaterialTakesTheFirstUnusedNumber)
{
    ConsoleRecorder console;
    TRoom room;
    for (int i = 0; i < 3; ++i) {
        AddMaterialEntry(room);
    }
    const TMaterial fourth = NewMaterial(room);
    EXPECT_EQ(fourth.nome, "Material_04");
    EXPECT_EQ(fourth.abs, std::vector<float>(room.NumBands, 0.01f));
    EXPECT_EQ(DeleteRows(room, GridKind::Materials, {1}).result, CellEdit::Changed);
    EXPECT_EQ(NewMaterial(room).nome, "Material_02");
}

TEST(GridEditing, NewSourceInARoomWithoutTypes)
{
    ConsoleRecorder console;
    TRoom room;
    FillBoxRoom(room, 4, 5, 3);
    const CellEdit edit = AddSourceEntry(room);
    EXPECT_EQ(edit.result, CellEdit::Changed);
    EXPECT_TRUE(edit.refillSourceLayers);
    ASSERT_EQ(room.NumSources, 1u);
    ASSERT_EQ(room.NumSourceLayers, 1u);
    EXPECT_EQ(room.sourceLayer[0].layername, "SRC_LAYER_1");
    const TSource& s = room.source[0];
    EXPECT_EQ(s.Position, TPoint3D::Make(2.0, 2.5, 1.5)); // the middle of the box
    EXPECT_FLOAT_EQ(s.power, static_cast<float>(SPL2Power(94.0)));
    ASSERT_NE(s.directivity, nullptr);
    EXPECT_EQ(s.directivity, room.sourceLayer[0].directivity);
}

TEST(GridEditing, EntriesThatNeedAnotherAreRefusedWithoutIt)
{
    ConsoleRecorder console;
    TRoom room;
    for (GridKind kind : {GridKind::PlaneLayers, GridKind::Receivers}) {
        EXPECT_FALSE(AddEntry(room, kind).message.empty());
        EXPECT_TRUE(NamesOf(room, kind).empty());
    }
}

TEST(GridEditing, DeleteRowsDeletesExactlyTheSelection)
{
    ConsoleRecorder console;
    TRoom room;
    FillEditRoom(room);
    AddSourceLayerEntry(room);
    AddSourceLayerEntry(room);
    ASSERT_EQ(AddSourceEntry(room).result, CellEdit::Changed); // on SrcType01
    EditSourceCell(room, 0, kSourceType, "SrcType03");
    EXPECT_EQ(DeleteRows(room, GridKind::SourceLayers, {1, 3, 1, 9}).result, CellEdit::Changed);
    EXPECT_EQ(NamesOf(room, GridKind::SourceLayers),
              (std::vector<std::string>{"SrcType01", "SrcType03"}));
    EXPECT_EQ(room.source[0].LayerID, 1);

    const CellEdit used = DeleteRows(room, GridKind::SourceLayers, {1, 0});
    EXPECT_EQ(used.result, CellEdit::Changed);
    EXPECT_EQ(used.message, "Layer SrcType03 is in use by source 1");
    EXPECT_EQ(NamesOf(room, GridKind::SourceLayers), (std::vector<std::string>{"SrcType03"}));
}

TEST(GridEditing, PlanesMovedToAnotherLayerFreeTheOldOne)
{
    ConsoleRecorder console;
    ErrorRecorder errors;
    TRoom room;
    FillEditRoom(room); // "walls" and "PlaneLayer01"
    ASSERT_EQ(SetPlaneLayer(room, 0, 1).result, CellEdit::Changed);
    AddPlaneLayerEntry(room); // "PlaneLayer02"
    ASSERT_EQ(SetPlaneLayer(room, 0, 2).result, CellEdit::Changed);
    EXPECT_EQ(room.planeLayer[0].NumPlanes, 5u);

    const CellEdit refused = DeleteRows(room, GridKind::PlaneLayers, {2});
    EXPECT_EQ(refused.result, CellEdit::Refused);
    EXPECT_EQ(refused.message, "Layer PlaneLayer02 cannot be removed while being used in plane(s)");
    EXPECT_EQ(DeleteRows(room, GridKind::PlaneLayers, {1}).result, CellEdit::Changed);
    EXPECT_EQ(room.plane[0].LayerID, 1);
    EXPECT_EQ(PlanePageFields(room, 0, 2).layer, 1);
    EXPECT_TRUE(errors.texts.empty());
}

TEST(GridEditing, GeometryPage)
{
    ConsoleRecorder console;
    TRoom room;
    FillBoxRoom(room, 4, 5, 3);
    EXPECT_EQ(PlanePageFields(room, 0, 2).vertex,
              (std::array<std::string, 3>{"4.00", "5.00", "0.00"}));
    EXPECT_EQ(PlanePageFields(room, 6, 0).layer, -1);

    const TVector up = room.plane[0].normal;
    EXPECT_TRUE(InvertPlane(room, 0).shapeChanged);
    EXPECT_NEAR(room.plane[0].normal * up, -1.0, 1e-12);
}

TEST(GridEditing, OnlySourcesAndReceiversAskBeforeErasingResults)
{
    ConsoleRecorder console;
    TRoom room;
    FillEditRoom(room);
    ScriptedDialogs dialogs;
    EXPECT_TRUE(ConfirmAdd(dialogs, room, GridKind::Sources)); // nothing to lose yet
    room.ResultsCreated = true;
    EXPECT_TRUE(ConfirmDelete(dialogs, room, GridKind::Materials));
    dialogs.okCancel = {false, true};
    EXPECT_FALSE(ConfirmAdd(dialogs, room, GridKind::Sources));
    EXPECT_TRUE(ConfirmDelete(dialogs, room, GridKind::Receivers));
    EXPECT_EQ(dialogs.questions.size(), 2u) << "none about materials";
    EXPECT_TRUE(AddSourceEntry(room).resultsCleared);
    EXPECT_FALSE(room.ResultsCreated);
}

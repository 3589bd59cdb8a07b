#include <filesystem>
#include <tuple>

#include <gtest/gtest.h>

#include "RoomFixtures.h"
#include "TestFiles.h"
#include "TestSupport.h"
#include "audio/TWavTools.h"
#include "room/TRoom.h"

namespace {

const char* kSettings = "<ENVIRONMENT>\nTEMPERATURE = 20\n</ENVIRONMENT>\n<SIMULATION>\nAURALIZATION = 1\n"
                        "</SIMULATION>\n";
const char* kMaterials = "<MATERIALS>\nconcrete 0.01 0.01 0.02 0.02 0.02 0.03 0.04 0.05 0.05 0.10\n"
                         "</MATERIALS>\n";
const char* kPlaneLayers = "<LAYERS::PLANE>\nwalls concrete\n</LAYERS::PLANE>\n";
const char* kTypes = "<LAYERS::SOURCE>\nomni OMNI 0 0 0 0 0 0 0 0 0\n</LAYERS::SOURCE>\n"
                     "<LAYERS::RECEIVER>\nmic OMNI\n</LAYERS::RECEIVER>\n";

// Loads quietly (the console report of a load is not under test here) and
// returns the exit code of the fatal error that ended the load, or 0.
int Load(TRoom& room, const std::string& path)
{
    const ConsoleRecorder quiet;
    return FatalCode([&] { room.LoadProject(path); });
}

bool Save(TRoom& room, const std::string& path)
{
    const ConsoleRecorder quiet;
    return room.SaveRoom(path);
}

// Loads a project that must fail; returns the exit code and the last message.
std::pair<int, std::string> FailingLoad(const std::string& path)
{
    ErrorRecorder errors;
    TRoom room;
    const int code = Load(room, path);
    EXPECT_NE(code, 0) << "the load succeeded";
    EXPECT_EQ(room.NumPlanes + room.NumMaterials + room.NumSources, 0u) << "the room is emptied";
    return {code, errors.texts.empty() ? std::string() : errors.texts.back()};
}

} // namespace

TEST(TRoomProjectFile, SavedInTheWrittenFormatAndLoadedBackToTheSameBytes)
{
    ScratchFolder folder;
    const std::string written = ReadFileText(FixturePath("room/full_project.txt"));
    const std::string expected = ReadFileText(FixturePath("room/full_project_saved.txt"));
    ASSERT_FALSE(written.empty() || expected.empty());
    std::string crlf;
    for (char c : written) {
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    }
    for (const std::string& text : {written, crlf}) {
        SCOPED_TRACE(text.find('\r') == std::string::npos ? "as written" : "with carriage returns");
        TRoom first;
        ASSERT_EQ(Load(first, folder.Touch("in.txt", text)), 0);
        ASSERT_EQ(first.NumPlaneLayers, 2u);
        EXPECT_EQ(first.planeLayer[0].NumPlanes, 5u) << "counted from the planes";
        EXPECT_EQ(first.ClusterOrderGlobal, 2);
        ASSERT_TRUE(Save(first, folder.Path("a.txt")));
        EXPECT_EQ(first.ProjectFolder, folder.Folder());
        EXPECT_EQ(ReadFileText(folder.Path("a.txt")), expected);
        EXPECT_FALSE(FileExists(folder.Path("a.txt.saving")));
    }
    TRoom second;
    ASSERT_EQ(Load(second, folder.Path("a.txt")), 0);
    ASSERT_TRUE(Save(second, folder.Path("b.txt")));
    EXPECT_EQ(ReadFileText(folder.Path("b.txt")), expected);
}

namespace {

// Every setting of the ENVIRONMENT and SIMULATION sections, for comparing loads.
auto Settings(const TRoom& r)
{
    return std::make_tuple(r.Temperature, r.Pressure, r.Humidity, r.StopDecay, r.FSample, r.MaxLength,
                           r.MaxRayTracReflections, r.ArtificialTailFlag, r.ClusterOrderGlobal,
                           r.ModalFlag, r.HitFilesFlag, r.SaveLateRaysFlag, r.SaveDiffuseRaysFlag,
                           r.SaveLostRays, r.AuralizationFlag, r.ForceVolumeFlag, r.Volume,
                           r.DiffuseProcessing);
}

} // namespace

// No setting at its default, and a sound file that auralization, being off,
// neither uses nor checks (its rate differs from the project's).
TEST(TRoomProjectFile, EverySettingAndSoundFileSurvivesASave)
{
    ScratchFolder folder;
    const std::vector<float> dry(441, 0.1f);
    ASSERT_TRUE(writeWAVData(folder.Path("dry.wav"), dry.data(), 441, 44100, 1));
    const std::string text =
        std::string("<ENVIRONMENT>\nTEMPERATURE = 12.5\nPRESSURE = 0.95\nHUMIDITY = 71.5\n</ENVIRONMENT>\n"
                    "<SIMULATION>\nMAX_TIME = 0.75\nSTOP_DECAY = -45\nSAMPLE_RATE = 48000\n"
                    "MAX_RAYTRAC_REF = 25\nSAVE_LATE_RAYS = 1\nDIFFUSE_PROCESSING = 1\nSAVE_DIFFUSE_RAYS = 1\n"
                    "ARTIFICIAL_TAIL = 1\nAURALIZATION = 0\nCLUSTER_ORDER = 3\nMODAL_SIM = 1\nHIT_FILES = 1\n"
                    "SAVE_LOST_RAYS = 0\nSET_VOLUME = 123.4\n</SIMULATION>\n") +
        kTypes + "<SOURCES>\n1 1 1 100 0 0 90 omni dry.wav\n</SOURCES>\n";
    ErrorRecorder errors;
    TRoom first, second;
    ASSERT_EQ(Load(first, folder.Touch("in.txt", text)), 0);
    ASSERT_TRUE(Save(first, folder.Path("a.txt")));
    ASSERT_EQ(Load(second, folder.Path("a.txt")), 0);
    ASSERT_TRUE(Save(second, folder.Path("b.txt")));
    EXPECT_EQ(Settings(second), Settings(first));
    EXPECT_EQ(first.ClusterOrderGlobal, 3);
    EXPECT_EQ(first.Volume, static_cast<double>(123.4f));
    ASSERT_EQ(second.NumSources, 1u);
    EXPECT_EQ(second.source[0].SoundFile, folder.Path("dry.wav"));
    EXPECT_EQ(ReadFileText(folder.Path("b.txt")), ReadFileText(folder.Path("a.txt")));
    EXPECT_TRUE(errors.texts.empty()) << errors.texts.front();
}

TEST(TRoomProjectFile, MergingSkipsDuplicatesAndAppends)
{
    ScratchFolder folder;
    TRoom room;
    ASSERT_EQ(Load(room, FixturePath("room/full_project.txt")), 0);
    const std::string import = folder.Touch(
        "import.txt",
        "<MATERIALS>\ncarpet 0.9 0.9 0.9 0.9 0.9 0.9 0.9 0.9 0.9 0.9\n"
        "glass 0.2 0.2 0.2 0.2 0.2 0.2 0.2 0.2 0.2 0.05\n</MATERIALS>\n"
        "<LAYERS::PLANE>\nwalls concrete\nwindows glass\n</LAYERS::PLANE>\n"
        "<PLANES>\n3 1 0 1 2 0 1 1 0 2 windows\n</PLANES>\n"
        "<LAYERS::SOURCE>\nomni OMNI 0 0 0 0 0 0 0 0 0\nextra OMNI 1 1 1 1 1 1 1 1 1\n</LAYERS::SOURCE>\n"
        "<SOURCES>\n2 2 2 100 0 0 80 extra\n</SOURCES>\n"
        "<LAYERS::RECEIVER>\nmic OMNI\n</LAYERS::RECEIVER>\n<RECEIVERS>\n1 1 1 0.5 0 mic\n</RECEIVERS>\n");
    const ConsoleRecorder quiet;
    room.AddPlaneLayersTxt(import);
    room.AddPlanesTxT(import);
    room.AddMaterialsTxt(import);
    room.AddReceiverLayersTxt(import);
    room.AddReceiversTxt(import);
    room.AddSourceLayersTxt(import);
    room.AddSourcesTxt(import);

    ASSERT_EQ(room.NumMaterials, 3u);
    EXPECT_FLOAT_EQ(room.material[1].abs[0], 0.05f) << "the existing carpet keeps its coefficients";
    ASSERT_EQ(room.NumPlaneLayers, 3u);
    EXPECT_EQ(room.planeLayer[2].MatID, -1) << "glass was not known when the layer was merged";
    ASSERT_EQ(room.NumPlanes, 7u);
    EXPECT_EQ(room.plane[6].LayerID, 2);
    EXPECT_EQ(room.planeLayer[2].NumPlanes, 1u);
    EXPECT_EQ(room.NumSourceLayers, 3u);
    ASSERT_EQ(room.NumSources, 3u);
    EXPECT_EQ(room.source[2].Name, "src 03");
    EXPECT_EQ(room.source[2].LayerID, 2);
    EXPECT_EQ(room.NumReceiverLayers, 1u);
    EXPECT_EQ(room.NumReceivers, 3u);
}

TEST(TRoomProjectFile, SoundFilesAreSavedRelativeToTheProject)
{
    ScratchFolder folder;
    const std::filesystem::path project = std::filesystem::path(folder.Folder()) / "hall";
    std::filesystem::create_directories(project / "sounds");
    const std::vector<float> dry(4410, 0.1f);
    ASSERT_TRUE(writeWAVData((project / "sounds" / "dry.wav").string(), dry.data(), 4410, 44100, 1));
    const std::string text = std::string(kSettings) + kTypes +
                             "<SOURCES>\n1 1 1 100 0 0 90 omni sounds/dry.wav\n2 2 2 100 0 0 90 omni NONE\n"
                             "</SOURCES>\n";
    std::ofstream((project / "hall.txt").string()) << text;

    TRoom room;
    ASSERT_EQ(Load(room, (project / "hall.txt").string()), 0);
    ASSERT_EQ(room.NumSources, 2u);
    ASSERT_TRUE(room.source[0].SoundFileFlag);
    ASSERT_TRUE(Save(room, (project / "hall.txt").string()));
    const std::string saved = ReadFileText((project / "hall.txt").string());
    EXPECT_NE(saved.find(" omni sounds/dry.wav\n"), std::string::npos) << saved;

    // The project moves with its sounds.
    const std::filesystem::path moved = std::filesystem::path(folder.Folder()) / "moved";
    std::filesystem::rename(project, moved);
    TRoom reloaded;
    ASSERT_EQ(Load(reloaded, (moved / "hall.txt").string()), 0);
    ASSERT_EQ(reloaded.NumSources, 2u);
    EXPECT_TRUE(reloaded.source[0].SoundFileFlag);
    EXPECT_EQ(reloaded.source[0].SoundFile, (moved / "sounds" / "dry.wav").string());
}

TEST(TRoomProjectFile, MalformedProjectsFailWithTheirMessages)
{
    ScratchFolder folder;
    struct Case {
        const char* name;
        std::string text;
        std::string message;
    };
    const std::string longName(5000, 'x');
    const Case cases[] = {
        {"blank line in materials",
         std::string(kSettings) + "<MATERIALS>\nconcrete 0.01 0.01 0.02 0.02 0.02 0.03 0.04 0.05 0.05 0.10\n\n"
                                  "</MATERIALS>\n",
         "Wrong number of parameters on MATERIALS section, line 2.\nShould be 11 instead of 1 items."},
        {"non-numeric absorption",
         std::string(kSettings) + "<MATERIALS>\nconcrete 0.01 0.01 abc 0.02 0.02 0.03 0.04 0.05 0.05 0.10\n"
                                  "</MATERIALS>\n",
         "Invalid value \"abc\" on MATERIALS section, line 1."},
        {"source with 10 fields",
         std::string(kSettings) + kTypes + "<SOURCES>\n1 1 1 100 0 0 90 omni NONE extra\n</SOURCES>\n",
         "Wrong number of parameters reading source 1 from file %PATH%!\nClick OK to exit."},
        {"source on an unknown type",
         std::string(kSettings) + kTypes + "<SOURCES>\n1 1 1 100 0 0 90 speaker NONE\n</SOURCES>\n",
         "Layer [speaker] associated to source [1] is not defined in <LAYERS:SOURCE> section"},
        {"non-numeric source coordinate",
         std::string(kSettings) + kTypes + "<SOURCES>\n1 1,5 1 100 0 0 90 omni NONE\n</SOURCES>\n",
         "Invalid value \"1,5\" reading source 1 from file %PATH%!"},
        {"receiver on an unknown type",
         std::string(kSettings) + kTypes + "<RECEIVERS>\n1 1 1 0.3 0 head\n</RECEIVERS>\n",
         "Layer [head] associated to receiver [1] not defined in <LAYERS:RECEIVER> section"},
        {"plane on an unknown layer",
         std::string(kSettings) + kMaterials + kPlaneLayers + "<PLANES>\n3 0 0 0 1 0 0 0 1 0 floor\n</PLANES>\n",
         "A Layer associada ao plano 1 (floor) não está na lista de layers de planos.\n"},
        {"plane with a non-numeric coordinate",
         std::string(kSettings) + kMaterials + kPlaneLayers + "<PLANES>\n3 0 0 0 1 0 0 0 y 0 walls\n</PLANES>\n",
         "Invalid value \"y\" on PLANES section, line 1."},
        {"plane with too few coordinates",
         std::string(kSettings) + kMaterials + kPlaneLayers + "<PLANES>\n4 0 0 0 1 0 0 0 1 0 walls\n</PLANES>\n",
         "Wrong number of parameters on PLANES section, line 1.\nShould be 14 instead of 11 items."},
        {"planes without plane layers",
         std::string(kSettings) + "<PLANES>\n3 0 0 0 1 0 0 0 1 0 walls\n</PLANES>\n",
         "Erro de programação: é preciso carregar as layer dos planos ANTES de carregar os planos.\n"},
        {"plane layer with an unknown material",
         std::string(kSettings) + kMaterials + "<LAYERS::PLANE>\nwalls marble\n</LAYERS::PLANE>\n",
         "Error: Material 'marble' associated to layer 'walls' was not found in the material list."},
        {"a 5000-character material line",
         std::string(kSettings) + "<MATERIALS>\n" + longName + " 0.1 0.1\n</MATERIALS>\n",
         "Wrong number of parameters on MATERIALS section, line 1.\nShould be 11 instead of 3 items."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = folder.Touch("bad.txt", c.text);
        std::string expected = c.message;
        if (const auto at = expected.find("%PATH%"); at != std::string::npos) {
            expected.replace(at, 6, path);
        }
        EXPECT_EQ(FailingLoad(path), std::make_pair(1, expected));
    }
}

TEST(TRoomProjectFile, SkippedRecordsAndMissingFiles)
{
    ScratchFolder folder;
    ErrorRecorder errors;
    const std::string path = folder.Touch(
        "p.txt", std::string(kSettings) + kMaterials +
                     "<LAYERS::PLANE>\nwalls concrete\nbroken concrete 1 2\n</LAYERS::PLANE>\n" +
                     "<LAYERS::SOURCE>\nomni OMNI 0 0 0 0 0 0 0 0 0\n</LAYERS::SOURCE>\n"
                     "<LAYERS::RECEIVER>\nmic OMNI\nhead HEAD extra\n</LAYERS::RECEIVER>\n"
                     "<SOURCES>\n1 1 1 100 0 0 90 omni\n</SOURCES>\n"
                     "<RECEIVERS>\n1 1 1 0.3 0 mic\n1 1 1 0.3 mic\n</RECEIVERS>\n");
    TRoom room;
    ASSERT_EQ(Load(room, path), 0);
    ASSERT_EQ(room.NumPlaneLayers, 2u);
    ASSERT_EQ(room.NumSources, 1u);
    EXPECT_EQ(room.planeLayer[1].nome, "NoName") << "a malformed layer line keeps the defaults";
    EXPECT_EQ(room.NumReceiverLayers, 1u);
    EXPECT_EQ(room.NumReceivers, 1u) << "a 5-field receiver line is skipped";
    EXPECT_EQ(room.source[0].SoundFile, "NONE");
    const std::vector<std::string> expected = {
        "Wrong number of parameters (4) for LAYERS:PLANE section line 2",
        "Wrong number of parameters (4) for LAYER broken. (Should be 2 or 5).",
        "Wrong number of parameters (3) for LAYERS:RECEIVER section line 2.\nShould be 2 items."};
    EXPECT_EQ(errors.texts, expected);

    EXPECT_EQ(FailingLoad(folder.Path("none.txt")),
              std::make_pair(1, "Cannot open " + folder.Path("none.txt") + " for reading\n"));
}

TEST(TRoomProjectFile, FailedSaveKeepsThePreviousFile)
{
    ScratchFolder folder;
    TRoom room;
    ASSERT_EQ(Load(room, FixturePath("room/full_project.txt")), 0);
    const std::string path = folder.Touch("hall.txt", "previous contents\n");

    // Something in the way of the temporary file makes the save fail, whoever runs the test.
    std::filesystem::create_directory(path + ".saving");
    ErrorRecorder errors;
    EXPECT_FALSE(Save(room, path));
    EXPECT_EQ(ReadFileText(path), "previous contents\n");
    EXPECT_EQ(errors.texts, std::vector<std::string>{"\n O arquivo " + path + " nao pode ser aberto para escrita!\n"});
}

TEST(TRoomProjectFile, SettingsOutsideTheirRangesAreRefusedByName)
{
    const struct {
        const char* setting; // replaces the line that starts with its key
        const char* key;
    } cases[] = {
        {"SAMPLE_RATE = 0", "SAMPLE_RATE"},      {"SAMPLE_RATE = 1e39", "SAMPLE_RATE"},
        {"SAMPLE_RATE = 10000000", "SAMPLE_RATE"}, {"TEMPERATURE = -300", "TEMPERATURE"},
        {"PRESSURE = 0", "PRESSURE"},            {"HUMIDITY = 120", "HUMIDITY"},
        {"MAX_TIME = 100000", "MAX_TIME"},       {"STOP_DECAY = 10", "STOP_DECAY"},
    };
    const std::string text = ReadFileText(RequiredFile(std::string(VELTO_EXAMPLES_DIR) + "/shoebox/shoebox.txt"));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.setting);
        const std::string key = std::string(c.setting).substr(0, std::string(c.setting).find(' '));
        const auto at = text.find(key + " =");
        ASSERT_NE(at, std::string::npos);
        const std::string changed =
            text.substr(0, at) + c.setting + text.substr(text.find('\n', at));
        ScratchFolder folder;
        const std::string path = folder.Touch("room.txt", changed);
        ErrorRecorder errors;
        const ConsoleRecorder quiet;
        TRoom room;
        EXPECT_EQ(FatalCode([&] { room.LoadAndAnalyse(path); }), 1);
        ASSERT_EQ(errors.texts.size(), 1u);
        EXPECT_NE(errors.texts[0].find(c.key), std::string::npos) << errors.texts[0];
    }
}

TEST(TRoomProjectFile, RunsThatCannotBeHeldAreRefusedBeforeAllocating)
{
    TRoom room;
    const ConsoleRecorder quiet;
    ErrorRecorder errors;
    FillBoxRoom(room, 6, 4, 3, 0.2f);
    room.MaxLength = 60 * 48000;
    room.AddSource(TSource(TPoint3D::Make(1, 1, 1), 0.01f, -1, 100, 0.0f, 0.0f, room.NumBands, "NONE"));
    for (int r = 0; r < 40; ++r) {
        room.AddReceiver(TReceiver(TPoint3D::Make(3, 2, 1.5), 0.3, 0.0, -1));
    }
    // 40 pairs x 10 responses x 2.88 M floats, and the 9 early bands of the
    // two pairs built at once: 4.8 GB.
    room.NumThreads = 2;
    EXPECT_NEAR(room.ResultMemoryBytes(), (40.0 * 10 + 2 * 9) * 60 * 48000 * 4, 1.0);
    EXPECT_EQ(FatalCode([&] { room.CheckResultMemory(4.0 * 1024 * 1024 * 1024); }), 1);
    EXPECT_EQ(FatalCode([&] { room.CheckResultMemory(64.0 * 1024 * 1024 * 1024); }), 0);
    EXPECT_EQ(FatalCode([&] { room.PrepareSimulation(1000000000u); }), 1);
    ASSERT_EQ(errors.texts.size(), 2u);
    EXPECT_NE(errors.texts[0].find("4.5 GB"), std::string::npos) << errors.texts[0];
    EXPECT_NE(errors.texts[1].find("10000000"), std::string::npos) << errors.texts[1];
}

#include "room/Environment.h"

#include <cmath>

#include <gtest/gtest.h>

#include "TestFiles.h"
#include "TestSupport.h"
#include "room/TRoom.h"

namespace {

// ISO 9613-1 written out with its reference values, independent of the folded
// constants of the implementation; nepers per metre. The folded constants
// round the standard's to within a quarter of a percent.
double IsoAttenuation(double tempC, double humidity, double f)
{
    const double T = tempC + 273.15, T0 = 293.15, T01 = 273.16;
    const double psat = std::pow(10.0, -6.8346 * std::pow(T01 / T, 1.261) + 4.6151);
    const double h = humidity * psat;
    const double frO = 24.0 + 4.04e4 * h * (0.02 + h) / (0.391 + h);
    const double frN =
        std::pow(T / T0, -0.5) * (9.0 + 280.0 * h * std::exp(-4.170 * (std::pow(T / T0, -1.0 / 3.0) - 1.0)));
    return f * f *
           (1.84e-11 * std::sqrt(T / T0) +
            std::pow(T / T0, -2.5) * (0.01275 * std::exp(-2239.1 / T) / (frO + f * f / frO) +
                                      0.1068 * std::exp(-3352.0 / T) / (frN + f * f / frN)));
}

std::string ProjectWithSettings(const std::string& environment, const std::string& simulation)
{
    return "<ENVIRONMENT>\n" + environment + "</ENVIRONMENT>\n\n<SIMULATION>\n" + simulation +
           "</SIMULATION>\n";
}

} // namespace

TEST(CalculateAirAbsCoefs, AgreesWithTheStandardsEquations)
{
    EXPECT_EQ(BandFrequency(0), 62.5f);
    EXPECT_EQ(BandFrequency(8), 16000.0f);
    double out[9];
    CalculateAirAbsCoefs(293.15f, 1.0f, 50.0f, 9, out);
    EXPECT_NEAR(out[4], 5.37e-4, 0.01e-4) << "4.67 dB/km at 1 kHz, 20 C, 50 %";
    EXPECT_NEAR(out[8], 0.042, 0.001);
    for (double tempC : {-10.0, 0.0, 10.0, 20.0, 30.0}) {
        for (double humidity : {10.0, 30.0, 50.0, 80.0, 100.0}) {
            CalculateAirAbsCoefs(static_cast<float>(tempC + 273.15), 1.0f, static_cast<float>(humidity), 9, out);
            for (unsigned b = 0; b < 9; ++b) {
                SCOPED_TRACE(testing::Message() << tempC << " C, " << humidity << " %, band " << b);
                const double expected = IsoAttenuation(tempC, humidity, BandFrequency(b));
                EXPECT_NEAR(out[b], expected, 3e-3 * expected);
                if (b > 0) {
                    EXPECT_GT(out[b], out[b - 1]);
                }
            }
        }
    }
}

TEST(TRoom, EnvironmentSettingsAndDefaults)
{
    const ConsoleRecorder quiet;
    ScratchFolder folder;
    TRoom room;
    // A commented-out setting is not read; a unit after the value is ignored.
    room.EnviromentSetupTXT(folder.Touch("p.txt", ProjectWithSettings("TEMPERATURE = 25\n",
                                                                      "MAX_RAYTRAC_REF = 5.9\nSET_VOLUME = 0\n"
                                                                      "# MAX_TIME = 9\nSAMPLE_RATE = 48000\n"
                                                                      "MAX_TIME = 0.5\nSTOP_DECAY = -45 dB\n")));
    EXPECT_FLOAT_EQ(room.VSound, 346.4f);
    EXPECT_EQ(room.MaxRayTracReflections, 5);
    EXPECT_EQ(room.ForceVolumeFlag, 0);
    EXPECT_EQ(room.MaxLength, 24000u);
    EXPECT_EQ(room.StopDecay, -45.0f);
    // Defaults of what is not set.
    EXPECT_EQ(room.Humidity, 40.0);
    EXPECT_EQ(room.ClusterOrderGlobal, -1) << "automatic";
    EXPECT_TRUE(room.AuralizationFlag);
    EXPECT_EQ(room.DiffuseProcessing, 0u);

    TRoom other;
    other.EnviromentSetupTXT(folder.Touch("q.txt", ProjectWithSettings("TEMPERATURE = 20\n",
                                                                       "SET_VOLUME = 250\nDIFFUSE_PROCESSING = 1\n"
                                                                       "AURALIZATION = 0\nMAX_TIME = 60\n")));
    EXPECT_FLOAT_EQ(other.VSound, 343.4f);
    EXPECT_EQ(other.ForceVolumeFlag, 1);
    EXPECT_EQ(other.Volume, 250.0);
    EXPECT_EQ(other.DiffuseProcessing, 1u);
    EXPECT_FALSE(other.AuralizationFlag);
    EXPECT_EQ(other.MaxLength, 60u * 44100u) << "the longest response accepted";
}

// Slashes are what every load and save goes through; a backslash splits too.
TEST(TRoom, PathSetupSplitsAtEitherSeparator)
{
    const ConsoleRecorder quiet;
    TRoom room;
    room.PathSetup("C:\\projects\\hall\\hall.txt");
    EXPECT_EQ(room.ProjectFolder, "C:\\projects\\hall");
    EXPECT_EQ(room.ProjectName, "hall.txt");
    room.PathSetup("bare.txt");
    EXPECT_EQ(room.ProjectFolder, CurrentFolder());
    EXPECT_EQ(room.ProjectName, "bare.txt");
}

TEST(TRoom, CheckRoomLengthensTheResponseForDistantPairs)
{
    TRoom room;
    room.VSound = 343.0f;
    room.SetMaxTime(1.0f);
    room.AddSource(TSource(TPoint3D::Make(0, 0, 0), 0.01f, 0, 12, 0, 0, 9, "NONE"));
    room.AddReceiver(TReceiver(TPoint3D::Make(400, 0, 0), 0.3, 0, 0));
    room.AddReceiver(TReceiver(TPoint3D::Make(10, 0, 0), 0.3, 0, 0));
    const ConsoleRecorder quiet;
    room.CheckRoom();
    EXPECT_NEAR(room.GetMaxTime(), 401.0 / 343.0, 1e-4) << "the farthest pair plus a metre";
    EXPECT_EQ(room.MaxLength, static_cast<unsigned>(room.GetMaxTime() * room.FSample));
}

TEST(TRoom, CleanResultFilesRemovesOnlyResults)
{
    ScratchFolder folder;
    for (const char* name : {"S001-R001.txt", "PARAMS-SALL-RALL.txt", "RAYS-S001-R001-EARLY.txt",
                             "RAYSX.txt", "S001-R002.wav", "SALL-R001.wav", "S002-R001-IR.wav",
                             "hall.txt", "dry.wav", "S001-R001.txt.bak"}) {
        folder.Touch(name);
    }
    TRoom room;
    room.ProjectFolder = folder.Folder();
    const ConsoleRecorder quiet;
    room.CleanResultFiles();
    for (const char* kept : {"hall.txt", "dry.wav", "S001-R001.txt.bak"}) {
        EXPECT_TRUE(FileExists(folder.Path(kept))) << kept;
    }
    for (const char* gone : {"S001-R001.txt", "PARAMS-SALL-RALL.txt", "RAYS-S001-R001-EARLY.txt", "RAYSX.txt",
                             "SALL-R001.wav", "S002-R001-IR.wav", "S001-R002.wav"}) {
        EXPECT_FALSE(FileExists(folder.Path(gone))) << gone;
    }
}

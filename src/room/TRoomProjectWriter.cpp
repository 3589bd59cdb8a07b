// Writers of the project file. Each appends its section(s) to the file; the
// project as a whole is saved by SaveRoom through a temporary file, so that a
// failure part-way leaves the previous project untouched.

#include <charconv>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "directivity/TDirectivity.h"
#include "room/ProjectText.h"
#include "room/TRoom.h"
#include "util/ErrorMessage.h"
#include "util/Platform.h"

namespace fs = std::filesystem;

namespace {

// Opens for appending, runs the writer and closes; false when anything failed.
template <typename Writer>
bool AppendTo(const std::string& path, Writer write)
{
    TFileCloser file(utilOpenFile(path, "at"));
    if (file.get() == nullptr) {
        return false;
    }
    write(file.get());
    const bool written = std::ferror(file.get()) == 0;
    return file.Close() && written;
}

// The sound file as written into a project saved in projectFolder: relative
// when it lies in that folder, so the project can be moved with its sounds.
std::string SoundFileField(const std::string& soundFile, const std::string& projectFolder)
{
    if (soundFile == "NONE") {
        return soundFile;
    }
    std::error_code ec;
    const fs::path file = fs::absolute(soundFile, ec).lexically_normal();
    const fs::path folder = fs::absolute(projectFolder, ec).lexically_normal();
    const fs::path relative = file.lexically_relative(folder);
    if (!relative.empty() && *relative.begin() != "..") {
        return relative.string();
    }
    return file.string();
}

// The reader takes a volume above 0 as the user's own, stored as float: the
// shortest text that reads back as that float keeps it exactly.
std::string ForcedVolumeField(bool forced, double volumeM3)
{
    const float volume = static_cast<float>(volumeM3);
    if (!forced || !(volume > 0.0f) || !std::isfinite(volume)) {
        return "0";
    }
    char text[64];
    const auto result = std::to_chars(text, text + sizeof text, volume, std::chars_format::fixed);
    return std::string(text, result.ptr);
}

std::string FolderOf(const std::string& path)
{
    const fs::path folder = fs::path(path).parent_path();
    return folder.empty() ? CurrentFolder() : folder.string();
}

} // namespace

bool TRoom::SaveSetup(const std::string& path) const
{
    return AppendTo(path, [this](FILE* f) {
        std::fprintf(f, "<ENVIRONMENT>\n");
        std::fprintf(f, "TEMPERATURE = %1.1f\n", Temperature);
        std::fprintf(f, "PRESSURE = %1.2f\n", Pressure);
        std::fprintf(f, "HUMIDITY = %1.1f\n", Humidity);
        std::fprintf(f, "</ENVIRONMENT>\n");
        std::fprintf(f, "\n");
        std::fprintf(f, "<SIMULATION>\n");
        std::fprintf(f, "MAX_TIME = %1.2f\n", static_cast<double>(GetMaxTime()));
        std::fprintf(f, "STOP_DECAY = %1.0f\n", static_cast<double>(StopDecay));
        std::fprintf(f, "SAMPLE_RATE = %1.0f\n", static_cast<double>(FSample));
        std::fprintf(f, "MAX_RAYTRAC_REF = %d\n", MaxRayTracReflections);
        std::fprintf(f, "SAVE_LATE_RAYS = %d\n", static_cast<int>(SaveLateRaysFlag));
        std::fprintf(f, "DIFFUSE_PROCESSING = %d\n", static_cast<int>(DiffuseProcessing));
        std::fprintf(f, "SAVE_DIFFUSE_RAYS = %d\n", static_cast<int>(SaveDiffuseRaysFlag));
        std::fprintf(f, "ARTIFICIAL_TAIL = %d\n", ArtificialTailFlag ? 1 : 0);
        std::fprintf(f, "AURALIZATION = %d\n", AuralizationFlag ? 1 : 0);
        // Settings the window does not show, written back as they were read:
        // -1 reads back as automatic clustering, 0 as a volume to compute.
        std::fprintf(f, "CLUSTER_ORDER = %d\n", ClusterOrderGlobal < 0 ? -1 : ClusterOrderGlobal);
        std::fprintf(f, "MODAL_SIM = %d\n", ModalFlag ? 1 : 0);
        std::fprintf(f, "HIT_FILES = %d\n", static_cast<int>(HitFilesFlag));
        std::fprintf(f, "SAVE_LOST_RAYS = %d\n", static_cast<int>(SaveLostRays));
        std::fprintf(f, "SET_VOLUME = %s\n", ForcedVolumeField(ForceVolumeFlag != 0, Volume).c_str());
        std::fprintf(f, "</SIMULATION>\n");
        std::fprintf(f, "\n");
    });
}

bool TRoom::SaveSourceLayers(const std::string& path) const
{
    return AppendTo(path, [this](FILE* f) {
        std::fprintf(f, "<LAYERS::SOURCE>\n");
        for (const auto& layer : sourceLayer) {
            const std::string pattern = layer.GetDirPatternName();
            std::fprintf(f, "%s %s", layer.layername.c_str(), pattern.empty() ? "OMNI" : pattern.c_str());
            for (float gain : layer.spectrum) {
                std::fprintf(f, " %1.1f", 10.0 * std::log10(gain + 1e-6));
            }
            std::fprintf(f, "\n");
        }
        std::fprintf(f, "</LAYERS::SOURCE>\n");
        std::fprintf(f, "\n");
    });
}

bool TRoom::SaveSources(const std::string& path) const
{
    const std::string folder = FolderOf(path);
    return AppendTo(path, [&](FILE* f) {
        std::fprintf(f, "<SOURCES>\n");
        for (const auto& s : source) {
            const std::string type =
                s.LayerID >= 0 && static_cast<unsigned int>(s.LayerID) < NumSourceLayers
                    ? sourceLayer[s.LayerID].layername
                    : std::string("NONE");
            std::fprintf(f, "%1.2f %1.2f %1.2f ", s.Position.x, s.Position.y, s.Position.z);
            std::fprintf(f, "%d ", static_cast<int>(s.NumberOfRays));
            std::fprintf(f, "%1.1f ", static_cast<double>(s.AzimRotation));
            std::fprintf(f, "%1.1f ", static_cast<double>(s.ElevRotation));
            std::fprintf(f, "%1.1f ", s.GetSPL());
            std::fprintf(f, "%s ", type.c_str());
            std::fprintf(f, "%s\n", SoundFileField(s.SoundFile, folder).c_str());
        }
        std::fprintf(f, "</SOURCES>\n");
        std::fprintf(f, "\n");
    });
}

bool TRoom::SaveReceiverLayers(const std::string& path) const
{
    return AppendTo(path, [this](FILE* f) {
        std::fprintf(f, "<LAYERS::RECEIVER>\n");
        for (const auto& layer : receiverLayer) {
            const std::string pattern = layer.GetDirPatternName();
            std::fprintf(f, "%s %s\n", layer.layername.c_str(), pattern.empty() ? "OMNI" : pattern.c_str());
        }
        std::fprintf(f, "</LAYERS::RECEIVER>\n");
        std::fprintf(f, "\n");
    });
}

bool TRoom::SaveReceivers(const std::string& path) const
{
    return AppendTo(path, [this](FILE* f) {
        std::fprintf(f, "<RECEIVERS>\n");
        for (const auto& r : receiver) {
            const std::string type =
                r.LayerID >= 0 && static_cast<unsigned int>(r.LayerID) < NumReceiverLayers
                    ? receiverLayer[r.LayerID].layername
                    : std::string("NONE");
            std::fprintf(f, "%1.2f %1.2f %1.2f ", r.Position.x, r.Position.y, r.Position.z);
            std::fprintf(f, "%1.1f ", r.Radius);
            std::fprintf(f, "%1.1f ", r.AzimRotation);
            std::fprintf(f, "%s\n", type.c_str());
        }
        std::fprintf(f, "</RECEIVERS>\n");
        std::fprintf(f, "\n");
    });
}

bool TRoom::SaveMaterials(const std::string& path) const
{
    return AppendTo(path, [this](FILE* f) {
        std::fprintf(f, "<MATERIALS>\n");
        for (const auto& m : material) {
            m.WriteOnFile(f);
        }
        std::fprintf(f, "</MATERIALS>\n");
        std::fprintf(f, "\n");
    });
}

bool TRoom::SavePlaneLayers(const std::string& path) const
{
    return AppendTo(path, [this](FILE* f) {
        std::fprintf(f, "<LAYERS::PLANE>\n");
        for (const auto& layer : planeLayer) {
            if (layer.MatID >= 0 && static_cast<unsigned int>(layer.MatID) < NumMaterials) {
                std::fprintf(f, "%s %s\n", layer.nome.c_str(), material[layer.MatID].nome.c_str());
            } else {
                ErrorMessage("PlaneLayer %s not saved because it is NOT ASSOCIATED to a material",
                             layer.nome.c_str());
            }
        }
        std::fprintf(f, "</LAYERS::PLANE>\n");
        std::fprintf(f, "\n");
        std::fprintf(f, "<LAYERS::COLOR>\n");
        for (const auto& layer : planeLayer) {
            std::fprintf(f, "%s %d %d %d\n", layer.nome.c_str(), layer.cor[0], layer.cor[1], layer.cor[2]);
        }
        std::fprintf(f, "</LAYERS::COLOR>\n");
        std::fprintf(f, "\n");
    });
}

bool TRoom::SavePlanes(const std::string& path) const
{
    return AppendTo(path, [this](FILE* f) {
        std::fprintf(f, "<PLANES>\n");
        for (const auto& p : plane) {
            if (p.NumVert <= 2) {
                continue;
            }
            p.WriteVertexes(f);
            const std::string layer =
                p.LayerID >= 0 && static_cast<unsigned int>(p.LayerID) < NumPlaneLayers
                    ? planeLayer[p.LayerID].nome
                    : std::string("NONE");
            std::fprintf(f, "%s\n", layer.c_str());
        }
        std::fprintf(f, "</PLANES>\n");
        std::fprintf(f, "\n");
    });
}

bool TRoom::SaveRoom(const std::string& path)
{
    const std::string temporary = path + ".saving";
    // Check that the target folder takes new files before anything is written.
    {
        TFileCloser probe(std::fopen(temporary.c_str(), "wt"));
        if (probe.get() == nullptr) {
            ErrorMessage("\n O arquivo %s nao pode ser aberto para %s!\n", path.c_str(), "escrita");
            return false;
        }
    }
    const bool written = SaveSetup(temporary) && SaveSourceLayers(temporary) &&
                         SaveSources(temporary) && SaveReceiverLayers(temporary) &&
                         SaveReceivers(temporary) && SaveMaterials(temporary) &&
                         SavePlaneLayers(temporary) && SavePlanes(temporary);
    std::error_code ec;
    if (written) {
        fs::rename(temporary, path, ec);
    }
    if (!written || ec) {
        fs::remove(temporary, ec);
        ErrorMessage("\n O arquivo %s nao pode ser aberto para %s!\n", path.c_str(), "escrita");
        return false;
    }
    PathSetup(path);
    return true;
}

bool WriteDefaultSetup(const std::string& path)
{
    return AppendTo(path, [](FILE* f) {
        std::fputs("\n<ENVIRONMENT>\nTEMPERATURE = 20.0\nPRESSURE = 1.0\nHUMIDITY = 40\n"
                   "</ENVIRONMENT>\n\n<SIMULATION>\nMAX_TIME = 2.0\nSTOP_DECAY = -60\n"
                   "MAX_RAYTRAC_REF = -1\nAURALIZATION = 0\nARTIFICIAL_TAIL = 0\n</SIMULATION>\n\n",
                   f);
    });
}

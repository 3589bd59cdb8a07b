// Readers of the project file's sections. Each opens the file itself, reads
// its section and adds what it reads to the room; a malformed record that the
// project cannot be used without is fatal (FatalError, exit code 1).
//
// Records are read a line at a time and converted field by field: a number
// that does not convert is treated like a wrong field count of its section.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>

#include "audio/TWavTools.h"
#include "directivity/TDirectivity.h"
#include "room/Environment.h"
#include "room/ProjectText.h"
#include "room/TRoom.h"
#include "util/Console.h"
#include "util/ErrorMessage.h"
#include "util/Platform.h"

namespace {

// The record lines of a section, searched from the start of the file.
std::vector<std::string> SectionRecords(FILE* file, const std::string& section)
{
    std::vector<std::string> records;
    std::rewind(file);
    if (!Busca(file, "<" + section + ">")) {
        return records;
    }
    const std::string closing = "</" + section + ">";
    std::string line;
    while (ReadLine(file, line) && line.find(closing) == std::string::npos) {
        records.push_back(line);
    }
    return records;
}

// Converts a record's fields in order; the first field that is missing or not
// a number is remembered for the error message.
class TFieldReader {
public:
    explicit TFieldReader(const std::string& line) : m_fields(SplitFields(line)) {}

    std::size_t Count() const { return m_fields.size(); }
    bool Ok() const { return m_ok; }
    const std::string& BadField() const { return m_bad; }

    std::string Text()
    {
        if (m_next < m_fields.size()) {
            return m_fields[m_next++];
        }
        Fail("(missing)");
        return {};
    }
    double Double()
    {
        const std::string token = Text();
        if (const auto value = ParseDouble(token)) {
            return *value;
        }
        Fail(token);
        return 0.0;
    }
    int Int()
    {
        const std::string token = Text();
        if (const auto value = ParseInt(token)) {
            return *value;
        }
        Fail(token);
        return 0;
    }

private:
    void Fail(const std::string& token)
    {
        if (m_ok) {
            m_ok = false;
            m_bad = token.empty() ? "(missing)" : token;
        }
    }

    std::vector<std::string> m_fields;
    std::size_t m_next = 0;
    bool m_ok = true;
    std::string m_bad;
};

std::string InvalidField(const std::string& section, int line, const std::string& field)
{
    return FormatText("Invalid value \"%s\" on %s section, line %d.", field.c_str(),
                      section.c_str(), line);
}

} // namespace

std::vector<std::string> TRoom::ReadSection(const std::string& path, const std::string& section)
{
    TFileCloser file(OpenForReading(path));
    return SectionRecords(file.get(), section);
}

FILE* TRoom::OpenForReading(const std::string& path)
{
    FILE* file = std::fopen(path.c_str(), "rt");
    if (file == nullptr) {
        FailLoad(1, FormatText("Cannot open %s for reading\n", path.c_str()));
    }
    return file;
}

void TRoom::AddMaterialsTxt(const std::string& path)
{
    TFileCloser file(OpenForReading(path));
    const int expected = static_cast<int>(NumBands) + 2;
    if (const int line = CheckNumberOfParams(file.get(), "MATERIALS", expected, true); line != 0) {
        throw FatalError(FormatText("Wrong number of parameters on MATERIALS section, line %d.", line), 1);
    }
    const auto records = SectionRecords(file.get(), "MATERIALS");
    std::vector<TMaterial> materials = material;
    for (std::size_t k = 0; k < records.size(); ++k) {
        TFieldReader fields(records[k]);
        const std::string name = fields.Text();
        const bool known = std::any_of(materials.begin(), materials.end(),
                                       [&](const TMaterial& m) { return m.nome == name; });
        if (known) {
            continue;
        }
        TMaterial m(NumBands);
        m.SetName(name);
        for (unsigned int b = 0; b < NumBands; ++b) {
            const float a = static_cast<float>(fields.Double());
            m.abs[b] = a >= 1.0f ? 0.999f : a;
        }
        m.dif.assign(NumBands, static_cast<float>(fields.Double()));
        if (!fields.Ok()) {
            Fatal(1, "%s", InvalidField("MATERIALS", static_cast<int>(k) + 1, fields.BadField()).c_str());
        }
        m.AverageAbsortion();
        materials.push_back(m);
    }
    CreateMaterials(materials);
}

void TRoom::AddPlaneLayersTxt(const std::string& path)
{
    const std::vector<std::string> records = ReadSection(path, "LAYERS::PLANE");
    if (records.empty()) {
        return;
    }
    if (NumPlaneLayers == 0) {
        ReadPlaneLayersTxt(path);
        return;
    }
    std::vector<TPlaneLayer> layers = planeLayer;
    for (std::size_t i = 0; i < records.size(); ++i) {
        const int items = utilGetNumLineItems(records[i]);
        TFieldReader fields(records[i]);
        const std::string name = fields.Text();
        const bool known = std::any_of(layers.begin(), layers.end(),
                                       [&](const TPlaneLayer& l) { return l.nome == name; });
        if (known) {
            continue;
        }
        TPlaneLayer layer(name);
        layer.MatID = GetMaterialID(fields.Text());
        layer.SetColor(200, 200, 200);
        if (items == 5) {
            const int r = fields.Int(), g = fields.Int(), b = fields.Int();
            layer.SetColor(r, g, b);
        }
        if ((items != 2 && items != 5) || !fields.Ok()) {
            ErrorMessage("Wrong number of parameters (%d) for LAYERS:PLANE section line %d", items,
                         static_cast<int>(i) + 1);
            continue;
        }
        layers.push_back(layer);
    }
    CreatePlaneLayers(layers);
}

void TRoom::ReadPlaneLayersTxt(const std::string& path)
{
    const std::vector<std::string> records = ReadSection(path, "LAYERS::PLANE");
    std::vector<TPlaneLayer> layers(records.size());
    for (std::size_t i = 0; i < records.size(); ++i) {
        const int items = utilGetNumLineItems(records[i]);
        TFieldReader fields(records[i]);
        TPlaneLayer layer;
        if (items == 2 || items == 5) {
            layer.nome = fields.Text();
            layer.MatID = GetMaterialID(fields.Text());
            if (items == 5) {
                const int r = fields.Int(), g = fields.Int(), b = fields.Int();
                layer.SetColor(r, g, b);
            } else {
                layer.SetColor(200, 200, 200);
            }
        }
        if ((items != 2 && items != 5) || !fields.Ok()) {
            ErrorMessage("Wrong number of parameters (%d) for LAYERS:PLANE section line %d", items,
                         static_cast<int>(i) + 1);
            continue;
        }
        layers[i] = layer;
    }
    CreatePlaneLayers(layers);
}

void TRoom::AssociatePlaneLayersTxT(const std::string& path)
{
    const std::vector<std::string> records = ReadSection(path, "LAYERS::PLANE");
    for (const auto& record : records) {
        const int items = utilGetNumLineItems(record);
        TFieldReader fields(record);
        const std::string layerName = fields.Text();
        if (items != 2 && items != 5) {
            ErrorMessage("Wrong number of parameters (%d) for LAYER %s. (Should be 2 or 5).", items,
                         layerName.c_str());
        }
        const std::string materialName = fields.Text();
        if (items == 5) {
            const int r = fields.Int(), g = fields.Int(), b = fields.Int();
            const int l = FindPlaneLayer(layerName);
            if (fields.Ok() && l >= 0) {
                planeLayer[l].SetColor(r, g, b);
            }
        }
        AssociateMaterialToLayer(materialName, layerName);
    }
}

std::vector<TPlane> TRoom::ReadPlaneRecords(const std::vector<std::string>& records,
                                            unsigned int firstNumber)
{
    std::vector<TPlane> planes;
    planes.reserve(records.size());
    for (std::size_t i = 0; i < records.size(); ++i) {
        const int number = static_cast<int>(firstNumber + i);
        TFieldReader fields(records[i]);
        const int n = fields.Int();
        const long expected = 2L + 3L * n;
        if (!fields.Ok() || n < 0 || expected != static_cast<long>(fields.Count())) {
            FailLoad(1, FormatText("Wrong number of parameters on PLANES section, line %d.\nShould "
                                   "be %ld instead of %d items.",
                                   number, expected, static_cast<int>(fields.Count())));
        }
        if (n > kMaxPlaneVertices) {
            FailLoad(1, FormatText("Plane %d has %d vertices; at most %d are supported.", number, n,
                                   kMaxPlaneVertices));
        }
        TPlane p(n);
        for (int v = 0; v < n; ++v) {
            const double x = fields.Double(), y = fields.Double(), z = fields.Double();
            p.SetVertex(static_cast<unsigned int>(v), x, y, z);
        }
        const std::string layerName = fields.Text();
        if (!fields.Ok()) {
            FailLoad(1, InvalidField("PLANES", number, fields.BadField()));
        }
        const int layer = FindPlaneLayer(layerName);
        if (layer < 0) {
            FailLoad(1, FormatText("A Layer associada ao plano %d (%s) não está na lista de layers "
                                   "de planos.\n",
                                   number, layerName.c_str()));
        }
        p.LayerID = layer;
        ++planeLayer[layer].NumPlanes;
        ConsolePrint("\rreading plane %d         ", number);
        p.CheckForErrors();
        p.CalcNormal();
        p.Tecelagem();
        planes.push_back(std::move(p));
    }
    ConsolePrint("\nLAYER(S) NOT USED:\n");
    for (auto& layer : planeLayer) {
        if (layer.NumPlanes == 0) {
            ConsolePrint("%s\n", layer.nome.c_str());
        }
    }
    return planes;
}

void TRoom::ReadPlanesTxt(const std::string& path)
{
    const std::vector<std::string> records = ReadSection(path, "PLANES");
    if (!records.empty() && NumPlaneLayers == 0) {
        FailLoad(1, "Erro de programação: é preciso carregar as layer dos planos ANTES de carregar "
                    "os planos.\n");
    }
    CreatePlanes(ReadPlaneRecords(records, 1));
}

void TRoom::AddPlanesTxT(const std::string& path)
{
    if (NumPlanes == 0) {
        ReadPlanesTxt(path);
        return;
    }
    const std::vector<std::string> records = ReadSection(path, "PLANES");
    if (records.empty()) {
        return;
    }
    if (NumPlaneLayers == 0) {
        FailLoad(1, "Erro de programação: é preciso carregar as layer dos planos ANTES de carregar "
                    "os planos.\n");
    }
    std::vector<TPlane> planes = plane;
    for (auto& p : ReadPlaneRecords(records, NumPlanes + 1)) {
        planes.push_back(std::move(p));
    }
    CreatePlanes(planes);
}

void TRoom::AddSourceLayersTxt(const std::string& path)
{
    const std::vector<std::string> records = ReadSection(path, "LAYERS::SOURCE");
    std::vector<TSourceLayer> layers = sourceLayer;
    for (std::size_t k = 0; k < records.size(); ++k) {
        TFieldReader fields(records[k]);
        const std::string name = fields.Text();
        const bool known = std::any_of(layers.begin(), layers.end(),
                                       [&](const TSourceLayer& l) { return l.layername == name; });
        if (known) {
            continue;
        }
        TSourceLayer layer(NumBands);
        layer.SetLayerName(name);
        const std::string patternName = fields.Text();
        for (unsigned int b = 0; b < NumBands; ++b) {
            layer.spectrum[b] = static_cast<float>(std::pow(10.0, fields.Double() / 10.0));
        }
        if (!fields.Ok() || fields.Count() != NumBands + 2) {
            ErrorMessage("Wrong number of parameters (%d) for SOURCE LAYER %s",
                         static_cast<int>(fields.Count()), name.c_str());
            continue;
        }
        layer.SetDirPattern(FindDirectivityOrDefault(patternName));
        layers.push_back(layer);
    }
    CreateSourceLayers(layers);
}

void TRoom::AddReceiverLayersTxt(const std::string& path)
{
    const std::vector<std::string> records = ReadSection(path, "LAYERS::RECEIVER");
    std::vector<TReceiverLayer> layers = receiverLayer;
    for (std::size_t k = 0; k < records.size(); ++k) {
        const int items = utilGetNumLineItems(records[k]);
        const auto fields = SplitFields(records[k]);
        if (items != 2 || fields.size() != 2) {
            ErrorMessage("Wrong number of parameters (%d) for LAYERS:RECEIVER section line "
                         "%d.\nShould be 2 items.",
                         items, static_cast<int>(k) + 1);
            continue;
        }
        const bool known = std::any_of(layers.begin(), layers.end(), [&](const TReceiverLayer& l) {
            return l.layername == fields[0];
        });
        if (!known) {
            layers.emplace_back(fields[0], FindDirectivityOrDefault(fields[1]));
        }
    }
    CreateReceiverLayers(layers);
}

void TRoom::AddSourcesTxt(const std::string& path)
{
    const std::vector<std::string> records = ReadSection(path, "SOURCES");
    std::vector<TSource> sources = source;
    for (std::size_t k = 0; k < records.size(); ++k) {
        const int number = static_cast<int>(k) + 1;
        const int items = utilGetNumLineItems(records[k]);
        if (items != 8 && items != 9) {
            FailLoad(1, FormatText("Wrong number of parameters reading source %d from file "
                                   "%s!\nClick OK to exit.",
                                   number, path.c_str()));
        }
        TFieldReader fields(records[k]);
        TPoint3D position;
        position.x = fields.Double();
        position.y = fields.Double();
        position.z = fields.Double();
        const int rays = fields.Int();
        const double azim = fields.Double();
        const double elev = fields.Double();
        const double level = fields.Double();
        const std::string typeName = fields.Text();
        const std::string soundField = items == 9 ? fields.Text() : "NONE";
        if (fields.Ok() && rays > kMaxNumRays) {
            FailLoad(1, FormatText("Source %d in %s asks for %d rays; at most %d are supported.", number,
                                   path.c_str(), rays, kMaxNumRays));
        }
        if (!fields.Ok() || rays < 0) {
            FailLoad(1, FormatText("Invalid value \"%s\" reading source %d from file %s!",
                                   fields.Ok() ? std::to_string(rays).c_str() : fields.BadField().c_str(),
                                   number, path.c_str()));
        }
        const int type = FindSourceLayer(typeName);
        if (type < 0) {
            FailLoad(1, FormatText("Layer [%s] associated to source [%d] is not defined in "
                                   "<LAYERS:SOURCE> section",
                                   typeName.c_str(), number));
        }
        std::string soundPath = "NONE";
        if (soundField.find("NONE") == std::string::npos) {
            soundPath = std::filesystem::path(soundField).is_absolute()
                            ? soundField
                            : JoinPath(ProjectFolder, soundField);
        }
        // Without auralization the sound is not used, so it is neither looked
        // for nor reported. The name stays in either case, unchecked when the
        // file is not usable, so that saving the project writes it back.
        TSource s(position, static_cast<float>(SPL2Power(level)), type,
                  static_cast<unsigned int>(rays), static_cast<float>(elev),
                  static_cast<float>(azim), NumBands, AuralizationFlag ? soundPath : "NONE");
        if (!s.SoundFileFlag) {
            s.SoundFile = soundPath;
        }
        s.SetDirectivity(FindDirectivityOrDefault(sourceLayer[type].GetDirPatternName()));
        if (s.SoundFileFlag) {
            const float rate = wavGetSampleRate(s.SoundFile.c_str());
            if (rate != FSample) {
                ErrorMessage("Soundfile %s sample rate (%d) differs from project sample rate "
                             "(%1.0f)\nOutput audio will be faster or slower!!",
                             soundField.c_str(), static_cast<int>(rate), FSample);
            }
        }
        sources.push_back(s);
    }
    CreateSources(sources);
}

void TRoom::AddReceiversTxt(const std::string& path)
{
    const std::vector<std::string> records = ReadSection(path, "RECEIVERS");
    std::vector<TReceiver> receivers = receiver;
    for (std::size_t k = 0; k < records.size(); ++k) {
        const int number = static_cast<int>(k) + 1;
        if (utilGetNumLineItems(records[k]) != 6) {
            continue;
        }
        TFieldReader fields(records[k]);
        TPoint3D position;
        position.x = fields.Double();
        position.y = fields.Double();
        position.z = fields.Double();
        const double radius = fields.Double();
        const double azim = fields.Double();
        const std::string typeName = fields.Text();
        if (!fields.Ok()) {
            ConsolePrint("%s Receiver skipped.\n",
                        InvalidField("RECEIVERS", number, fields.BadField()).c_str());
            continue;
        }
        const int type = FindReceiverLayer(typeName);
        if (type < 0) {
            FailLoad(1, FormatText("Layer [%s] associated to receiver [%d] not defined in "
                                   "<LAYERS:RECEIVER> section",
                                   typeName.c_str(), number));
        }
        TReceiver r(position, radius, azim, type);
        r.SetDirectivity(FindDirectivityOrDefault(receiverLayer[type].GetDirPatternName()));
        receivers.push_back(r);
    }
    CreateReceivers(receivers);
}

void TRoom::ReadColorLayers(const std::string& path)
{
    const std::vector<std::string> records = ReadSection(path, "LAYERS::COLOR");
    for (const auto& record : records) {
        TFieldReader fields(record);
        const int layer = FindPlaneLayer(fields.Text());
        const int r = fields.Int(), g = fields.Int(), b = fields.Int();
        if (layer >= 0 && fields.Ok()) {
            planeLayer[layer].SetColor(r, g, b);
        }
    }
}

void TRoom::LoadProject(const std::string& path)
{
    // A project that fails to load leaves nothing half-loaded behind.
    try {
        LoadProjectSections(path);
    } catch (const FatalError&) {
        LiberaMemoria();
        throw;
    }
}

void TRoom::LoadProjectSections(const std::string& path)
{
    PathSetup(path);
    EnviromentSetupTXT(path);
    AddMaterialsTxt(path);
    AddPlaneLayersTxt(path);
    AssociatePlaneLayersTxT(path);
    AddPlanesTxT(path);
    AddDirectivitiesTxt(path);
    AddSourceLayersTxt(path);
    AddReceiverLayersTxt(path);
    AddSourcesTxt(path);
    AddReceiversTxt(path);
    ReadColorLayers(path);
}

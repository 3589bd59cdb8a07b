#include "project/GridEditing.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <functional>
#include <limits>
#include <optional>

#include "directivity/TDirectivity.h"
#include "project/ProjectDialogs.h"
#include "room/TRoom.h"
#include "util/Console.h"
#include "util/ErrorMessage.h"
#include "util/Platform.h"
#include "util/TextParsing.h"

namespace {

constexpr float kNewAbsorption = 0.01f;
constexpr float kNewScattering = 0.05f;
constexpr double kNewSourceLevelDb = 94.0;
constexpr unsigned int kNewSourceRays = 5000;
constexpr double kNewReceiverRadiusM = 0.4;
// The project file writes a silent band as -60 dB; the grid shows the same.
constexpr double kGainFloorDb = -60.0;
constexpr const char* kBlanks = " \t\r\n";
constexpr double kUnbounded = std::numeric_limits<double>::infinity();

std::string Trim(const std::string& text)
{
    const auto first = text.find_first_not_of(kBlanks);
    if (first == std::string::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

std::string Fixed2(double value) { return FormatText("%.2f", value); }
std::string Fixed1(double value) { return FormatText("%.1f", value); }

bool InRange(int i, std::size_t size) { return i >= 0 && static_cast<std::size_t>(i) < size; }

template <typename T>
bool Contains(const std::vector<T>& list, const T& value)
{
    return std::find(list.begin(), list.end(), value) != list.end();
}

CellEdit Refuse(CellEdit edit, std::string message)
{
    edit.result = CellEdit::Refused;
    edit.message = std::move(message);
    return edit;
}

template <typename T, typename V>
CellEdit Assign(CellEdit edit, T& field, const V& value)
{
    const T converted = static_cast<T>(value);
    if (field != converted) {
        field = converted;
        edit.result = CellEdit::Changed;
    }
    return edit;
}

template <typename T>
CellEdit SetNumber(CellEdit edit, T& field, const std::string& text, const char* what,
                   double lo = -kUnbounded, double hi = kUnbounded)
{
    const std::optional<double> value = ParseDouble(Trim(text));
    if (!value) {
        return Refuse(edit, FormatText("%s must be a number: \"%s\"", what, text.c_str()));
    }
    if (*value < lo || *value > hi) {
        return Refuse(edit, FormatText("%s must lie between %g and %g: %s", what, lo, hi,
                                       Trim(text).c_str()));
    }
    return Assign(edit, field, *value);
}

// Names are fields of the project file, separated there by blanks.
CellEdit Rename(CellEdit edit, std::string& name, const std::vector<std::string>& names,
                const std::string& text, const char* duplicated)
{
    const std::string typed = Trim(text);
    if (typed.empty()) {
        return Refuse(edit, "A name cannot be empty.");
    }
    if (typed.find_first_of(kBlanks) != std::string::npos) {
        return Refuse(edit, "A name cannot contain blanks: \"" + typed + "\"");
    }
    if (typed == name) {
        return edit;
    }
    if (Contains(names, typed)) {
        return Refuse(edit, duplicated + typed);
    }
    name = typed;
    edit.result = CellEdit::Changed;
    return edit;
}

std::shared_ptr<TDirectivity> PatternNamed(const TRoom& room, const std::string& name)
{
    for (const auto& pattern : room.directivity) {
        if (pattern && pattern->GetPatternName() == name) {
            return pattern;
        }
    }
    return nullptr;
}

std::shared_ptr<TDirectivity> Omni(TRoom& room)
{
    room.AddDirectivity("OMNI");
    auto omni = PatternNamed(room, "OMNI");
    return omni ? omni : room.FindDirectivityOrDefault("OMNI");
}

template <typename Format>
std::string FirstUnusedName(const std::vector<std::string>& names, Format format)
{
    for (int n = 1;; ++n) {
        std::string name = format(n);
        if (!Contains(names, name)) {
            return name;
        }
    }
}

std::string CellText(const GridRows& rows, int row, int col)
{
    return InRange(row, rows.size()) && InRange(col, rows[row].size()) ? rows[row][col] : "";
}

void LogChange(const CellEdit& edit, int row, int col, const std::string& now,
               const std::string& was)
{
    if (edit.result == CellEdit::Changed) {
        ConsolePrint("Value of cell at (%d, %d) changed and is now \"%s\" (was \"%s\")\n", row, col,
                     now.c_str(), was.c_str());
    }
}

std::string SourceTypeName(const TRoom& room, int type)
{
    return InRange(type, room.sourceLayer.size()) ? room.sourceLayer[type].layername : "";
}

std::string ReceiverTypeName(const TRoom& room, int type)
{
    return InRange(type, room.receiverLayer.size()) ? room.receiverLayer[type].layername : "";
}

// A relative sound file is looked for beside the project first, as the
// project reader does.
CellEdit SetSoundFile(CellEdit edit, const TRoom& room, TSource& source, const std::string& text)
{
    std::string path = Trim(text);
    if (!path.empty() && !std::filesystem::path(path).is_absolute() &&
        FileExists(JoinPath(room.ProjectFolder, path))) {
        path = JoinPath(room.ProjectFolder, path);
    }
    const std::string old = source.SoundFile;
    if (!source.SetSoundFile(path)) {
        return Refuse(edit, "");
    }
    edit.result = source.SoundFile == old ? CellEdit::Unchanged : CellEdit::Changed;
    return edit;
}

// Sets the band gain typed in dB, kept as a power factor.
CellEdit SetGain(CellEdit edit, float& gain, const std::string& text)
{
    const std::optional<double> db = ParseDouble(Trim(text));
    if (!db) {
        return Refuse(edit, FormatText("A gain must be a number of dB: \"%s\"", text.c_str()));
    }
    const float power = static_cast<float>(std::pow(10.0, *db / 10.0));
    if (!(power > 0.0f) || !std::isfinite(power)) {
        return Refuse(edit, FormatText("Gain out of range: %s dB", Trim(text).c_str()));
    }
    return Assign(edit, gain, power);
}

CellEdit SetLevel(CellEdit edit, TSource& source, const std::string& text)
{
    const std::optional<double> level = ParseDouble(Trim(text));
    if (!level) {
        return Refuse(edit, FormatText("SPL (1m) must be a number of dB: \"%s\"", text.c_str()));
    }
    const float power = static_cast<float>(SPL2Power(*level));
    if (!(power > 0.0f) || !std::isfinite(power)) {
        return Refuse(edit, FormatText("SPL (1m) out of range: %s dB", Trim(text).c_str()));
    }
    return Assign(edit, source.power, power);
}

// The grid a kind of entry is shown in.
CellEdit Refilling(GridKind kind)
{
    CellEdit edit;
    switch (kind) {
    case GridKind::Materials: edit.refillMaterials = true; break;
    case GridKind::PlaneLayers: edit.refillPlaneLayers = true; break;
    case GridKind::Sources: edit.refillSources = true; break;
    case GridKind::SourceLayers: edit.refillSourceLayers = true; break;
    case GridKind::Receivers: edit.refillReceivers = true; break;
    case GridKind::ReceiverLayers: edit.refillReceiverLayers = true; break;
    }
    return edit;
}

std::size_t CountOf(const TRoom& room, GridKind kind) { return NamesOf(room, kind).size(); }

// Deletes entry i, or says why it must stay. Entries still referred to are
// refused here, before the room would refuse them, so that each refusal is
// reported once.
std::string DeleteEntry(TRoom& room, GridKind kind, unsigned int i)
{
    const int index = static_cast<int>(i);
    switch (kind) {
    case GridKind::Materials:
        for (const TPlaneLayer& layer : room.planeLayer) {
            if (layer.MatID == index) {
                return FormatText("Material \"%s\" cannot be removed because is associated with "
                                  "plane layer \"%s\".",
                                  room.material[i].nome.c_str(), layer.nome.c_str());
            }
        }
        room.DelMaterial(i);
        break;
    case GridKind::PlaneLayers:
        if (room.planeLayer[i].NumPlanes != 0 ||
            std::any_of(room.plane.begin(), room.plane.end(),
                        [&](const TPlane& p) { return p.LayerID == index; })) {
            return FormatText("Layer %s cannot be removed while being used in plane(s)",
                              room.planeLayer[i].nome.c_str());
        }
        room.DelPlaneLayer(i);
        break;
    case GridKind::SourceLayers:
        for (const TSource& s : room.source) {
            if (s.LayerID == index) {
                return FormatText("Layer %s is in use by source %d",
                                  room.sourceLayer[i].layername.c_str(), s.srcID + 1);
            }
        }
        room.DelSourceLayer(i);
        break;
    case GridKind::ReceiverLayers:
        for (const TReceiver& r : room.receiver) {
            if (r.LayerID == index) {
                return FormatText("Layer %s cannot be removed while being used in receiver(s)",
                                  room.receiverLayer[i].layername.c_str());
            }
        }
        room.DelReceiverLayer(i);
        break;
    case GridKind::Sources: room.DelSource(i); break;
    case GridKind::Receivers: room.DelReceiver(i); break;
    }
    return {};
}

} // namespace

// --- fillers -------------------------------------------------------------------

GridRows MaterialRows(const TRoom& room)
{
    GridRows rows;
    for (const TMaterial& m : room.material) {
        std::vector<std::string> row{m.nome};
        for (unsigned int b = 0; b < room.NumBands; ++b) {
            row.push_back(b < m.abs.size() ? Fixed2(m.abs[b]) : "");
        }
        row.push_back(m.dif.empty() ? "" : Fixed2(m.dif[0]));
        rows.push_back(std::move(row));
    }
    return rows;
}

GridRows PlaneLayerRows(const TRoom& room)
{
    GridRows rows;
    for (const TPlaneLayer& layer : room.planeLayer) {
        const std::string material =
            InRange(layer.MatID, room.material.size()) ? room.material[layer.MatID].nome : "";
        rows.push_back({layer.nome, material,
                        FormatText("%d %d %d", layer.cor[0], layer.cor[1], layer.cor[2])});
    }
    return rows;
}

GridRows SourceRows(const TRoom& room)
{
    GridRows rows;
    for (const TSource& s : room.source) {
        rows.push_back({Fixed2(s.Position.x), Fixed2(s.Position.y), Fixed2(s.Position.z),
                        Fixed1(s.AzimRotation), Fixed1(s.ElevRotation), Fixed1(s.GetSPL()),
                        SourceTypeName(room, s.LayerID), s.SoundFile});
    }
    return rows;
}

GridRows SourceLayerRows(const TRoom& room)
{
    GridRows rows;
    for (const TSourceLayer& layer : room.sourceLayer) {
        std::vector<std::string> row{layer.layername, layer.GetDirPatternName()};
        for (float gain : layer.spectrum) {
            row.push_back(Fixed1(std::max(10.0 * std::log10(gain), kGainFloorDb)));
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

GridRows ReceiverRows(const TRoom& room)
{
    GridRows rows;
    for (const TReceiver& r : room.receiver) {
        rows.push_back({Fixed2(r.Position.x), Fixed2(r.Position.y), Fixed2(r.Position.z),
                        Fixed2(r.Radius), ReceiverTypeName(room, r.LayerID)});
    }
    return rows;
}

GridRows ReceiverLayerRows(const TRoom& room)
{
    GridRows rows;
    for (const TReceiverLayer& layer : room.receiverLayer) {
        rows.push_back({layer.layername, layer.GetDirPatternName()});
    }
    return rows;
}

GridRows RowsOf(const TRoom& room, GridKind kind)
{
    switch (kind) {
    case GridKind::Materials: return MaterialRows(room);
    case GridKind::PlaneLayers: return PlaneLayerRows(room);
    case GridKind::Sources: return SourceRows(room);
    case GridKind::SourceLayers: return SourceLayerRows(room);
    case GridKind::Receivers: return ReceiverRows(room);
    case GridKind::ReceiverLayers: return ReceiverLayerRows(room);
    }
    return {};
}

std::vector<std::string> NamesOf(const TRoom& room, GridKind kind)
{
    std::vector<std::string> names;
    auto collect = [&](const auto& list, auto name) {
        for (const auto& item : list) {
            names.push_back(item.*name);
        }
    };
    switch (kind) {
    case GridKind::Materials: collect(room.material, &TMaterial::nome); break;
    case GridKind::PlaneLayers: collect(room.planeLayer, &TPlaneLayer::nome); break;
    case GridKind::Sources: collect(room.source, &TSource::Name); break;
    case GridKind::SourceLayers: collect(room.sourceLayer, &TSourceLayer::layername); break;
    case GridKind::Receivers: collect(room.receiver, &TReceiver::Name); break;
    case GridKind::ReceiverLayers: collect(room.receiverLayer, &TReceiverLayer::layername); break;
    }
    return names;
}

std::vector<std::string> PatternNames(const TRoom& room)
{
    std::vector<std::string> names;
    for (const auto& pattern : room.directivity) {
        names.push_back(pattern ? pattern->GetPatternName() : "");
    }
    return names;
}

// --- cell edits ------------------------------------------------------------------

CellEdit EditMaterialCell(TRoom& room, int row, int col, const std::string& text)
{
    CellEdit edit = Refilling(GridKind::Materials);
    if (!InRange(row, room.material.size())) {
        return edit;
    }
    TMaterial& m = room.material[row];
    const int scattering = kMaterialFirstBand + static_cast<int>(room.NumBands);
    if (col == kMaterialName) {
        edit = Rename(edit, m.nome, NamesOf(room, GridKind::Materials), text,
                      "Duplicated material: ");
        edit.refillPlaneLayers = edit.result == CellEdit::Changed;
    } else if (col >= kMaterialFirstBand && col < scattering &&
               InRange(col - kMaterialFirstBand, m.abs.size())) {
        edit = SetNumber(edit, m.abs[col - kMaterialFirstBand], text, "Absorption", 0.0, 1.0);
        m.AverageAbsortion();
    } else if (col == scattering) {
        // One coefficient for every band, as the project file keeps it.
        float value = m.dif.empty() ? -1.0f : m.dif[0];
        edit = SetNumber(edit, value, text, "Scattering", 0.0, 1.0);
        if (edit.result == CellEdit::Changed) {
            m.dif.assign(room.NumBands, value);
        }
    }
    return edit;
}

CellEdit EditPlaneLayerCell(TRoom& room, int row, int col, const std::string& text)
{
    CellEdit edit = Refilling(GridKind::PlaneLayers);
    if (!InRange(row, room.planeLayer.size())) {
        return edit;
    }
    TPlaneLayer& layer = room.planeLayer[row];
    if (col == kPlaneLayerName) {
        edit = Rename(edit, layer.nome, NamesOf(room, GridKind::PlaneLayers), text,
                      "Duplicated plane layer: ");
        edit.refillPlanes = edit.result == CellEdit::Changed;
    } else if (col == kPlaneLayerMaterial) {
        const int material = room.GetMaterialID(Trim(text));
        if (material < 0) {
            return Refuse(edit, "Unknown material: " + Trim(text));
        }
        edit = Assign(edit, layer.MatID, material);
    } else if (col == kPlaneLayerColor) {
        const std::vector<std::string> fields = SplitFields(text);
        std::array<int, 3> color{};
        for (std::size_t c = 0; c < color.size(); ++c) {
            const std::optional<int> value =
                fields.size() == 3 ? ParseInt(fields[c]) : std::nullopt;
            if (!value || *value < 0 || *value > 255) {
                return Refuse(edit, "A colour is three whole numbers from 0 to 255 (red green "
                                    "blue): \"" + Trim(text) + "\"");
            }
            color[c] = *value;
        }
        edit = Assign(edit, layer.cor, color);
        edit.colorsChanged = edit.result == CellEdit::Changed;
    }
    return edit;
}

CellEdit EditSourceCell(TRoom& room, int row, int col, const std::string& text)
{
    CellEdit edit = Refilling(GridKind::Sources);
    if (!InRange(row, room.source.size())) {
        return edit;
    }
    const std::string was = CellText(SourceRows(room), row, col);
    TSource& s = room.source[row];
    switch (col) {
    case kSourceX: edit = SetNumber(edit, s.Position.x, text, "x"); break;
    case kSourceY: edit = SetNumber(edit, s.Position.y, text, "y"); break;
    case kSourceZ: edit = SetNumber(edit, s.Position.z, text, "z"); break;
    case kSourceAzim: edit = SetNumber(edit, s.AzimRotation, text, "Azimuth"); break;
    case kSourceElev: edit = SetNumber(edit, s.ElevRotation, text, "Elevation"); break;
    case kSourceSPL: edit = SetLevel(edit, s, text); break;
    case kSourceType: {
        const int type = room.FindSourceLayer(Trim(text));
        if (type < 0) {
            return Refuse(edit, "Unknown source type: " + Trim(text));
        }
        edit = Assign(edit, s.LayerID, type);
        s.SetDirectivity(room.sourceLayer[type].directivity);
        break;
    }
    case kSourceSoundFile: edit = SetSoundFile(edit, room, s, text); break;
    default: break;
    }
    LogChange(edit, row, col, text, was);
    return edit;
}

CellEdit EditSourceLayerCell(TRoom& room, int row, int col, const std::string& text)
{
    CellEdit edit = Refilling(GridKind::SourceLayers);
    if (!InRange(row, room.sourceLayer.size())) {
        return edit;
    }
    TSourceLayer& layer = room.sourceLayer[row];
    if (col == kSourceLayerName) {
        edit = Rename(edit, layer.layername, NamesOf(room, GridKind::SourceLayers), text,
                      "Duplicated source type: ");
        edit.refillSources = edit.result == CellEdit::Changed;
    } else if (col == kSourceLayerPattern) {
        auto pattern = PatternNamed(room, Trim(text));
        if (!pattern) {
            return Refuse(edit, "Unknown directivity pattern: " + Trim(text));
        }
        edit = Assign(edit, layer.directivity, pattern);
        // The tracer radiates with the pattern each source holds.
        for (TSource& s : room.source) {
            if (s.LayerID == row) {
                s.SetDirectivity(pattern);
            }
        }
    } else if (InRange(col - kSourceLayerFirstBand, layer.spectrum.size())) {
        edit = SetGain(edit, layer.spectrum[col - kSourceLayerFirstBand], text);
    }
    return edit;
}

CellEdit EditReceiverCell(TRoom& room, int row, int col, const std::string& text)
{
    CellEdit edit = Refilling(GridKind::Receivers);
    if (!InRange(row, room.receiver.size())) {
        return edit;
    }
    const std::string was = CellText(ReceiverRows(room), row, col);
    TReceiver& r = room.receiver[row];
    switch (col) {
    case kReceiverX: edit = SetNumber(edit, r.Position.x, text, "x"); break;
    case kReceiverY: edit = SetNumber(edit, r.Position.y, text, "y"); break;
    case kReceiverZ: edit = SetNumber(edit, r.Position.z, text, "z"); break;
    case kReceiverRadius: {
        const std::optional<double> radius = ParseDouble(Trim(text));
        if (!radius) {
            return Refuse(edit, FormatText("Radius must be a number: \"%s\"", text.c_str()));
        }
        const double kept = std::clamp(*radius, TReceiver::kMinRadius, TReceiver::kMaxRadius);
        if (kept != *radius) {
            edit.message = FormatText("The receiver radius is kept between %.1f and %.1f m.",
                                      TReceiver::kMinRadius, TReceiver::kMaxRadius);
        }
        edit = Assign(edit, r.Radius, kept);
        r.ReceiverFactor();
        break;
    }
    case kReceiverType: {
        const int type = room.FindReceiverLayer(Trim(text));
        if (type < 0) {
            return Refuse(edit, "Unknown receiver type: " + Trim(text));
        }
        edit = Assign(edit, r.LayerID, type);
        r.SetDirectivity(room.receiverLayer[type].directivity);
        break;
    }
    default: break;
    }
    LogChange(edit, row, col, text, was);
    return edit;
}

CellEdit EditReceiverLayerCell(TRoom& room, int row, int col, const std::string& text)
{
    CellEdit edit = Refilling(GridKind::ReceiverLayers);
    if (!InRange(row, room.receiverLayer.size())) {
        return edit;
    }
    TReceiverLayer& layer = room.receiverLayer[row];
    if (col == kReceiverLayerName) {
        edit = Rename(edit, layer.layername, NamesOf(room, GridKind::ReceiverLayers), text,
                      "Duplicated receiver type: ");
        edit.refillReceivers = edit.result == CellEdit::Changed;
    } else if (col == kReceiverLayerPattern) {
        auto pattern = PatternNamed(room, Trim(text));
        if (!pattern) {
            return Refuse(edit, "Unknown directivity pattern: " + Trim(text));
        }
        edit = Assign(edit, layer.directivity, pattern);
        // Reception uses the pattern each receiver holds.
        for (TReceiver& r : room.receiver) {
            if (r.LayerID == row) {
                r.SetDirectivity(pattern);
            }
        }
    }
    return edit;
}

CellEdit EditCell(TRoom& room, GridKind kind, int row, int col, const std::string& text)
{
    switch (kind) {
    case GridKind::Materials: return EditMaterialCell(room, row, col, text);
    case GridKind::PlaneLayers: return EditPlaneLayerCell(room, row, col, text);
    case GridKind::Sources: return EditSourceCell(room, row, col, text);
    case GridKind::SourceLayers: return EditSourceLayerCell(room, row, col, text);
    case GridKind::Receivers: return EditReceiverCell(room, row, col, text);
    case GridKind::ReceiverLayers: return EditReceiverLayerCell(room, row, col, text);
    }
    return {};
}

// --- new entries -------------------------------------------------------------------

TMaterial NewMaterial(const TRoom& room)
{
    TMaterial m(FirstUnusedName(NamesOf(room, GridKind::Materials),
                                [](int n) { return FormatText("Material_%.2d", n); }),
                room.NumBands, kNewAbsorption, kNewScattering);
    m.ColorID = static_cast<int>(m.avgabs * 100.0f);
    return m;
}

TPlaneLayer NewPlaneLayer(const TRoom& room)
{
    TPlaneLayer layer(FirstUnusedName(NamesOf(room, GridKind::PlaneLayers),
                                      [](int n) { return FormatText("PlaneLayer%.2d", n); }));
    layer.NumBands = room.NumBands;
    layer.MatID = 0;
    layer.SetColor(255, 255, 255);
    return layer;
}

TSourceLayer NewSourceLayer(TRoom& room)
{
    return TSourceLayer(FirstUnusedName(NamesOf(room, GridKind::SourceLayers),
                                        [](int n) { return FormatText("SrcType%.2d", n); }),
                        Omni(room), room.NumBands);
}

TSource NewSource(TRoom& room)
{
    TSource s(room.GetCenter(), static_cast<float>(SPL2Power(kNewSourceLevelDb)), 0,
              kNewSourceRays, 0.0f, 0.0f, room.NumBands, "NONE");
    if (!room.sourceLayer.empty()) {
        s.SetDirectivity(room.sourceLayer[0].directivity);
    } else if (!room.directivity.empty()) {
        s.SetDirectivity(room.directivity.front());
    }
    return s;
}

TReceiverLayer NewReceiverLayer(TRoom& room)
{
    for (const char* name : {"OMNI", "CARDIOID", "SUPERCARD", "HYPERCARD", "EIGHTFIG"}) {
        room.AddDirectivity(name);
    }
    return TReceiverLayer(FirstUnusedName(NamesOf(room, GridKind::ReceiverLayers),
                                          [](int n) { return FormatText("RecType%.2d", n); }),
                          Omni(room));
}

TReceiver NewReceiver(TRoom& room)
{
    TReceiver r(room.GetCenter(), kNewReceiverRadiusM, 0.0, 0);
    if (!room.receiverLayer.empty()) {
        r.SetDirectivity(room.receiverLayer[0].directivity);
    }
    return r;
}

CellEdit AddMaterialEntry(TRoom& room)
{
    CellEdit edit = Refilling(GridKind::Materials);
    room.AddMaterial(NewMaterial(room));
    edit.refillPlaneLayers = true; // its material choices
    edit.result = CellEdit::Changed;
    return edit;
}

CellEdit AddPlaneLayerEntry(TRoom& room)
{
    CellEdit edit = Refilling(GridKind::PlaneLayers);
    if (room.material.empty()) {
        return Refuse(edit, "A plane layer needs a material: add a material first.");
    }
    room.AddPlaneLayer(NewPlaneLayer(room));
    edit.refillPlanes = true; // its layer choice
    edit.result = CellEdit::Changed;
    return edit;
}

// A pattern that cannot be loaded has been reported by its reader and left
// the room as it was.
CellEdit AddSourceLayerEntry(TRoom& room)
{
    CellEdit edit = Refilling(GridKind::SourceLayers);
    try {
        room.AddSourceLayer(NewSourceLayer(room));
    } catch (const FatalError&) {
        return Refuse(edit, "No source type added: its directivity pattern could not be loaded.");
    }
    edit.result = CellEdit::Changed;
    return edit;
}

CellEdit AddSourceEntry(TRoom& room)
{
    CellEdit edit = Refilling(GridKind::Sources);
    edit.resultsCleared = room.ResultsCreated;
    const std::size_t types = room.sourceLayer.size();
    try {
        room.AddSource(NewSource(room));
    } catch (const FatalError&) {
        return Refuse(edit, "No source added: its directivity pattern could not be loaded.");
    }
    // The room may have created the source's type.
    TSource& s = room.source.back();
    s.SetDirectivity(room.sourceLayer[s.LayerID].directivity);
    edit.refillSourceLayers = room.sourceLayer.size() != types;
    edit.result = CellEdit::Changed;
    return edit;
}

CellEdit AddReceiverLayerEntry(TRoom& room)
{
    CellEdit edit = Refilling(GridKind::ReceiverLayers);
    try {
        room.AddReceiverLayer(NewReceiverLayer(room));
    } catch (const FatalError&) {
        return Refuse(edit,
                      "No receiver type added: its directivity patterns could not be loaded.");
    }
    edit.result = CellEdit::Changed;
    return edit;
}

CellEdit AddReceiverEntry(TRoom& room)
{
    CellEdit edit = Refilling(GridKind::Receivers);
    if (room.receiverLayer.empty()) {
        return Refuse(edit, "A receiver needs a receiver type: add a receiver type first.");
    }
    edit.resultsCleared = room.ResultsCreated;
    room.AddReceiver(NewReceiver(room));
    edit.result = CellEdit::Changed;
    return edit;
}

CellEdit AddEntry(TRoom& room, GridKind kind)
{
    switch (kind) {
    case GridKind::Materials: return AddMaterialEntry(room);
    case GridKind::PlaneLayers: return AddPlaneLayerEntry(room);
    case GridKind::Sources: return AddSourceEntry(room);
    case GridKind::SourceLayers: return AddSourceLayerEntry(room);
    case GridKind::Receivers: return AddReceiverEntry(room);
    case GridKind::ReceiverLayers: return AddReceiverLayerEntry(room);
    }
    return {};
}

// --- deletion ------------------------------------------------------------------------

CellEdit DeleteRows(TRoom& room, GridKind kind, std::vector<int> rows)
{
    CellEdit edit = Refilling(kind);
    std::sort(rows.begin(), rows.end(), std::greater<int>());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    const bool hadResults = room.ResultsCreated;
    bool deleted = false;
    for (int row : rows) {
        if (!InRange(row, CountOf(room, kind))) {
            continue;
        }
        const std::string refusal = DeleteEntry(room, kind, static_cast<unsigned int>(row));
        if (refusal.empty()) {
            deleted = true;
        } else {
            edit.message += (edit.message.empty() ? "" : "\n") + refusal;
        }
    }
    if (deleted) {
        edit.result = CellEdit::Changed;
        edit.refillPlaneLayers |= kind == GridKind::Materials; // material indices moved
        edit.refillPlanes = kind == GridKind::PlaneLayers;
        edit.colorsChanged = kind == GridKind::PlaneLayers; // the planes' layer indices moved
        edit.resultsCleared = ChangesResults(kind) && hadResults;
    } else if (!edit.message.empty()) {
        edit.result = CellEdit::Refused;
    }
    return edit;
}

// --- results -----------------------------------------------------------------------------

bool ChangesResults(GridKind kind)
{
    return kind == GridKind::Sources || kind == GridKind::Receivers;
}

std::string AddQuestion(const TRoom& room, GridKind kind)
{
    if (!ChangesResults(kind) || !room.ResultsCreated) {
        return {};
    }
    return kind == GridKind::Sources
               ? "Adding new source, the results will be erased!\n Continue?"
               : "Adding new receiver, the results will be erased!\n Continue?";
}

std::string DeleteQuestion(const TRoom& room, GridKind kind)
{
    if (!ChangesResults(kind) || !room.ResultsCreated) {
        return {};
    }
    return kind == GridKind::Sources
               ? "You are removing a source, the results will be erased!\n Continue?"
               : "You are removing a receiver, the results will be erased!\n Continue?";
}

bool ConfirmAdd(ProjectDialogs& dialogs, const TRoom& room, GridKind kind)
{
    const std::string question = AddQuestion(room, kind);
    return question.empty() || dialogs.AskOkCancel("Question", question);
}

bool ConfirmDelete(ProjectDialogs& dialogs, const TRoom& room, GridKind kind)
{
    const std::string question = DeleteQuestion(room, kind);
    return question.empty() || dialogs.AskOkCancel("Question", question);
}

// --- geometry page -----------------------------------------------------------------------

CellEdit SetPlaneLayer(TRoom& room, int plane, int layer)
{
    CellEdit edit;
    edit.refillPlanes = true;
    if (!InRange(plane, room.plane.size())) {
        return edit;
    }
    if (!InRange(layer, room.planeLayer.size())) {
        return Refuse(edit, FormatText("There is no plane layer %d.", layer));
    }
    TPlane& p = room.plane[plane];
    if (p.LayerID == layer) {
        return edit;
    }
    if (InRange(p.LayerID, room.planeLayer.size()) && room.planeLayer[p.LayerID].NumPlanes > 0) {
        --room.planeLayer[p.LayerID].NumPlanes;
    }
    ++room.planeLayer[layer].NumPlanes;
    p.LayerID = layer;
    edit.colorsChanged = true;
    edit.result = CellEdit::Changed;
    return edit;
}

CellEdit InvertPlane(TRoom& room, int plane)
{
    CellEdit edit;
    edit.refillPlanes = true;
    if (!InRange(plane, room.plane.size())) {
        return edit;
    }
    room.plane[plane].InvertSequence();
    room.plane[plane].Tecelagem();
    // The enclosed volume is summed over oriented triangles.
    room.CalculateVolumeGeometry();
    edit.shapeChanged = true;
    edit.result = CellEdit::Changed;
    return edit;
}

PlaneFields PlanePageFields(const TRoom& room, int plane, int vertex)
{
    PlaneFields fields;
    if (!InRange(plane, room.plane.size())) {
        return fields;
    }
    const TPlane& p = room.plane[plane];
    fields.layer = InRange(p.LayerID, room.planeLayer.size()) ? p.LayerID : -1;
    fields.numVertices = static_cast<int>(p.NumVert);
    fields.vertexCount = std::to_string(p.NumVert);
    if (InRange(vertex, std::min<std::size_t>(p.NumVert, p.vertice.size()))) {
        const TPoint3D v = p.vertice[vertex];
        fields.vertex = {Fixed2(v.x), Fixed2(v.y), Fixed2(v.z)};
    }
    return fields;
}

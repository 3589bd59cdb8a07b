#include "project/EnvironmentFields.h"

#include <optional>

#include "room/TRoom.h"
#include "util/ErrorMessage.h"
#include "util/TextParsing.h"

namespace {

std::string Trimmed(const std::string& text)
{
    const auto begin = text.find_first_not_of(" \t");
    if (begin == std::string::npos) {
        return {};
    }
    return text.substr(begin, text.find_last_not_of(" \t") - begin + 1);
}

std::string ShownText(const TRoom& room, EnvironmentField field)
{
    switch (field) {
    case EnvironmentField::Temperature:
        return FormatText("%1.1f", room.Temperature);
    case EnvironmentField::Pressure:
        return FormatText("%1.1f", room.Pressure);
    case EnvironmentField::Humidity:
        return FormatText("%1.1f", room.Humidity);
    case EnvironmentField::IRDuration:
        return FormatText("%1.1f", static_cast<double>(room.GetMaxTime()));
    case EnvironmentField::MaxReflections:
        return FormatText("%d", room.MaxRayTracReflections);
    case EnvironmentField::EnergyDecay:
        return FormatText("%1.1f", static_cast<double>(room.StopDecay));
    case EnvironmentField::NumRays:
        return FormatText("%u", room.GetNumRays());
    }
    return {};
}

// The settings the air model derives from.
struct AirSetting {
    double TRoom::*member;
    double min, max;
    const char* name;
    const char* unit;
};

AirSetting AirSettingOf(EnvironmentField field)
{
    switch (field) {
    case EnvironmentField::Pressure:
        return {&TRoom::Pressure, kMinPressureAtm, kMaxPressureAtm, "Pressure", "atm"};
    case EnvironmentField::Humidity:
        return {&TRoom::Humidity, kMinHumidityPercent, kMaxHumidityPercent, "Relative humidity", "%"};
    default:
        return {&TRoom::Temperature, kMinTemperatureC, kMaxTemperatureC, "Temperature", "°C"};
    }
}

// Sets a switch kept as a number, where any value but 0 means on; an unchanged
// switch keeps its number.
template <typename T>
bool SetSwitch(T& stored, bool value)
{
    if ((stored != T{}) == value) {
        return false;
    }
    stored = static_cast<T>(value ? 1 : 0);
    return true;
}

} // namespace

EnvironmentFields FillEnvironmentFields(const TRoom& room)
{
    EnvironmentFields fields;
    fields.Temperature = ShownText(room, EnvironmentField::Temperature);
    fields.Pressure = ShownText(room, EnvironmentField::Pressure);
    fields.Humidity = ShownText(room, EnvironmentField::Humidity);
    fields.SampleRate = FormatText("%1.0f", static_cast<double>(room.FSample));
    fields.IRDuration = ShownText(room, EnvironmentField::IRDuration);
    fields.MaxReflections = ShownText(room, EnvironmentField::MaxReflections);
    fields.EnergyDecay = ShownText(room, EnvironmentField::EnergyDecay);
    fields.NumRays = ShownText(room, EnvironmentField::NumRays);
    fields.DiffuseProcessing = room.DiffuseProcessing != 0;
    fields.SaveLateRays = room.SaveLateRaysFlag != 0;
    fields.ArtificialTail = room.ArtificialTailFlag;
    fields.SaveDiffuseRays = room.SaveDiffuseRaysFlag != 0;
    fields.Auralization = room.AuralizationFlag;
    return fields;
}

FieldEdit ApplyEnvironmentField(TRoom& room, EnvironmentField field, const std::string& text)
{
    const std::string token = Trimmed(text);
    std::string refusal;
    bool changed = false;
    switch (field) {
    case EnvironmentField::Temperature:
    case EnvironmentField::Pressure:
    case EnvironmentField::Humidity: {
        const AirSetting setting = AirSettingOf(field);
        const std::optional<double> value = ParseDouble(token);
        if (!value || *value < setting.min || *value > setting.max) {
            refusal = FormatText("%s must be a number from %g to %g %s.", setting.name, setting.min,
                                 setting.max, setting.unit);
        } else if (*value != room.*setting.member) {
            room.*setting.member = *value;
            room.UpdateAirProperties();
            changed = true;
        }
        break;
    }
    case EnvironmentField::IRDuration: {
        const std::optional<double> seconds = ParseDouble(token);
        if (!seconds || !(*seconds > 0.0) || *seconds > kMaxIRDurationS) {
            refusal = FormatText("IR duration must be a number above 0 and up to %g s.", kMaxIRDurationS);
            break;
        }
        const unsigned int length = room.MaxLengthFor(static_cast<float>(*seconds));
        if (length == 0) {
            refusal = FormatText("IR duration must be at least one sample (%g s at %1.0f Hz).",
                                 1.0 / room.FSample, static_cast<double>(room.FSample));
        } else if (length != room.MaxLength) {
            // Results of the old length cannot be kept, and SetMaxTime refuses
            // to lengthen the response while they exist.
            room.ClearResults();
            room.SetMaxTime(static_cast<float>(*seconds));
            changed = true;
        }
        break;
    }
    case EnvironmentField::MaxReflections: {
        const std::optional<int> count = ParseInt(token);
        if (!count || (*count < 1 && *count != -1)) {
            refusal = "Maximum reflections must be a whole number of at least 1, or -1 for no limit.";
        } else if (*count != room.MaxRayTracReflections) {
            room.MaxRayTracReflections = *count;
            changed = true;
        }
        break;
    }
    case EnvironmentField::EnergyDecay: {
        const std::optional<double> db = ParseDouble(token);
        const float decay = db ? static_cast<float>(*db) : 0.0f;
        if (!(decay < 0.0f) || decay < kMinEnergyDecayDb) {
            refusal = FormatText("Energy decay must be a number below 0 dB, down to %g dB.", kMinEnergyDecayDb);
        } else if (decay != room.StopDecay) {
            room.StopDecay = decay;
            changed = true;
        }
        break;
    }
    case EnvironmentField::NumRays: {
        const std::optional<int> count = ParseInt(token);
        if (!count || *count < 1 || *count > kMaxNumRays) {
            refusal = FormatText("Number of rays must be a whole number from 1 to %d.", kMaxNumRays);
            break;
        }
        const auto rays = static_cast<unsigned int>(*count);
        changed = rays != room.GetNumRays();
        room.SetNumRays(rays);
        // Each source rounds the count to its own emission pattern.
        for (TSource& s : room.source) {
            const unsigned int before = s.NumberOfRays;
            s.SetNumRays(room.GetNumRays());
            changed = changed || s.NumberOfRays != before;
        }
        break;
    }
    }

    FieldEdit edit;
    edit.accepted = refusal.empty();
    edit.changed = changed;
    edit.message = refusal;
    if (changed) {
        room.ClusterOrderGlobal = -1; // derived again for the new settings at the next run
    }
    edit.shown = ShownText(room, field);
    return edit;
}

bool ApplyEnvironmentOption(TRoom& room, EnvironmentOption option, bool value)
{
    switch (option) {
    case EnvironmentOption::DiffuseProcessing:
        return SetSwitch(room.DiffuseProcessing, value);
    case EnvironmentOption::SaveLateRays:
        return SetSwitch(room.SaveLateRaysFlag, value);
    case EnvironmentOption::ArtificialTail:
        return SetSwitch(room.ArtificialTailFlag, value);
    case EnvironmentOption::SaveDiffuseRays:
        return SetSwitch(room.SaveDiffuseRaysFlag, value);
    case EnvironmentOption::Auralization:
        if (!SetSwitch(room.AuralizationFlag, value)) {
            return false;
        }
        if (value) {
            for (TSource& s : room.source) {
                if (!s.SoundFileFlag && s.SoundFile != "NONE") {
                    s.SetSoundFile(s.SoundFile);
                }
            }
        }
        return true;
    }
    return false;
}

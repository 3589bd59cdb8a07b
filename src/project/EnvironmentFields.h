#pragma once
// The "Simulation" page of the desktop program as text: its eight fields and
// five option boxes, filled from the room and written back one edit at a time.
// Typed text is checked here, so the window only shows what it is given and
// marks the project modified when an edit says it changed something.

#include <string>

#include "room/Environment.h"

class TRoom;

struct EnvironmentFields {
    std::string Temperature, Pressure, Humidity, SampleRate, IRDuration, MaxReflections,
        EnergyDecay, NumRays;
    bool DiffuseProcessing = false;
    bool SaveLateRays = false;
    bool ArtificialTail = false;
    bool SaveDiffuseRays = false;
    bool Auralization = false;
};

EnvironmentFields FillEnvironmentFields(const TRoom& room);

// The fields that can be edited; the sample rate is shown only.
enum class EnvironmentField { Temperature, Pressure, Humidity, IRDuration, MaxReflections, EnergyDecay, NumRays };

enum class EnvironmentOption { DiffuseProcessing, SaveLateRays, ArtificialTail, SaveDiffuseRays, Auralization };

// The accepted ranges are the project file's (room/Environment.h).

struct FieldEdit {
    bool accepted = false;
    bool changed = false;  // the room's stored value differs from before
    std::string message;   // why the text was refused, for the user
    std::string shown;     // what the field shows now: the stored value, formatted
};

// Parses the whole text (blanks around it allowed) and stores it when it lies
// in the field's range. Temperature, pressure and humidity also give the room
// its speed of sound and air attenuation again; a longer or shorter response
// first drops the results of an earlier run; a ray count goes to every source
// as well. Any change returns the clustering order to automatic (-1).
FieldEdit ApplyEnvironmentField(TRoom& room, EnvironmentField field, const std::string& text);

// Switching auralization on checks the sound files a project named while it
// was off (a missing one is reported). Returns whether the room changed.
bool ApplyEnvironmentOption(TRoom& room, EnvironmentOption option, bool value);

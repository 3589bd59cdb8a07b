#pragma once
// A room whose result grid is filled by hand: sources and receivers (of one
// or two channels) without tracing, responses made of pulses.

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "RoomFixtures.h"
#include "TestFiles.h"
#include "TestSupport.h"
#include "directivity/daff/DAFFTestWriter.h"
#include "room/TRoom.h"

// Sources at (1, 1, 1.5), (2, 1, 1.5), ...; receivers at (4, 3, 1.5),
// (4, 2, 1.5), ... with channels[r] channels each. Results created, every
// response silent.
inline void PrepareGrid(TRoom& room, const ScratchFolder& folder, unsigned sources,
                        const std::vector<int>& channels, unsigned maxLength = 4410)
{
    room.ProjectFolder = folder.Folder();
    room.FSample = 44100.0f;
    room.VSound = 343.0f;
    room.MaxLength = maxLength;
    room.AirAbs.assign(room.NumBands, 0.0);
    room.ClusterOrderGlobal = 1;
    room.SaveLostRays = 0;
    FillBoxRoom(room, 6, 5, 3, 0.2f);
    for (unsigned s = 0; s < sources; ++s) {
        room.AddSource(TSource(TPoint3D::Make(1.0 + s, 1, 1.5), 0.01f, -1, 1002, 0.0f, 0.0f,
                               room.NumBands, "NONE"));
    }
    for (std::size_t r = 0; r < channels.size(); ++r) {
        room.AddReceiver(TReceiver(TPoint3D::Make(4, 3.0 - r, 1.5), 0.3 + 0.1 * r, 0.0, -1));
        if (channels[r] > 1) {
            DaffDesign design;
            design.channels = channels[r];
            const std::string path = folder.Write(FormatText("head%d.daff", static_cast<int>(r)),
                                                  WriteDaff(design).bytes);
            room.receiver[r].SetDirectivity(std::make_shared<TDirectivity>(path, room.NumBands));
        }
    }
    room.CreateResults();
}

// Adds a pulse of amplitude a (Pa) at sample i to channel c of pair (r, s).
inline void Pulse(TRoom& room, unsigned r, unsigned s, unsigned c, unsigned i, float a)
{
    room.spcresult[r][s]->globalIR[c][i] += a;
}

// The broadband (last) value of a labelled row of a parameter file.
inline double GlobalValue(const std::string& text, const std::string& label)
{
    const std::size_t row = text.find("\n" + label + "\t");
    if (row == std::string::npos) {
        return -1e9;
    }
    const std::size_t end = text.find('\n', row + 1);
    const std::size_t tab = text.rfind('\t', end);
    return std::stod(text.substr(tab + 1, end - tab - 1));
}

// The distance of the direct-sound line of a parameter file, m.
inline double DirectDistance(const std::string& text)
{
    double d = -1.0;
    const std::size_t at = text.find("Direct Sound: Distance = ");
    if (at != std::string::npos) {
        std::sscanf(text.c_str() + at, "Direct Sound: Distance = %lf", &d);
    }
    return d;
}

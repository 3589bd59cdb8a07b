// A DAFF directivity file as a source or receiver type loads it, then queried
// the way tracing and response synthesis query it: every channel, towards
// the front, the poles and both sides of the 0/360 degree seam.

#include <vector>

#include "FuzzSupport.h"
#include "directivity/TDirectivity.h"

namespace {

constexpr unsigned kBands = 9; // a project's band count

constexpr float kDirections[][2] = {
    {0.0f, 0.0f},    {359.99f, 0.0f},  {-0.01f, 0.0f},
    {180.0f, 90.0f}, {90.0f, -90.0f}, {725.0f, 45.0f},
};

void Query(TDirectivity& pattern)
{
    std::vector<float> bands(kBands);
    std::vector<float> response(static_cast<std::size_t>(pattern.GetIRLength()));
    for (int ch = 0; ch < pattern.GetNumChannels(); ++ch) {
        const auto channel = static_cast<unsigned>(ch);
        for (const auto& [azim, elev] : kDirections) {
            if (pattern.GetDAFFType() == TDirectivity::kImpulseResponse) {
                pattern.GetDirectionalIR(azim, elev, channel, response.data());
                pattern.GetDelay(azim, elev, channel);
            } else {
                pattern.GetMagnitudes(azim, elev, channel, bands.data());
            }
            pattern.GetEnergy(azim, elev, channel);
        }
    }
    pattern.GetFrontDelay();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const FuzzFile file("pattern.daff", data, size);
    IgnoringFatal([&] {
        TDirectivity pattern(file.Path(), kBands);
        Query(pattern);
    });
    return 0;
}

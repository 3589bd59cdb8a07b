// A source's sound file: the compatibility check the source dialog makes,
// then the header and samples the auralization reads.

#include <vector>

#include "FuzzSupport.h"
#include "audio/TWavTools.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const FuzzFile file("sound.wav", data, size);
    IgnoringFatal([&] { WavIsCompatible(file.Path()); });
    IgnoringFatal([&] {
        std::vector<float> samples;
        readWAVData(file.Path(), samples);
    });
    return 0;
}

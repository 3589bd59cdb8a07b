// A saved response file as reopening a project reads it: the room of the
// project below finds its one pair's file, rebuilds its result grid from it
// and computes the pair's parameters. A response 0.05 s long keeps a whole
// file (2205 lines) within reach of a mutation.

#include <memory>

#include "FuzzSupport.h"
#include "room/TRoom.h"

namespace {

constexpr char kProject[] = R"(<ENVIRONMENT>
TEMPERATURE = 20.0
PRESSURE = 1.00
HUMIDITY = 50.0
</ENVIRONMENT>
<SIMULATION>
MAX_TIME = 0.05
SAMPLE_RATE = 44100
CLUSTER_ORDER = 1
AURALIZATION = 0
</SIMULATION>
<LAYERS::SOURCE>
omni OMNI 0.0 0.0 0.0 0.0 0.0 0.0 0.0 0.0 0.0
</LAYERS::SOURCE>
<SOURCES>
1.00 1.00 1.20 1002 0.0 0.0 90.0 omni NONE
</SOURCES>
<LAYERS::RECEIVER>
mic OMNI
</LAYERS::RECEIVER>
<RECEIVERS>
3.00 2.00 1.20 0.5 0.0 mic
</RECEIVERS>
<MATERIALS>
wall20 0.20 0.20 0.20 0.20 0.20 0.20 0.20 0.20 0.20 0.10
</MATERIALS>
<LAYERS::PLANE>
walls wall20
</LAYERS::PLANE>
<PLANES>
4 0.00 0.00 0.00 4.00 0.00 0.00 4.00 3.00 0.00 0.00 3.00 0.00 walls
4 0.00 0.00 2.50 0.00 3.00 2.50 4.00 3.00 2.50 4.00 0.00 2.50 walls
4 0.00 0.00 0.00 0.00 0.00 2.50 4.00 0.00 2.50 4.00 0.00 0.00 walls
4 0.00 3.00 0.00 4.00 3.00 0.00 4.00 3.00 2.50 0.00 3.00 2.50 walls
4 0.00 0.00 0.00 0.00 3.00 0.00 0.00 3.00 2.50 0.00 0.00 2.50 walls
4 4.00 0.00 0.00 4.00 0.00 2.50 4.00 3.00 2.50 4.00 3.00 0.00 walls
</PLANES>
)";

// Loaded once: only the response file changes from one input to the next.
TRoom& LoadedRoom()
{
    static const std::unique_ptr<TRoom> room = [] {
        const FuzzFile project("room.txt", reinterpret_cast<const std::uint8_t*>(kProject),
                               sizeof kProject - 1);
        auto loaded = std::make_unique<TRoom>();
        loaded->LoadAndAnalyse(project.Path());
        return loaded;
    }();
    return *room;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    TRoom& room = LoadedRoom();
    const FuzzFile file("S001-R001.txt", data, size);
    IgnoringFatal([&] {
        if (room.CheckSavedResults()) {
            room.LoadResults();
        }
    });
    return 0;
}

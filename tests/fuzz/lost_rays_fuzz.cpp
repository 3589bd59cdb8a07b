// The lost-rays file a project folder holds after a run, read for display.

#include "FuzzSupport.h"
#include "room/TRoom.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const FuzzFile file("LostRays.txt", data, size);
    TRoom room;
    room.ProjectFolder = FuzzFolder();
    IgnoringFatal([&] { room.LoadLostRaysTxt(); });
    return 0;
}

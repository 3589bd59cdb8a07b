// A project file as the program opens it: read, then the geometry analysed
// and the room's estimates and report computed.

#include "FuzzSupport.h"
#include "room/TRoom.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const FuzzFile file("project.txt", data, size);
    TRoom room;
    IgnoringFatal([&] { room.LoadAndAnalyse(file.Path()); });
    return 0;
}

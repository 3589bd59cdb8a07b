#include "dxf/DxfLayers.h"

#include <gtest/gtest.h>

#include "DxfTestText.h"
#include "TestFiles.h"

TEST(ReadDXFLayerNames, TableOrderWithAndWithoutMarkers)
{
    const std::vector<std::string> expected = {"0",     "Defpoints", "SRC",   "REC", "Main Wall",
                                               "WALLS", "CEILING",   "FLOOR", "ROOM"};
    EXPECT_EQ(ReadDXFLayerNames(TestScenePath()), expected);

    // Release 12 tables carry no "AcDbLayerTableRecord"; a line that is no
    // group code ends the list with the names read so far.
    ScratchFolder folder;
    std::string r12;
    const std::vector<std::string> lines = SplitLines(ReadFileText(TestScenePath()));
    for (std::size_t i = 0; i + 1 < lines.size() && lines[i + 1] != "STYLE"; i += 2) {
        if (lines[i] != "100") {
            r12 += lines[i] + "\n" + lines[i + 1] + "\n";
        }
    }
    testing::internal::CaptureStdout();
    EXPECT_EQ(ReadDXFLayerNames(folder.Touch("r12.dxf", r12 + "junk\n")), expected);
    EXPECT_NE(testing::internal::GetCapturedStdout().find("a group code was expected"),
              std::string::npos);
}

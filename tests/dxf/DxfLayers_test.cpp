#include "dxf/DxfLayers.h"

#include <gtest/gtest.h>

#include "DxfTestText.h"
#include "TestFiles.h"

TEST(ReadDXFLayerNames, TestSceneInTableOrder)
{
    const std::vector<std::string> expected = {"0",    "Defpoints", "SRC",     "REC", "Main Wall",
                                               "WALLS", "CEILING",  "FLOOR", "ROOM"};
    EXPECT_EQ(ReadDXFLayerNames(TestScenePath()), expected);

    // Release 12 tables carry no "AcDbLayerTableRecord" marker, and other
    // writers put more groups between the marker and the name.
    ScratchFolder folder;
    std::string r12;
    std::string extra;
    const std::vector<std::string> lines = SplitLines(ReadFileText(TestScenePath()));
    for (std::size_t i = 0; i + 1 < lines.size(); i += 2) {
        if (TrimDxfText(lines[i]) != "100") {
            r12 += lines[i] + "\n" + lines[i + 1] + "\n";
        }
        extra += lines[i] + "\n" + lines[i + 1] + "\n";
        if (lines[i + 1] == "AcDbLayerTableRecord") {
            extra += Pair(70, "0") + Pair(62, "7");
        }
    }
    {
        SCOPED_TRACE("without markers");
        EXPECT_EQ(ReadDXFLayerNames(folder.Touch("r12.dxf", r12)), expected);
    }
    {
        SCOPED_TRACE("groups before the name");
        EXPECT_EQ(ReadDXFLayerNames(folder.Touch("extra.dxf", extra)), expected);
    }
}

TEST(ReadDXFLayerNames, OddFiles)
{
    ScratchFolder folder;
    EXPECT_FALSE(ReadDXFLayerNames(folder.Path("missing.dxf")).has_value());
    EXPECT_EQ(ReadDXFLayerNames(folder.Touch("empty.dxf")), std::vector<std::string>());

    const std::string table = Pair(0, "SECTION") + Pair(2, "TABLES") + Pair(0, "TABLE") +
                              Pair(2, "LAYER") + Pair(70, "2") + Pair(0, "LAYER") +
                              Pair(2, "A") + Pair(0, "LAYER") + Pair(2, "B");
    {
        SCOPED_TRACE("names read before a line that is no group code are kept");
        testing::internal::CaptureStdout();
        const auto names = ReadDXFLayerNames(folder.Touch("broken.dxf", table + "junk\n"));
        EXPECT_NE(testing::internal::GetCapturedStdout().find("a group code was expected"),
                  std::string::npos);
        EXPECT_EQ(names, (std::vector<std::string>{"A", "B"}));
    }
    {
        SCOPED_TRACE("other tables' records are no layers");
        const std::string other = Pair(0, "ENDTAB") + Pair(0, "TABLE") + Pair(2, "STYLE") +
                                  Pair(0, "STYLE") + Pair(2, "Standard") + Pair(0, "ENDTAB");
        EXPECT_EQ(ReadDXFLayerNames(folder.Touch("styles.dxf", table + other)),
                  (std::vector<std::string>{"A", "B"}));
    }
}

#pragma once
// Helpers of the DXF tests: drawings built pair by pair, edits of the shared
// drawing, and running a converter on a file.

#include <cstdio>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "TestSupport.h"
#include "dxf/TDxfReader.h"
#include "util/ErrorMessage.h"
#include "util/TextParsing.h"

inline std::string TestScenePath() { return TestDataPath("dxf/testscene_R2000.dxf"); }

// One group-code/value pair with the code right-aligned in three columns.
inline std::string Pair(int code, const std::string& value)
{
    return FormatText("%3d\n%s\n", code, value.c_str());
}

// A drawing of one ENTITIES section holding the given pairs.
inline std::string EntitiesDrawing(const std::string& pairs)
{
    return Pair(0, "SECTION") + Pair(2, "ENTITIES") + pairs + Pair(0, "ENDSEC") + Pair(0, "EOF");
}

inline std::vector<std::string> SplitLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t begin = 0;
    while (begin < text.size()) {
        const std::size_t end = text.find('\n', begin);
        if (end == std::string::npos) {
            lines.push_back(text.substr(begin));
            break;
        }
        lines.push_back(text.substr(begin, end - begin));
        begin = end + 1;
    }
    return lines;
}

inline std::string JoinLines(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines) {
        text += line + "\n";
    }
    return text;
}

// What a converter wrote and printed.
struct TConversion {
    std::string lines;
    std::string console;
    int written = 0;
};

using TConverter = int (*)(FILE*, FILE*, const std::string&);

inline TConversion Convert(TConverter converter, const std::string& dxfPath,
                           const std::string& layer)
{
    TConversion result;
    TFileCloser dxf(std::fopen(dxfPath.c_str(), "rt"));
    TFileCloser out(std::tmpfile());
    if (dxf.get() == nullptr || out.get() == nullptr) {
        ADD_FAILURE() << "cannot open " << dxfPath;
        return result;
    }
    testing::internal::CaptureStdout();
    result.written = converter(dxf.get(), out.get(), layer);
    result.console = testing::internal::GetCapturedStdout();
    std::rewind(out.get());
    std::string line;
    while (ReadLine(out.get(), line)) {
        result.lines += line;
    }
    return result;
}

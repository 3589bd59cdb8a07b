#pragma once
// Helpers of the DXF tests: drawings built pair by pair, the shared drawing's
// lines, and running a converter on a file.

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "TestSupport.h"
#include "util/TextParsing.h"

inline std::string TestScenePath()
{
    return TestDataPath("dxf/testscene_R2000.dxf");
}

// One group-code/value pair, the code right-aligned in three columns.
inline std::string Pair(int code, const std::string& value)
{
    return FormatText("%3d\n%s\n", code, value.c_str());
}

inline std::string EntitiesDrawing(const std::string& pairs)
{
    return Pair(0, "SECTION") + Pair(2, "ENTITIES") + pairs + Pair(0, "ENDSEC") + Pair(0, "EOF");
}

inline std::vector<std::string> SplitLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
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

struct TConversion {
    std::string lines;   // written to the project file
    std::string console; // printed
    int written = 0;
};

inline TConversion Convert(int (*converter)(FILE*, FILE*, const std::string&),
                           const std::string& dxfPath, const std::string& layer)
{
    TConversion result;
    TFileCloser dxf(std::fopen(dxfPath.c_str(), "rt"));
    TFileCloser out(std::tmpfile());
    if (dxf.get() == nullptr || out.get() == nullptr) {
        ADD_FAILURE() << "cannot open " << dxfPath;
        return result;
    }
    const ConsoleRecorder console;
    result.written = converter(dxf.get(), out.get(), layer);
    result.console = console.text;
    std::rewind(out.get());
    for (std::string line; ReadLine(out.get(), line);) {
        result.lines += line;
    }
    return result;
}

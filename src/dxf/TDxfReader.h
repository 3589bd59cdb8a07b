#pragma once
// Reading ASCII DXF drawings as group-code/value pairs.
//
// A DXF file is a sequence of pairs, each a group-code line (an integer that
// some writers right-align in three columns) followed by a value line. Reading
// pairs rather than counting lines keeps the readers right when a writer puts
// optional groups (colour 62, line type 6, line weight 370, thickness 39, ...)
// between the ones we need. Nothing here trusts a count found in the file: all
// storage grows with what is actually read.

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

struct TDxfPair {
    int code = 0;
    std::string value; // the value line without its line end
    long line = 0;     // line number of the group-code line, from 1
};

// One entity: its type (the value of its group 0) and the pairs that follow,
// up to the next group 0.
struct TDxfEntity {
    std::string type;
    long line = 0; // line of the entity's group 0
    std::vector<TDxfPair> pairs;

    // Value of the first pair with this code, or null.
    const std::string* Find(int code) const;
    // The layer (group 8), or an empty string when the entity names none.
    std::string Layer() const;
    // True when a subclass marker (group 100) has this value.
    bool HasMarker(const std::string& subclass) const;
    // True when the entity carries any subclass marker: files of release 13
    // and later do, release 12 files never.
    bool HasMarkers() const;
    // Value of the first pair with this code as a number: nothing when the
    // group is absent or its value is not a finite number.
    std::optional<double> Number(int code) const;
    std::optional<int> Integer(int code) const;
};

// Reads pairs from the current position of a file it does not own.
class TDxfReader {
public:
    explicit TDxfReader(FILE* file) : m_file(file) {}

    // Next pair; false at the end of the file, or at a line that cannot be a
    // group code, after which Problem() says why reading stopped early.
    bool Next(TDxfPair& pair);
    // Empty unless reading stopped before the end of the file.
    const std::string& Problem() const { return m_problem; }

private:
    FILE* m_file;
    long m_line = 0;
    std::string m_problem;
};

// The entities of a drawing's ENTITIES section, in file order.
struct TDxfEntities {
    bool found = false;    // the file has an ENTITIES section
    bool complete = false; // the section ended with ENDSEC
    std::vector<TDxfEntity> entities;
};

// Rewinds the file and reads its ENTITIES section. An entity cut off by the
// end of the file or by a line that is not a group code is reported on the
// console and left out.
TDxfEntities ReadDxfEntities(FILE* dxf);

// The text without leading and trailing blanks, tabs and carriage returns.
std::string TrimDxfText(const std::string& text);

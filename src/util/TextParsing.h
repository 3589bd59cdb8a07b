#pragma once
// Reading text files line by line and converting their fields. Lines are read
// whole whatever their length; a carriage return before the line feed (files
// saved on other systems) is dropped, so such files read the same.

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

// Reads one line including its line feed (none on a last unterminated line).
// False at end of file.
bool ReadLine(FILE* file, std::string& line);

// The blank-separated tokens of a record line (runs of blanks, tabs and the
// line end separate, as formatted input does).
std::vector<std::string> SplitFields(const std::string& line);

// Strict conversions of a whole token: nothing for text that is not a finite
// number of the kind asked for.
std::optional<double> ParseDouble(const std::string& token);
std::optional<int> ParseInt(const std::string& token);

// Truncation towards zero that saturates at the limits of int (NaN gives 0):
// settings read as float must never overflow an integer conversion.
int TruncateToInt(double value);

// Owns a FILE* and closes it.
class TFileCloser {
public:
    explicit TFileCloser(FILE* file) : m_file(file) {}
    ~TFileCloser()
    {
        if (m_file != nullptr) {
            std::fclose(m_file);
        }
    }
    TFileCloser(const TFileCloser&) = delete;
    TFileCloser& operator=(const TFileCloser&) = delete;
    FILE* get() const { return m_file; }
    // Closes now; false when buffered data could not be written.
    bool Close()
    {
        const bool ok = m_file == nullptr || std::fclose(m_file) == 0;
        m_file = nullptr;
        return ok;
    }

private:
    FILE* m_file;
};

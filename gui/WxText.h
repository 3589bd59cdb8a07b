#pragma once
// Text between the core (UTF-8 std::string) and the toolkit.

#include <string>

#include <wx/string.h>

// Bytes that are not valid UTF-8 (a file name from an old drawing, say) are
// shown as Latin-1 rather than dropping the whole text.
inline wxString ToWx(const std::string& text)
{
    wxString converted = wxString::FromUTF8(text);
    if (converted.empty() && !text.empty()) {
        converted = wxString::From8BitData(text.data(), text.size());
    }
    return converted;
}

inline std::string FromWx(const wxString& text)
{
    return std::string(text.utf8_str());
}

// A string list of header lines "Name: value" with lookup and replacement by field name.
// Portable.
#pragma once

#include <string>
#include <string_view>

#include "toolkit/Classes.h"

class TExStringList : public TStringList {
public:
    using TStringList::TStringList;

    // Index of the first line whose text before its first ":" equals name, ignoring letter
    // case; lines without ":" never match. -1 when there is none.
    int FindHeader(std::string_view name) const;
    // Writes "name: value" in place of the existing line (or at the end); an empty value
    // deletes the line.
    void SetHeader(std::string_view name, std::string_view value);
};

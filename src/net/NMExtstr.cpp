#include "net/NMExtstr.h"

#include "toolkit/SysUtils.h"

namespace {

// The field name of a header line, or false when the line has no ":".
bool FieldName(const std::string& line, std::string_view& name) {
    size_t colon = line.find(':');
    if (colon == std::string::npos) return false;
    name = std::string_view(line).substr(0, colon);
    return true;
}

} // namespace

int TExStringList::FindHeader(std::string_view name) const {
    if (Sorted()) {
        // A sorted list is ordered by whole line, which orders the field names the same way as
        // long as no name is a prefix of another; search by halving, then step back to the first.
        int lo = 0, hi = Count() - 1, found = -1;
        while (lo <= hi) {
            int mid = (lo + hi) / 2;
            std::string_view field;
            // A line without ":" never matches. It sorts before the lines that start with its
            // text and a colon, so the search goes on after it when its text is the name.
            const bool hasColon = FieldName((*this)[mid], field);
            int cmp = hasColon ? CompareText(field, name) : CompareText((*this)[mid], name);
            if (cmp == 0 && !hasColon) cmp = -1;
            if (cmp == 0) {
                found = mid;
                hi = mid - 1;
            } else if (cmp < 0)
                lo = mid + 1;
            else
                hi = mid - 1;
        }
        if (found >= 0) return found;
        // Fall back to a plain scan: lines without a colon or with prefix names can break the order.
    }
    for (int i = 0; i < Count(); ++i) {
        std::string_view field;
        if (FieldName((*this)[i], field) && SameText(field, name)) return i;
    }
    return -1;
}

void TExStringList::SetHeader(std::string_view name, std::string_view value) {
    int i = FindHeader(name);
    if (!value.empty()) {
        std::string line;
        line.reserve(name.size() + 2 + value.size());
        line.append(name).append(": ").append(value);
        if (i < 0)
            Add(std::move(line));
        else
            SetStrings(i, std::move(line));
    } else if (i >= 0) {
        Delete(i);
    }
}

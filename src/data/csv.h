#pragma once
// Line and field splitting for the program's comma-separated files (no quoting, no header).

#include <string_view>
#include <vector>

namespace corvala {

// Calls onLine(line) for every line of `bytes`, without its CR LF or LF. A final line without a
// line break counts; the empty text after a final line break does not.
template <typename OnLine>
void ForEachLine(std::string_view bytes, OnLine onLine) {
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        std::size_t end = bytes.find('\n', pos);
        const std::size_t next = end == std::string_view::npos ? bytes.size() : end + 1;
        if (end == std::string_view::npos) end = bytes.size();
        std::string_view line = bytes.substr(pos, end - pos);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        onLine(line);
        pos = next;
    }
}

// Splits `line` at every comma into `fields` (cleared first); views point into `line`.
inline void SplitFields(std::string_view line, std::vector<std::string_view>& fields) {
    fields.clear();
    std::size_t start = 0;
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] == ',') {
            fields.push_back(line.substr(start, i - start));
            start = i + 1;
        }
    }
    fields.push_back(line.substr(start));
}

}  // namespace corvala

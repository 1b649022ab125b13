#include "trading/records.h"

namespace corvala {

std::vector<std::string> AllocationList(const std::string& joined) {
    std::vector<std::string> out;
    if (joined.empty()) return out;
    std::string piece;
    for (char c : joined) {
        if (c == ',') {
            out.push_back(piece);
            piece.clear();
        } else {
            piece += c;
        }
    }
    out.push_back(piece);
    return out;
}

}  // namespace corvala

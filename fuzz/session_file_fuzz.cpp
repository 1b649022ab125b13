// A session file against arbitrary bytes: refused with a reason, or read into a session whose
// steps never go back and whose data files stay inside the data folder; what is read, written
// again, reads back the same.

#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "replay/session_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace corvala;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    std::string error;
    const auto f = ParseSession(bytes, error);
    if (!f) {
        if (error.empty()) std::abort();
        return 0;
    }
    for (std::size_t i = 1; i < f->actions.size(); ++i)
        if (f->actions[i].step < f->actions[i - 1].step) std::abort();
    for (const SessionDataFile& file : f->start.files)
        if (file.name.empty() || file.name.front() == '/' || file.name.find("..") != std::string::npos) std::abort();

    std::string again = SessionHeaderLine(f->start);
    for (const SessionAction& a : f->actions) again += SessionActionLine(a);
    const auto g = ParseSession(again, error);
    if (!g || g->actions.size() != f->actions.size() || g->start.seed != f->start.seed ||
        g->start.files.size() != f->start.files.size() || g->start.dataFolder != f->start.dataFolder)
        std::abort();
    for (std::size_t i = 0; i < f->actions.size(); ++i)
        if (g->actions[i].op != f->actions[i].op || g->actions[i].args != f->actions[i].args ||
            g->actions[i].step != f->actions[i].step)
            std::abort();
    return 0;
}

// Writes the factory settings, setsim(初期), into the install folder given as the argument.

#include <cstdio>

#include "platform/files.h"
#include "settings/settings.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: corvala-factory-settings INSTALL_DIR\n");
        return 1;
    }
    const std::string path = corvala::JoinPath(argv[1], corvala::kFactorySettingsFile);
    if (!corvala::WriteFileAtomically(path, corvala::WriteSettings(corvala::FactorySettings()))) {
        std::fprintf(stderr, "corvala-factory-settings: cannot write %s\n", path.c_str());
        return 1;
    }
    return 0;
}

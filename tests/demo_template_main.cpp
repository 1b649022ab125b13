// corvala_demo_template FOLDER: writes the demo install that the tests of one ctest run copy
// (demo_install.h), replacing whatever FOLDER held.

#include <cstdio>

#include "demo_install.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: corvala_demo_template FOLDER\n", stderr);
        return 2;
    }
    const corvala::DemoManifest m = corvala::test::WriteDemoTemplate(argv[1]);
    if (!m.ok) {
        std::fprintf(stderr, "corvala_demo_template: %s\n", m.error.c_str());
        return 1;
    }
    std::printf("corvala_demo_template: %zu day files, %ju bytes under %s\n", m.files.size(), m.totalBytes,
                m.installFolder.c_str());
    return 0;
}

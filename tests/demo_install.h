#pragma once
// Demo installs for tests. Generating one takes seconds (many more under the sanitizers), and
// ctest runs every test in a process of its own, so a ctest run generates the demo install once:
// the fixture demo_template writes it, with its manifest, into the folder that the tests find in
// the environment variable CORVALA_DEMO_TEMPLATE. Every process then copies it into a folder of
// its own, since tests write history and settings into the install and change its files; the
// template itself is never handed out. A test started without the variable (by hand, or under a
// debugger) generates its install itself, as before.

#include <string>

#include "demo_data/demo_manifest.h"

namespace corvala::test {

inline constexpr const char* kDemoTemplateVariable = "CORVALA_DEMO_TEMPLATE";

// The folder that CORVALA_DEMO_TEMPLATE names, or "" when it is unset or empty.
std::string DemoTemplateFolder();

// Writes a template into `folder`, emptied first: the demo install under <folder>/install, then
// its manifest as <folder>/manifest.json, last, so that a generation that failed leaves none. The
// generated manifest comes back; ok == false with the reason in `error` on a failure.
DemoManifest WriteDemoTemplate(const std::string& folder);

// Copies the template in `templateFolder` to `installFolder`, which must not exist yet. The
// manifest names the copy's files; ok == false with the reason in `error` when the template is
// missing, incomplete or cannot be copied.
DemoManifest CopyDemoTemplate(const std::string& templateFolder, const std::string& installFolder);

// A demo install at `installFolder` (which must not exist yet): a copy of DemoTemplateFolder()
// when there is one, generated otherwise.
DemoManifest MakeDemoInstall(const std::string& installFolder);

}  // namespace corvala::test

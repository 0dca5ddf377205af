#include "platform/main/CommandLine.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/ipc/RuntimeFolder.h"

namespace dv {
namespace {

constexpr int kExitOk = 0;
constexpr int kExitUsage = 2;  // as dialvane-ctl's

constexpr const char* kVersion = DV_VERSION;
constexpr const char* kUsage =
    "usage: dialvane [--help | --version]\n"
    "\n"
    "The settings panel of the unit, 480 x 234. It takes no arguments; the\n"
    "environment sets it up (DIALVANE_ROOT, DIALVANE_RUNTIME, DIALVANE_LOG,\n"
    "DIALVANE_SCALE, DIALVANE_FULLSCREEN, DIALVANE_DISPLAY, DIALVANE_PRESENT;\n"
    "see the README).\n"
    "\n"
    "  --help     print this and exit\n"
    "  --version  print the version and exit\n";

}  // namespace

void HandleCommandLine(int argc, char** argv) {
    if (argc <= 1) {
        return;
    }
    const std::string_view first = argv[1];
    if (argc == 2 && first == "--help") {
        std::fputs(kUsage, stdout);
        std::exit(kExitOk);
    }
    if (argc == 2 && first == "--version") {
        std::printf("dialvane %s\n", kVersion);
        std::exit(kExitOk);
    }
    // A runtime folder that must be refused is said first, as at every
    // start, whatever else is wrong.
    if (const std::string problem = ipc::PrepareRuntimeDir(); !problem.empty()) {
        std::fprintf(stderr, "dialvane: %s\n", problem.c_str());
    }
    std::fprintf(stderr, "dialvane: unknown argument '%s'\n%s", argv[1], kUsage);
    std::exit(kExitUsage);
}

}  // namespace dv

// make_demo_sets [--alike] DIR: writes two sets of five synthetic takes into
// DIR/reference and DIR/comparison and says what to answer to analyse them.
// With --alike the comparison takes carry no planted difference: both sets are
// drawn from one distribution, as a check that the verdict finds nothing.

#include <cstdio>
#include <string>

#include "demo/recordings.hpp"

int main(int argc, char** argv) {
    using namespace trellmark::demo;
    const bool alike = argc == 3 && std::string(argv[1]) == "--alike";
    if ((argc != 2 && !alike) || argv[argc - 1][0] == '\0') {
        std::fprintf(stderr, "usage: make_demo_sets [--alike] DIR\n");
        return 2;
    }
    const std::string directory = argv[argc - 1];
    const DemoLayout layout = makeDemoSets(directory, alike);
    for (const std::string& path : layout.paths) std::printf("wrote %s\n", path.c_str());
    if (!layout.written) {
        std::fprintf(stderr, "make_demo_sets: could not write every file under %s\n",
                     directory.c_str());
        return 1;
    }
    std::printf(
        "\nTo compare the two sets, answer:\n"
        "  reference directory   %s/reference\n"
        "  core filename         %s\n"
        "  impulse threshold     %d\n"
        "  analysis length       %d\n"
        "  confidence level      95\n"
        "  comparison directory  %s/comparison\n"
        "  core filename         %s\n"
        "%s",
        directory.c_str(), demoCoreName, static_cast<int>(demoImpulseThreshold),
        static_cast<int>(demoAnalysisLength), directory.c_str(), demoCoreName,
        alike ? "Both sets are drawn from one distribution: they do not differ.\n"
              : "The comparison takes carry an extra 2500 Hz tone of about 65 LSB\n"
                "over analysis samples 11025 to 22049.\n");
    return 0;
}

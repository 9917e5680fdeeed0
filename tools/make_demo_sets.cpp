// make_demo_sets DIR: writes two sets of five synthetic takes into
// DIR/reference and DIR/comparison and says what to answer to analyse them.

#include <cstdio>
#include <string>

#include "demo/recordings.hpp"

int main(int argc, char** argv) {
    using namespace trellmark::demo;
    if (argc != 2 || argv[1][0] == '\0') {
        std::fprintf(stderr, "usage: make_demo_sets DIR\n");
        return 2;
    }
    const std::string directory = argv[1];
    const DemoLayout layout = makeDemoSets(directory);
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
        "The comparison takes carry an extra 2500 Hz tone of about 65 LSB\n"
        "over analysis samples 11025 to 22049.\n",
        directory.c_str(), demoCoreName, static_cast<int>(demoImpulseThreshold),
        static_cast<int>(demoAnalysisLength), directory.c_str(), demoCoreName);
    return 0;
}

#pragma once
// The report page's script and style, embedded into the program by the build
// (cmake/EmbedFiles.cmake) in the order CMakeLists.txt lists them.

#include <string_view>

namespace trellmark {

std::string_view embeddedFile0();
std::string_view embeddedFile1();
std::string_view embeddedFile2();
std::string_view embeddedFile3();

// uPlot, the chart library (third_party/uplot), and its style.
inline std::string_view chartLibraryScript() {
    return embeddedFile0();
}
inline std::string_view chartLibraryStyle() {
    return embeddedFile1();
}
// The page's own script and style (src/report/page/).
inline std::string_view pageScript() {
    return embeddedFile2();
}
inline std::string_view pageStyle() {
    return embeddedFile3();
}

}  // namespace trellmark

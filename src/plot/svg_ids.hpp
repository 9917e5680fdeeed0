#pragma once
// Making cairo's SVG output the same for the same drawing, whatever else the process drew.

#include <string>

namespace trellmark {

// cairo names SVG groups "surface<n>" after a counter shared by the whole process, so a second
// figure would differ from the first. Renumbers them 1, 2, ... in the order they first appear,
// wherever they stand as an id="surface<n>" or a "#surface<n>" reference.
std::string renumberSurfaceIds(const std::string& svg);

}  // namespace trellmark

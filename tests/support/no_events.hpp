#pragma once
// For runs whose news a test does not look at.

#include "analysis/analysis_events.hpp"

namespace trellmark {

inline AnalysisEvents& noEvents() {
    static AnalysisEvents silent;
    return silent;
}

}  // namespace trellmark

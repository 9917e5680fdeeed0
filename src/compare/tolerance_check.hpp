#pragma once
// The null test held against the tolerances a CI job gives: each limit with
// the sentence that says whether the difference stayed within it.

#include <string>
#include <vector>

#include "analysis/null_test.hpp"
#include "options/command_line.hpp"

namespace trellmark {

struct ToleranceCheck {
    bool within = true;                  // within every tolerance given
    std::vector<std::string> sentences;  // one per tolerance, in the order of the options
};

ToleranceCheck checkTolerances(const NullFigures& figures, const Tolerances& tolerance);

}  // namespace trellmark

#pragma once
// The null test held against the tolerances a CI job gives: each limit with
// the sentence that says whether the difference stayed within it.

#include <string>
#include <string_view>
#include <vector>

#include "analysis/null_test.hpp"
#include "options/command_line.hpp"

namespace trellmark {

struct ToleranceCheck {
    bool within = true;                  // within every tolerance given
    std::vector<std::string> sentences;  // one per tolerance, in the order of the options
};

// Each sentence begins with `lead`: the line's indent, or a channel's name.
ToleranceCheck checkTolerances(const NullFigures& figures, const Tolerances& tolerance,
                               std::string_view lead = "   ");

}  // namespace trellmark

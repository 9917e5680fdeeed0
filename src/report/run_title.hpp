#pragma once
// The name a run goes by at the top of its figure and its page.

#include <string>

#include "analysis/run_results.hpp"

namespace trellmark {

// "Trellmark: <reference dir>/<core>*.wav against <comparison dir>/<core>*.wav".
std::string runTitle(const RunResults& run);

}  // namespace trellmark

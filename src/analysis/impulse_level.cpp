#include "analysis/impulse_level.hpp"

#include <cmath>

namespace trellmark {

namespace {

template <class Value>
double levelOf(std::span<const Value> levelWindow) {
    double sumOfSquares = 0;
    for (const Value value : levelWindow) {
        const double v = value;
        sumOfSquares += v * v;
    }
    return std::sqrt(sumOfSquares / static_cast<double>(levelWindowLength));
}

}  // namespace

double measureLevel(std::span<const std::int32_t> levelWindow) {
    return levelOf(levelWindow);
}

double measureLevel(std::span<const double> levelWindow) {
    return levelOf(levelWindow);
}

}  // namespace trellmark

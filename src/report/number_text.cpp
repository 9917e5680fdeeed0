#include "report/number_text.hpp"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace trellmark {
namespace {

constexpr int maxDecimals = 18;
// N carries 18 digits; a figure never asks for more than 17 of them, so digit
// nd + 1 always exists.
constexpr int storedDigits = 18;
constexpr int infiniteExponent = 999;

// 10^n for 0 <= n <= 18. Every such power has at most 43 significant bits, so
// the products below are exact in the 64-bit mantissa.
long double powerOfTen(int n) {
    long double p = 1.0L;
    for (int i = 0; i < n; ++i) p *= 10.0L;
    return p;
}

struct Digits {
    std::string d;  // the digits of the magnitude after the point
    int e = 0;      // magnitude = 0.d x 10^e
};

// The 18-digit N and exponent e of a finite, non-zero magnitude. glibc's
// conversion is exact on the binary value and rounds half to even in the
// default rounding mode, which is the rounding N needs.
Digits eighteenDigits(long double magnitude) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.17Le", magnitude);
    // buffer: d.ddddddddddddddddde[+-]x...
    Digits result;
    result.d.reserve(storedDigits);
    result.d.push_back(buffer[0]);
    const char* p = buffer + 2;
    while (*p != 'e') result.d.push_back(*p++);
    result.e = std::atoi(p + 1) + 1;
    return result;
}

// Keeps the first nd digits; digit nd + 1 alone decides, a 5 rounding the kept
// digits to even whatever follows it.
void roundToDigits(Digits& digits, int nd) {
    const char next = digits.d[nd];
    digits.d.resize(nd);
    const bool lastOdd = (digits.d.back() - '0') % 2 == 1;
    if (next < '5' || (next == '5' && !lastOdd)) return;
    int i = nd - 1;
    while (i >= 0 && digits.d[i] == '9') digits.d[i--] = '0';
    if (i >= 0) {
        ++digits.d[i];
    } else {
        digits.d.insert(digits.d.begin(), '1');
        digits.d.pop_back();
        ++digits.e;
    }
}

std::string scientific(const std::string& d, int e) {
    std::string body(1, d[0]);
    if (d.size() > 1) body += "." + d.substr(1);
    body += e - 1 >= 0 ? "E+" : "E-";
    body += std::to_string(std::abs(e - 1));
    return body;
}

std::string body(const std::string& d, int e, int nd) {
    const int k = static_cast<int>(d.size());
    if (e >= k) return e <= nd ? d + std::string(e - k, '0') : scientific(d, e);
    if (e > 0) return d.substr(0, e) + "." + d.substr(e);
    if (k - e <= nd) return "." + std::string(-e, '0') + d;
    return scientific(d, e);
}

}  // namespace

long double roundDecimals(long double x, int d) {
    if (!std::isfinite(x)) return x;
    if (d > maxDecimals) d = maxDecimals;
    // The program asks for 2 or 3 places; a negative count rounds to tens,
    // hundreds and so on.
    const long double scale = powerOfTen(d < 0 ? -d : d);
    const long double y = d < 0 ? x / scale : x * scale;
    // A magnitude this large has no fractional digits to cut; scaling it up
    // must not turn it into an infinity.
    if (!std::isfinite(y)) return x;
    const long double whole = std::nearbyintl(y);
    return d < 0 ? whole * scale : whole / scale;
}

std::string numberText(long double x, int nd) {
    if (nd < 1) nd = 1;
    if (nd > storedDigits - 1) nd = storedDigits - 1;
    // Neither a zero of either sign nor a failed division shows a minus sign.
    if (std::isnan(x) || x == 0) return " 0 ";
    const std::string sign = std::signbit(x) ? "-" : " ";

    Digits digits;
    if (std::isinf(x)) {
        digits.d = std::string(nd, '9');
        digits.e = infiniteExponent;
    } else {
        digits = eighteenDigits(std::fabs(x));
        roundToDigits(digits, nd);
    }
    while (digits.d.size() > 1 && digits.d.back() == '0') digits.d.pop_back();
    return sign + body(digits.d, digits.e, nd) + " ";
}

}  // namespace trellmark

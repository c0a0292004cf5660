#include "input/asciinumber.h"

#include <QString>

#include <charconv>
#include <cmath>
#include <cstdint>

namespace {

// The toolkit's own conversions: the rule every fast answer must agree with.
double slowDouble(const char* begin, const char* end)
{
    return QString::fromLatin1(begin, int(end - begin)).toDouble();
}

int slowInt(const char* begin, const char* end)
{
    return QString::fromLatin1(begin, int(end - begin)).toInt(nullptr, 10);
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Powers of ten that a double holds exactly.
constexpr double kExactPowers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                   1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                   1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

} // namespace

const char* plainDecimalEnd(const char* p, const char* end, double& value)
{
    bool negative = false;
    if (p < end && (*p == '-' || *p == '+')) {
        negative = *p == '-';
        ++p;
    }
    // Both the digits as a whole number (below 10^15) and the power of ten
    // are exact, so the one rounding of the quotient is the correctly
    // rounded value of the decimal; a zero keeps its sign.
    std::uint64_t mantissa = 0;
    const char* q = p;
    for (; q < end && isDigit(*q); ++q)
        mantissa = mantissa * 10 + std::uint64_t(*q - '0');
    int digits = int(q - p);
    int fraction = 0;
    if (q < end && *q == '.') {
        const char* first = ++q;
        for (; q < end && isDigit(*q); ++q)
            mantissa = mantissa * 10 + std::uint64_t(*q - '0');
        fraction = int(q - first);
        digits += fraction;
    }
    if (digits == 0 || digits > 15)
        return nullptr;
    const double v = double(mantissa) / kExactPowers[fraction];
    value = negative ? -v : v;
    return q;
}

double asciiToDouble(const char* begin, const char* end)
{
    if (end - begin > kLongestPlainNumber)
        return slowDouble(begin, end);

    {
        double v = 0.0;
        if (plainDecimalEnd(begin, end, v) == end)
            return v;
    }

    const char* p = begin;
    bool negative = false;
    if (p < end && (*p == '-' || *p == '+')) {
        negative = *p == '-';
        ++p;
    }

    // [sign] digits [. digits] [e|E [sign] digits], at least one mantissa
    // digit: the shape both this code and the toolkit read the same way.
    const char* unsignedStart = p;
    std::uint64_t mantissa = 0;
    int significant = 0; // digits taken into mantissa, leading zeros skipped
    int exponent10 = 0;  // decimal exponent of mantissa's last digit
    bool anyDigit = false;
    for (; p < end && isDigit(*p); ++p) {
        anyDigit = true;
        if (mantissa == 0 && *p == '0')
            continue;
        mantissa = mantissa * 10 + std::uint64_t(*p - '0');
        ++significant;
    }
    if (p < end && *p == '.') {
        for (++p; p < end && isDigit(*p); ++p) {
            anyDigit = true;
            --exponent10;
            if (mantissa == 0 && *p == '0')
                continue;
            mantissa = mantissa * 10 + std::uint64_t(*p - '0');
            ++significant;
        }
    }
    if (!anyDigit)
        return slowDouble(begin, end);
    if (p < end && (*p == 'e' || *p == 'E')) {
        ++p;
        bool negativeExponent = false;
        if (p < end && (*p == '-' || *p == '+')) {
            negativeExponent = *p == '-';
            ++p;
        }
        if (p == end || !isDigit(*p))
            return slowDouble(begin, end);
        int written = 0;
        for (; p < end && isDigit(*p); ++p)
            written = std::min(written * 10 + (*p - '0'), 100000);
        exponent10 += negativeExponent ? -written : written;
    }
    if (p != end)
        return slowDouble(begin, end);

    // Only zero digits: a zero of the written sign, whatever the exponent.
    if (significant == 0)
        return negative ? -0.0 : 0.0;

    // Exact factors again, the power of ten now on either side.
    if (significant <= 15 && exponent10 >= -22 && exponent10 <= 22) {
        const double m = double(mantissa);
        const double v =
            exponent10 < 0 ? m / kExactPowers[-exponent10] : m * kExactPowers[exponent10];
        return negative ? -v : v;
    }

    // Correctly rounded as well; results the toolkit treats specially (out of
    // range, underflow to zero, subnormal) go to the toolkit.
    double v = 0.0;
    const auto [ptr, ec] = std::from_chars(unsignedStart, end, v, std::chars_format::general);
    if (ec != std::errc() || ptr != end || !std::isnormal(v))
        return slowDouble(begin, end);
    return negative ? -v : v;
}

int asciiToInt(const char* begin, const char* end)
{
    // [sign] up to nine digits always fits an int.
    const char* p = begin;
    bool negative = false;
    if (p < end && (*p == '-' || *p == '+')) {
        negative = *p == '-';
        ++p;
    }
    if (p == end || end - p > 9)
        return slowInt(begin, end);
    int value = 0;
    for (; p < end; ++p) {
        if (!isDigit(*p))
            return slowInt(begin, end);
        value = value * 10 + (*p - '0');
    }
    return negative ? -value : value;
}

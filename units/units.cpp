#include "units/units.h"

#include <charconv>
#include <cmath>
#include <cstddef>
#include <system_error>

std::string FormatClockMHz(uint32_t clock) {
    // The clock is in hundredths of a MHz, so the two decimals are exact:
    // splitting the integer gives what "%0.2f" of clock * 0.01 rounds to,
    // without going through a locale-aware printf.
    std::string text = std::to_string(clock / 100u);
    const uint32_t hundredths = clock % 100u;
    text += '.';
    text += static_cast<char>('0' + hundredths / 10u);
    text += static_cast<char>('0' + hundredths % 10u);
    return text;
}

std::string FormatDecimal(double value, int decimals) {
    // Room for the largest double in fixed notation: 309 digits, sign, point, decimals.
    char buffer[400];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    if (result.ec != std::errc()) return "0";
    return std::string(buffer, result.ptr);
}

std::string FormatVolts(double volts) {
    return FormatDecimal(volts, 3);
}

namespace {

// White space as the C locale's isspace sees it; the process locale must not matter.
bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// An exponent beyond this already over- or underflows whatever the digits are;
// clamping keeps the arithmetic on it from overflowing.
constexpr int64_t kExponentClamp = 1'000'000'000;

// The unsigned decimal that starts at `text`: where it ends, and the power of
// ten of its leading nonzero digit (meaningful only when the digits are not all zero).
struct DecimalSpan {
    const char* end = nullptr;
    int64_t leadingExponent = 0;
};

bool ScanUnsignedDecimal(const char* text, DecimalSpan& span) {
    const char* p = text;
    int64_t integerDigits = 0;
    int64_t firstNonzeroInteger = -1;
    for (; IsDigit(*p); ++p, ++integerDigits) {
        if (*p != '0' && firstNonzeroInteger < 0) firstNonzeroInteger = integerDigits;
    }
    int64_t fractionDigits = 0;
    int64_t firstNonzeroFraction = -1;
    if (*p == '.') {
        const char* fraction = p + 1;
        for (; IsDigit(fraction[fractionDigits]); ++fractionDigits) {
            if (fraction[fractionDigits] != '0' && firstNonzeroFraction < 0) {
                firstNonzeroFraction = fractionDigits;
            }
        }
        if (integerDigits + fractionDigits > 0) p = fraction + fractionDigits;
    }
    if (integerDigits + fractionDigits == 0) return false;

    int64_t exponent = 0;
    if (*p == 'e' || *p == 'E') {
        const char* q = p + 1;
        const bool negative = *q == '-';
        if (*q == '+' || *q == '-') ++q;
        if (IsDigit(*q)) {
            for (; IsDigit(*q); ++q) {
                if (exponent < kExponentClamp) exponent = exponent * 10 + (*q - '0');
            }
            if (negative) exponent = -exponent;
            p = q;
        }
    }

    span.end = p;
    if (firstNonzeroInteger >= 0) {
        span.leadingExponent = integerDigits - firstNonzeroInteger - 1 + exponent;
    } else {
        span.leadingExponent = -(firstNonzeroFraction + 1) + exponent;
    }
    return true;
}

}  // namespace

double ReadDecimal(const char* text, const char** end) {
    if (end != nullptr) *end = text;
    if (text == nullptr) return 0.0;

    const char* p = text;
    while (IsSpace(*p)) ++p;
    const bool negative = *p == '-';
    if (*p == '+' || *p == '-') ++p;

    DecimalSpan span;
    if (!ScanUnsignedDecimal(p, span)) return 0.0;

    double magnitude = 0.0;
    const auto result = std::from_chars(p, span.end, magnitude, std::chars_format::general);
    if (result.ec == std::errc::result_out_of_range) {
        magnitude = span.leadingExponent > 0 ? HUGE_VAL : 0.0;
    }
    if (end != nullptr) *end = span.end;
    return negative ? -magnitude : magnitude;
}

int32_t TruncateToInt32(double value) {
    if (std::isnan(value)) return 0;
    // Bounds are exact doubles; everything strictly between them truncates into range.
    if (value >= 2147483648.0) return INT32_MAX;
    if (value <= -2147483649.0) return INT32_MIN;
    return static_cast<int32_t>(value);
}

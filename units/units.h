// Numbers as the program shows and reads them. The decimal separator is always
// a point: a front end may switch the process locale to one with a comma, and
// neither printf nor strtod may follow it here.
#ifndef KORVAN_UNITS_UNITS_H
#define KORVAN_UNITS_UNITS_H

#include <cstdint>
#include <string>

/// A clock in the library's unit (10 kHz) as MHz with two decimals, e.g.
/// 50000 -> "500.00", 5 -> "0.05".
std::string FormatClockMHz(uint32_t clock);

/// A number in fixed notation with `decimals` (at most 64) decimals, as
/// printf's "%0.<decimals>f" prints it in the C locale.
std::string FormatDecimal(double value, int decimals);

/// Volts with three decimals, e.g. 1.4 -> "1.400".
std::string FormatVolts(double volts);

/// Reads a decimal number the way strtod does in the C locale: leading white
/// space, an optional sign, digits with an optional fraction and exponent,
/// up to the first character that does not fit. Hexadecimal, infinity and NaN
/// forms are not read. Text holding no number gives 0 and `*end` = `text`.
/// A value too large gives +-HUGE_VAL, one too small gives +-0. `end`, when
/// not null, receives where reading stopped. A null `text` gives 0.
double ReadDecimal(const char* text, const char** end = nullptr);

/// Truncates toward zero and clamps to the int32 range; NaN gives 0.
int32_t TruncateToInt32(double value);

#endif  // KORVAN_UNITS_UNITS_H

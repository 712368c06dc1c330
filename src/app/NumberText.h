#pragma once
// Conversions between stored text and window positions.

#include <string>

namespace talvoro {

// The leading number of `text`: blanks, tabs and line feeds are ignored wherever they stand;
// then an optional sign, digits, an optional "." with more digits and an optional exponent are
// read up to the first character that does not fit. No digits give 0. Never throws; a number
// beyond the range of double gives +/-infinity.
double leadingNumber(const std::string& text);

// The decimal text of a single-precision number: no thousands separators, no decimal point for
// whole numbers, at most seven significant digits, exponent form ("1E+30") for large or tiny
// values.
std::string numberText(float value);

}  // namespace talvoro

#pragma once

// The readers' number rules (a real as QString::toDouble converts it, an
// integer as QString::toInt does in base 10, 0 for anything that does not
// convert) applied to ASCII text without building a string. Plain decimal
// numbers are converted here; everything else (inf, nan, hex, underflow,
// overflow, odd signs, non-ASCII text) goes through the toolkit's own
// conversion, so the result is the toolkit's, bit for bit.

// Longer tokens go to the toolkit's conversion, which builds a string of
// their size: readers convert them only once a line is known to be used.
constexpr long kLongestPlainNumber = 64;

// [begin, end) must be ASCII.
double asciiToDouble(const char* begin, const char* end);
int asciiToInt(const char* begin, const char* end);

// The shape most numbers in a measurement file have: [sign] digits
// [. digits], 15 digits at most. When the text at p starts with one, sets
// value to what the toolkit would make of that text alone and returns where
// it ends; otherwise returns nullptr. A reader that finds the token going
// on after it takes the whole token to asciiToDouble instead.
const char* plainDecimalEnd(const char* p, const char* end, double& value);

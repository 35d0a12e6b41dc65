// Floats to text and back, exactly as C's strtof and printf's %f, %e and %g do it, but from a
// float's exact value in whole-number arithmetic. The web edition would otherwise carry C's
// whole float parser and printer, with the 128-bit arithmetic they compute in: a fifth of its
// WebAssembly, for a few numbers in a link and a caption. No GL.
#pragma once

#include <string>

// What strtof reads from the start of `text`: a decimal or hexadecimal number with an
// optional sign and exponent, rounded to the nearest float (ties to even); `read` is how
// many characters that took, 0 where no number starts there. Infinity and NaN are not read,
// and `outOfRange` says the number is too large for a float, whose value is then infinite.
struct ReadFloat {
    float value;
    size_t read;
    bool outOfRange;
};
ReadFloat readFloat(const std::string& text);

// printf's "%.*f" of the float: `decimals` digits after the point, rounded half to even from
// its exact value, "-" before a negative one, "-0" included.
std::string fixedText(float value, int decimals);

// printf's "%.*e" of the float: one digit, then `decimals` after the point, and the power
// of ten with its sign and at least two digits ("1.50e+07").
std::string exponentialText(float value, int decimals);

// printf's "%.*g" of the float: `digits` significant digits (1 for 0), in %f's form where
// the exponent is from -4 to digits - 1 and in %e's ("1.5e+07") elsewhere, trailing zeros
// and a bare point dropped.
std::string generalText(float value, int digits);

// The three write finite floats only.

// A whole number below 256 as two hexadecimal digits, "0f" or with `upper` "0F".
std::string hexByte(unsigned value, bool upper = false);

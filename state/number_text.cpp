#include "state/number_text.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace {

// ---- Whole numbers of any size ----------------------------------------------------------
// Enough arithmetic for a float's exact value: base 2^32, lowest word first, no leading
// zero words.

using Big = std::vector<std::uint32_t>;

void trim(Big& a) {
    while (!a.empty() && a.back() == 0) {
        a.pop_back();
    }
}

void multiplyAdd(Big& a, std::uint32_t factor, std::uint32_t add) {
    std::uint64_t carry = add;
    for (std::uint32_t& word : a) {
        const std::uint64_t product = std::uint64_t(word) * factor + carry;
        word = static_cast<std::uint32_t>(product);
        carry = product >> 32;
    }
    if (carry != 0) {
        a.push_back(static_cast<std::uint32_t>(carry));
    }
}

Big tenTo(int exponent) {
    Big a = {1};
    for (int k = 0; k < exponent; ++k) {
        multiplyAdd(a, 10, 0);
    }
    return a;
}

void shiftLeft(Big& a, int bits) {
    if (a.empty() || bits == 0) {
        return;
    }
    a.insert(a.begin(), static_cast<size_t>(bits / 32), 0);
    const int rest = bits % 32;
    if (rest != 0) {
        std::uint32_t carry = 0;
        for (std::uint32_t& word : a) {
            const std::uint32_t next = word >> (32 - rest);
            word = (word << rest) | carry;
            carry = next;
        }
        if (carry != 0) {
            a.push_back(carry);
        }
    }
}

int bitLength(const Big& a) {
    if (a.empty()) {
        return 0;
    }
    int bits = 32 * static_cast<int>(a.size() - 1);
    for (std::uint32_t top = a.back(); top != 0; top >>= 1) {
        ++bits;
    }
    return bits;
}

int compare(const Big& a, const Big& b) {
    if (a.size() != b.size()) {
        return a.size() < b.size() ? -1 : 1;
    }
    for (size_t k = a.size(); k-- > 0;) {
        if (a[k] != b[k]) {
            return a[k] < b[k] ? -1 : 1;
        }
    }
    return 0;
}

// a -= b, where b <= a.
void subtract(Big& a, const Big& b) {
    std::int64_t borrow = 0;
    for (size_t k = 0; k < a.size(); ++k) {
        std::int64_t difference = std::int64_t(a[k]) - borrow - (k < b.size() ? b[k] : 0);
        borrow = difference < 0 ? 1 : 0;
        a[k] = static_cast<std::uint32_t>(difference + (borrow << 32));
    }
    trim(a);
}

// Its decimal digits, "" for 0.
std::string decimalDigits(Big a) {
    std::string digits;
    while (!a.empty()) {
        std::uint64_t remainder = 0;
        for (size_t k = a.size(); k-- > 0;) {
            const std::uint64_t part = (remainder << 32) | a[k];
            a[k] = static_cast<std::uint32_t>(part / 1000000000);
            remainder = part % 1000000000;
        }
        trim(a);
        for (int k = 0; k < 9 && (!a.empty() || remainder != 0); ++k) {
            digits += static_cast<char>('0' + remainder % 10);
            remainder /= 10;
        }
    }
    std::reverse(digits.begin(), digits.end());
    return digits;
}

// ---- A float's exact value in decimal ---------------------------------------------------

// |value| = digits · 10^exponent exactly, `digits` without leading zeros ("" for 0).
struct Decimal {
    std::string digits;
    int exponent;
};

// A float is m · 2^e with m below 2^24; with e below 0 that is m · 5^-e · 10^e.
Decimal exactDecimal(float value) {
    int exponent = 0;
    const float fraction = std::frexp(std::fabs(value), &exponent);
    Big m = {static_cast<std::uint32_t>(std::ldexp(fraction, 24))};
    trim(m);
    exponent -= 24;
    if (exponent >= 0) {
        shiftLeft(m, exponent);
        return {decimalDigits(m), 0};
    }
    for (int k = 0; k < -exponent; ++k) {
        multiplyAdd(m, 5, 0);
    }
    return {decimalDigits(m), exponent};
}

// The decimal's value times 10^shift, rounded to a whole number, ties to even, as digits
// ("" for 0).
std::string roundedDigits(const Decimal& d, int shift) {
    const int scale = d.exponent + shift;
    if (scale >= 0) {
        return d.digits.empty() ? "" : d.digits + std::string(static_cast<size_t>(scale), '0');
    }
    const size_t cut = static_cast<size_t>(-scale);
    const size_t length = d.digits.size();
    std::string kept = cut < length ? d.digits.substr(0, length - cut) : "";
    // What is cut away, against a half: only its first digit and whether any after it is
    // not 0 count. Cut past the first digit, it starts with a 0 and is below a half.
    const char first = cut <= length ? d.digits[length - cut] : '0';
    const bool more =
        cut <= length && d.digits.find_first_not_of('0', length - cut + 1) != std::string::npos;
    const bool odd = !kept.empty() && (kept.back() - '0') % 2 == 1;
    if (first > '5' || (first == '5' && (more || odd))) {
        size_t k = kept.size();
        while (k > 0 && kept[k - 1] == '9') {
            kept[--k] = '0';
        }
        if (k == 0) {
            kept.insert(kept.begin(), '1');
        } else {
            ++kept[k - 1];
        }
    }
    return kept;
}

std::string sign(float value) {
    return std::signbit(value) ? "-" : "";
}

// "12345" with 2 decimals is "123.45"; with 5, "0.12345".
std::string withPoint(std::string digits, int decimals) {
    const size_t places = static_cast<size_t>(decimals);
    if (digits.size() <= places) {
        digits.insert(0, places + 1 - digits.size(), '0');
    }
    if (decimals > 0) {
        digits.insert(digits.size() - places, ".");
    }
    return digits;
}

std::string withoutTrailingZeros(std::string text) {
    if (text.find('.') != std::string::npos) {
        text.erase(text.find_last_not_of('0') + 1);
        if (text.back() == '.') {
            text.pop_back();
        }
    }
    return text;
}

// ---- Reading --------------------------------------------------------------------------

bool isDigit(char c, bool hex) {
    return (c >= '0' && c <= '9') || (hex && ((c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F')));
}

int digitValue(char c) {
    return c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10;
}

// num · 2^scale / den, rounded to the nearest float, ties to even.
ReadFloat nearestFloat(const Big& num, const Big& den, int scale) {
    // The value lies in [2^(top - 1), 2^(top + 1)).
    const int top = bitLength(num) - bitLength(den) + scale;
    // Too large for any float, or below half the smallest one.
    if (top > 130) {
        return {HUGE_VALF, 0, true};
    }
    if (top < -151) {
        return {0, 0, false};
    }
    // The result is m · 2^f, m of 24 bits where f allows; q holds m and one bit more.
    int f = std::max(top - 24, -149);
    Big n = num;
    Big d = den;
    const int shift = scale + 1 - f;
    if (shift >= 0) {
        shiftLeft(n, shift);
    } else {
        shiftLeft(d, -shift);
    }
    std::uint32_t q = 0;
    for (int bit = 25; bit >= 0; --bit) {
        Big part = d;
        shiftLeft(part, bit);
        if (compare(part, n) <= 0) {
            subtract(n, part);
            q |= 1u << bit;
        }
    }
    bool sticky = !n.empty();
    if (q >= 1u << 25) {
        sticky = sticky || (q & 1) != 0;
        q >>= 1;
        ++f;
    }
    std::uint32_t m = q >> 1;
    if ((q & 1) != 0 && (sticky || (m & 1) != 0)) {
        ++m;
    }
    if (m == 1u << 24) {
        m >>= 1;
        ++f;
    }
    if (f > 104) {
        return {HUGE_VALF, 0, true};
    }
    return {std::ldexp(static_cast<float>(m), f), 0, false};
}

}  // namespace

ReadFloat readFloat(const std::string& text) {
    size_t at = 0;
    const bool negative = at < text.size() && text[at] == '-';
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
        ++at;
    }
    const bool hex = at + 2 < text.size() && text[at] == '0' && (text[at + 1] | 0x20) == 'x' &&
                     (isDigit(text[at + 2], true) ||
                      (text[at + 2] == '.' && at + 3 < text.size() && isDigit(text[at + 3], true)));
    if (hex) {
        at += 2;
    }
    // The mantissa's significant digits as a whole number, and the power of the base it is
    // to be taken at. Past the first MOST_DIGITS, a digit can only tip a tie: a float's
    // exact value has far fewer, so whether any of them is not 0 is all that counts, kept as
    // a last digit 1.
    constexpr int MOST_DIGITS = 800;
    const std::uint32_t base = hex ? 16 : 10;
    Big mantissa;
    int digits = 0;
    long power = 0;
    bool anyDigit = false;
    bool point = false;
    bool dropped = false;
    for (; at < text.size(); ++at) {
        const char c = text[at];
        if (c == '.' && !point) {
            point = true;
            continue;
        }
        if (!isDigit(c, hex)) {
            break;
        }
        anyDigit = true;
        const std::uint32_t digit = static_cast<std::uint32_t>(digitValue(c));
        if (digits < MOST_DIGITS && (digits > 0 || digit != 0)) {
            multiplyAdd(mantissa, base, digit);
            ++digits;
            power -= point ? 1 : 0;
        } else if (digits < MOST_DIGITS) {
            power -= point ? 1 : 0;
        } else {
            dropped = dropped || digit != 0;
            power += point ? 0 : 1;
        }
    }
    if (dropped) {
        multiplyAdd(mantissa, base, 1);
        ++digits;
        --power;
    }
    if (!anyDigit) {
        return {0, 0, false};
    }
    // An exponent counts only with a digit in it; its size is capped far past any float's.
    long exponent = 0;
    const char mark = hex ? 'p' : 'e';
    if (at < text.size() && (text[at] | 0x20) == mark) {
        size_t e = at + 1;
        const bool down = e < text.size() && text[e] == '-';
        if (e < text.size() && (text[e] == '+' || text[e] == '-')) {
            ++e;
        }
        if (e < text.size() && isDigit(text[e], false)) {
            for (; e < text.size() && isDigit(text[e], false); ++e) {
                exponent = std::min(exponent * 10 + (text[e] - '0'), 100000L);
            }
            exponent = down ? -exponent : exponent;
            at = e;
        }
    }
    ReadFloat read = {0, at, false};
    if (!mantissa.empty()) {
        if (hex) {
            read = nearestFloat(mantissa, {1}, static_cast<int>(exponent + 4 * power));
        } else {
            const long tens = exponent + power;
            // Past these it is too large for a float, or below half the smallest one.
            if (digits - 1 + tens >= 39) {
                read = {HUGE_VALF, 0, true};
            } else if (digits + tens > -46) {
                const int count = static_cast<int>(tens < 0 ? -tens : tens);
                Big scaled = mantissa;
                Big den = {1};
                if (tens >= 0) {
                    for (int k = 0; k < count; ++k) {
                        multiplyAdd(scaled, 10, 0);
                    }
                } else {
                    den = tenTo(count);
                }
                read = nearestFloat(scaled, den, 0);
            }
        }
        read.read = at;
    }
    read.value = negative ? -read.value : read.value;
    return read;
}

std::string fixedText(float value, int decimals) {
    return sign(value) + withPoint(roundedDigits(exactDecimal(value), decimals), decimals);
}

namespace {

// The float rounded to `digits` significant digits, ties to even, as exactly `digits` digits
// and the power of ten of the first one: 0 is all zeros, at the power 0.
struct Significant {
    std::string digits;
    int exponent;
};

Significant significant(float value, int digits) {
    const Decimal exact = exactDecimal(value);
    if (exact.digits.empty()) {
        return {std::string(static_cast<size_t>(digits), '0'), 0};
    }
    int exponent = static_cast<int>(exact.digits.size()) - 1 + exact.exponent;
    std::string rounded = roundedDigits(exact, digits - 1 - exponent);
    // Rounded up to the next power of ten: one digit more than asked for.
    if (static_cast<int>(rounded.size()) > digits) {
        ++exponent;
        rounded.pop_back();
    }
    return {rounded, exponent};
}

// "e+07", "e-05": the exponent's sign always, and at least two of its digits.
std::string exponentPart(int exponent) {
    const std::string power = std::to_string(exponent < 0 ? -exponent : exponent);
    return std::string("e") + (exponent < 0 ? "-" : "+") + (power.size() < 2 ? "0" : "") + power;
}

}  // namespace

std::string exponentialText(float value, int decimals) {
    const Significant s = significant(value, decimals + 1);
    return sign(value) + withPoint(s.digits, decimals) + exponentPart(s.exponent);
}

std::string generalText(float value, int digits) {
    const int precision = std::max(digits, 1);
    const Significant s = significant(value, precision);
    if (s.exponent >= -4 && s.exponent < precision) {
        return withoutTrailingZeros(fixedText(value, precision - 1 - s.exponent));
    }
    return sign(value) + withoutTrailingZeros(withPoint(s.digits, precision - 1)) +
           exponentPart(s.exponent);
}

std::string hexByte(unsigned value, bool upper) {
    const char* digits = upper ? "0123456789ABCDEF" : "0123456789abcdef";
    return {digits[(value >> 4) & 15], digits[value & 15]};
}

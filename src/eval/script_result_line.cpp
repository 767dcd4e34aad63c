#include "eval/script_result_line.h"

#include <array>
#include <charconv>
#include <clocale>
#include <cstring>

namespace pellisor {

namespace {

// The decimal text of 0 ... 999 with its length in the fourth byte, copied as one word: most values
// of a script are bytes.
struct SmallNumber {
    char text[4];
};
constexpr std::array<SmallNumber, 1000> kSmallNumbers = [] {
    std::array<SmallNumber, 1000> table{};
    for (int value = 0; value < 1000; ++value) {
        SmallNumber& entry = table[static_cast<std::size_t>(value)];
        const int length = value >= 100 ? 3 : value >= 10 ? 2 : 1;
        int rest = value;
        for (int d = length - 1; d >= 0; --d) {
            entry.text[d] = static_cast<char>('0' + rest % 10);
            rest /= 10;
        }
        entry.text[3] = static_cast<char>(length);
    }
    return table;
}();

// Writes up to 11 characters, and may touch the three bytes after a short number.
char* writeNumber(char* out, std::int32_t value) {
    if (static_cast<std::uint32_t>(value) < 1000) {
        const SmallNumber& entry = kSmallNumbers[static_cast<std::size_t>(value)];
        std::memcpy(out, entry.text, 4);
        return out + entry.text[3];
    }
    return std::to_chars(out, out + 11, value).ptr;
}

// The general "%.15g" form of x = sum / 128, less 2 when above 1, through long double as the sums of
// long lists need; to_chars is the C locale's form whatever the current locale.
char* writeFixedPointGeneral(char* out, long double sum, char separator) {
    long double x = sum / 128;
    if (x > 1) x -= 2;
    char* end = std::to_chars(out, out + 40, x, std::chars_format::general, 15).ptr;
    for (char* c = out; c != end; ++c) {
        if (*c == '.') *c = separator;
    }
    return end;
}

// Writes the digits of a multi-word number (least significant word first), consuming it.
char* writeWideDecimal(char* out, std::vector<std::uint32_t>& limbs, std::vector<std::uint32_t>& chunks) {
    // Repeated division by 10^9 yields nine decimal digits per step, least significant first.
    chunks.clear();
    std::size_t top = limbs.size();
    while (top > 0 && limbs[top - 1] == 0)
        --top;
    while (top > 0) {
        std::uint64_t remainder = 0;
        for (std::size_t i = top; i-- > 0;) {
            const std::uint64_t current = (remainder << 32) | limbs[i];
            limbs[i] = static_cast<std::uint32_t>(current / 1000000000u);
            remainder = current % 1000000000u;
        }
        chunks.push_back(static_cast<std::uint32_t>(remainder));
        while (top > 0 && limbs[top - 1] == 0)
            --top;
    }
    if (chunks.empty()) {
        *out++ = '0';
        return out;
    }
    out = std::to_chars(out, out + 10, chunks.back()).ptr;
    for (std::size_t i = chunks.size() - 1; i-- > 0;) {
        std::uint32_t chunk = chunks[i];
        for (int d = 8; d >= 0; --d) {
            out[d] = static_cast<char>('0' + chunk % 10);
            chunk /= 10;
        }
        out += 9;
    }
    return out;
}

// Exact in decimal for every sum below 2^64: S / 128 has at most seven fractional digits (1/128 is
// 0.0078125), so while the integer part has at most eight digits "%.15g" prints the value itself
// without trailing zeros. Larger parts take the general path.
char* writeFixedPoint(char* out, std::uint64_t sum, char separator) {
    const bool negative = sum > 128 && sum < 256;
    const std::uint64_t magnitude = sum <= 128 ? sum : negative ? 256 - sum : sum - 256;
    const std::uint64_t whole = magnitude >> 7;
    if (whole >= 100000000) return writeFixedPointGeneral(out, static_cast<long double>(sum), separator);
    if (negative) *out++ = '-';
    out = std::to_chars(out, out + 8, whole).ptr;
    std::uint32_t fraction = static_cast<std::uint32_t>(magnitude & 127) * 78125u;  // seven digits
    if (fraction != 0) {
        *out++ = separator;
        int digits = 7;
        while (fraction % 10 == 0) {
            fraction /= 10;
            --digits;
        }
        for (int d = digits - 1; d >= 0; --d) {
            out[d] = static_cast<char>('0' + fraction % 10);
            fraction /= 10;
        }
        out += digits;
    }
    return out;
}

}  // namespace

char localeDecimalSeparator() {
    const std::lconv* conventions = std::localeconv();
    const char* point = conventions ? conventions->decimal_point : nullptr;
    // A separator of several bytes (or none) cannot be one char; the C locale's point is the fallback.
    if (point == nullptr || point[0] == '\0' || point[1] != '\0') return '.';
    return point[0];
}

std::string fixedPointText(std::int64_t sum, char decimalSeparator) {
    char text[64];
    char* end = sum >= 0 ? writeFixedPoint(text, static_cast<std::uint64_t>(sum), decimalSeparator)
                         : writeFixedPointGeneral(text, static_cast<long double>(sum), decimalSeparator);
    return std::string(text, end);
}

void ResultLineWriter::columnsChanged() {
    // Per value at most 11 characters and a separator; per side a sum of at most 20 or n/3 + 1 digits,
    // a fixed-point form of at most 24 (the conversions are given 40), their separators, and slack for
    // the word-wide copies.
    const std::size_t n = inputs_.size() + outputs_.size();
    buffer_.resize(12 * n + 2 * (n / 3 + 64) + 64);
}

std::string_view ResultLineWriter::line(std::size_t lane, bool fraction) {
    char* const start = buffer_.data();
    char* out = start;
    if (binary_) {
        out = writeBinarySide(out, inputs_, lane, !inputs_.empty(), fraction);
        *out++ = '\t';
        out = writeBinarySide(out, outputs_, lane, true, fraction);
    } else {
        bool first = true;
        for (const std::int32_t* column : inputs_) {
            if (!first) *out++ = '\t';
            first = false;
            out = writeNumber(out, column[lane]);
        }
        *out++ = '\t';
        for (const std::int32_t* column : outputs_) {
            *out++ = '\t';
            out = writeNumber(out, column[lane]);
        }
    }
    return std::string_view(start, static_cast<std::size_t>(out - start));
}

// The digit string of one side, then its sum and, with the fraction flag, its fixed-point form. A sum
// is the sum of 2^p over the positions p whose value is above 0.
char* ResultLineWriter::writeBinarySide(char* out, const std::vector<const std::int32_t*>& columns,
                                        std::size_t lane, bool withSum, bool fraction) {
    const std::size_t count = columns.size();
    if (count <= 64) {
        std::uint64_t sum = 0;
        for (std::size_t p = 0; p < count; ++p) {
            const std::int32_t value = columns[p][lane];
            out = writeNumber(out, value);
            if (value > 0) sum |= std::uint64_t{1} << p;
        }
        if (withSum) {
            *out++ = '\t';
            out = std::to_chars(out, out + 20, sum).ptr;
        }
        if (fraction) {
            *out++ = '\t';
            out = writeFixedPoint(out, sum, separator_);
        }
        return out;
    }
    // Longer lists (rare, but the format allows them) use a multi-word number so that no shift
    // overflows.
    limbs_.assign((count + 31) / 32, 0);
    for (std::size_t p = 0; p < count; ++p) {
        const std::int32_t value = columns[p][lane];
        out = writeNumber(out, value);
        if (value > 0) limbs_[p / 32] |= std::uint32_t{1} << (p % 32);
    }
    long double total = 0;
    for (std::size_t i = limbs_.size(); i-- > 0;)
        total = total * 4294967296.0L + limbs_[i];
    if (withSum) {
        *out++ = '\t';
        out = writeWideDecimal(out, limbs_, chunks_);
    }
    if (fraction) {
        *out++ = '\t';
        out = writeFixedPointGeneral(out, total, separator_);
    }
    return out;
}

}  // namespace pellisor

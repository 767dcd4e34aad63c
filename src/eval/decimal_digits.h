#pragma once

#include "model/error.h"

#include <bit>
#include <cstdint>
#include <cstring>
#include <limits>

namespace pellisor {

inline bool isDecimalDigit(char c) {
    return c >= '0' && c <= '9';
}

// The value of 1 ... 8 decimal digits, converted several at a time: the digits go to the top of a
// little-endian word, so that the free places read as leading zeros and what follows them drops out.
// Reads four or eight bytes from `text`.
inline std::int32_t shortDecimalValue(const char* text, int length) {
    if constexpr (std::endian::native != std::endian::little) {
        std::int32_t value = 0;
        for (int i = 0; i < length; ++i)
            value = value * 10 + (text[i] - '0');
        return value;
    }
    if (length <= 4) {
        std::uint32_t word = 0;
        std::memcpy(&word, text, sizeof word);
        word = (word - 0x30303030u) << (8 * (4 - length));
        word = (word * 10 + (word >> 8)) & 0x00FF00FFu;  // pairs of digits
        return static_cast<std::int32_t>((word & 0xFF) * 100 + (word >> 16));
    }
    std::uint64_t word = 0;
    std::memcpy(&word, text, sizeof word);
    word = (word - 0x3030303030303030u) << (8 * (8 - length));
    word = ((word & 0x0F0F0F0F0F0F0F0Fu) * 2561) >> 8;
    word = ((word & 0x00FF00FF00FF00FFu) * 6553601) >> 16;
    return static_cast<std::int32_t>(((word & 0x0000FFFF0000FFFFu) * 42949672960001u) >> 32);
}

// The digits of a number read one at a time; converted only where the number is used, so that a bad
// character after an overlong number is reported before the number is.
class DigitRun {
public:
    static constexpr const char* kTooLong = "Prilis dlouhe cislo v souboru";

    void clear() {
        value_ = 0;
        empty_ = true;
    }
    void start(char digit) {
        clear();
        append(digit);
    }
    void append(char digit) {
        // Once past the 32-bit range the run stays there; stopping keeps the int64 from overflowing.
        if (value_ <= kMax) value_ = value_ * 10 + (digit - '0');
        empty_ = false;
    }
    bool empty() const { return empty_; }
    // Raises kTooLong for a number beyond the 32-bit range.
    std::int32_t value() const {
        if (value_ > kMax) throw Error(kTooLong);
        return static_cast<std::int32_t>(value_);
    }

private:
    static constexpr std::int64_t kMax = std::numeric_limits<std::int32_t>::max();
    std::int64_t value_ = 0;
    bool empty_ = true;
};

}  // namespace pellisor

#pragma once

#include "model/chromosome.h"

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace pellisor {

// The fast readers of a script's vector lines; the runner's state machine reads everything they leave.
// Both may read up to kScriptReadAhead bytes past the end of the text they are given.
inline constexpr std::size_t kScriptReadAhead = 128;

// Where the value of an assignment "t:v" comes from: a literal, an output or an input.
enum class ScriptSource { Literal, Output, Input };

// Reads the rest of a vector line, 64 bytes at a time: blanks separate tokens, and every token "t:v"
// of digits only (up to eight each) is assigned in order to blocks[t].value. Returns where reading
// goes on at the top level: the line end, the first token not taken (any other form, a target outside
// the inputs), or the end of the text when only blanks were left. Sets `assigned` when it took any.
inline const char* scanVectorLine(const char* position, const char* end, Block* blocks,
                                  std::int32_t inputCount, bool& assigned);

// One assignment read character by character, where the text may end within it. Numbers of up to
// nine digits; `next` is null when the state machine must read it instead: a character it rejects, a
// longer number, or the end of the text before the character that ends the value. The state machine
// then reads the same characters from the start, so its errors stand as they are.
struct ScannedAssignment {
    const char* next = nullptr;  // the character that ended the value
    std::int32_t target = 0;
    ScriptSource source = ScriptSource::Literal;
    std::int32_t number = 0;
};
inline ScannedAssignment scanAssignment(const char* position, const char* end);

// Defined here, so that the runner's loop over a script's lines inlines them.

namespace scanner_detail {

inline bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// The value of 1 ... 8 decimal digits, converted several at a time: the digits go to the top of a
// little-endian word, so that the free places read as leading zeros and what follows them drops out.
// Reads four or eight bytes.
inline std::int32_t shortNumber(const char* text, int length) {
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

struct ByteMasks {
    std::uint64_t separators;  // blanks and line ends
    std::uint64_t lineEnds;
    std::uint64_t digits;
    std::uint64_t colons;
};

// Bit i of each mask describes byte i of the 64 from `text` on.
inline ByteMasks byteMasks(const char* text) {
    ByteMasks masks{0, 0, 0, 0};
#if defined(__SSE2__)
    const auto bitsOf = [](__m128i flags) {
        return std::uint64_t{static_cast<std::uint16_t>(_mm_movemask_epi8(flags))};
    };
    // x lies in [low, low + span] when x - low, taken unsigned, is at most span.
    const auto within = [](__m128i bytes, char low, char span) {
        const __m128i offset = _mm_sub_epi8(bytes, _mm_set1_epi8(low));
        return _mm_cmpeq_epi8(_mm_min_epu8(offset, _mm_set1_epi8(span)), offset);
    };
    for (int part = 0; part < 4; ++part) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + 16 * part));
        // 9 ... 13 are tab, line feed, vertical tab, form feed and carriage return.
        const __m128i separators =
            _mm_or_si128(within(bytes, '\t', 4), _mm_cmpeq_epi8(bytes, _mm_set1_epi8(' ')));
        const int shift = 16 * part;
        masks.separators |= bitsOf(separators) << shift;
        masks.lineEnds |= bitsOf(_mm_cmpeq_epi8(bytes, _mm_set1_epi8('\n'))) << shift;
        masks.digits |= bitsOf(within(bytes, '0', 9)) << shift;
        masks.colons |= bitsOf(_mm_cmpeq_epi8(bytes, _mm_set1_epi8(':'))) << shift;
    }
#else
    for (int i = 0; i < 64; ++i) {
        const char c = text[i];
        const std::uint64_t bit = std::uint64_t{1} << i;
        if ((c >= '\t' && c <= '\r') || c == ' ') masks.separators |= bit;
        if (c == '\n') masks.lineEnds |= bit;
        if (isDigit(c)) masks.digits |= bit;
        if (c == ':') masks.colons |= bit;
    }
#endif
    return masks;
}

}  // namespace scanner_detail

inline const char* scanVectorLine(const char* position, const char* end, Block* blocks,
                                  std::int32_t inputCount, bool& assigned) {
    const char* window = position;
    while (window < end) {
        const std::ptrdiff_t available = end - window;
        const scanner_detail::ByteMasks masks = scanner_detail::byteMasks(window);
        std::uint64_t valid = available >= 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << available) - 1;
        const std::uint64_t lineEnds = masks.lineEnds & valid;
        if (lineEnds != 0) valid = (lineEnds & (~lineEnds + 1)) - 1;  // up to the first line end
        const std::uint64_t tokens = ~masks.separators & valid;
        std::uint64_t starts = tokens & ~(tokens << 1);
        std::uint64_t ends = tokens & ~(tokens >> 1);
        // Without a line end, a token that reaches the window's last byte may go on past it: the
        // next window starts with it.
        const char* carried = nullptr;
        if (lineEnds == 0 && (tokens & (valid ^ (valid >> 1))) != 0) {
            const int last = 63 - std::countl_zero(starts);
            if (last == 0) return window;
            starts &= (std::uint64_t{1} << last) - 1;
            ends &= (std::uint64_t{1} << last) - 1;
            carried = window + last;
        }
        std::uint64_t colons = masks.colons & valid;
        bool taken = false;
        while (starts != 0) {
            const int start = std::countr_zero(starts);
            const int last = std::countr_zero(ends);
            // Past the last colon this gives 63, which no token of two parts can have.
            const int colon = std::countr_zero(colons | (std::uint64_t{1} << 63));
            const std::uint64_t bits = (~std::uint64_t{0} >> (63 - last)) & (~std::uint64_t{0} << start);
            const int targetLength = colon - start;
            const int valueLength = last - colon;
            if ((bits & ~masks.digits) != (std::uint64_t{1} << colon) || targetLength < 1 ||
                targetLength > 8 || valueLength < 1 || valueLength > 8) {
                assigned = assigned || taken;
                return window + start;
            }
            const std::int32_t target = scanner_detail::shortNumber(window + start, targetLength);
            if (target >= inputCount) {
                assigned = assigned || taken;
                return window + start;
            }
            blocks[target].value = scanner_detail::shortNumber(window + colon + 1, valueLength);
            taken = true;
            starts &= starts - 1;
            ends &= ends - 1;
            colons &= colons - 1;
        }
        assigned = assigned || taken;
        if (lineEnds != 0) return window + std::countr_zero(lineEnds);
        if (carried != nullptr) {
            if (available < 64) return carried;
            window = carried;
        } else {
            window += 64;
        }
    }
    return end;
}

inline ScannedAssignment scanAssignment(const char* position, const char* end) {
    constexpr std::ptrdiff_t kShortDigits = 9;  // below 10^9: always a valid int32
    const char* c = position;
    std::int32_t target = 0;
    for (; c < end && scanner_detail::isDigit(*c); ++c) {
        if (c - position == kShortDigits) return {};
        target = target * 10 + (*c - '0');
    }
    if (c == end || *c != ':') return {};
    if (++c == end) return {};
    ScriptSource source = ScriptSource::Literal;
    if (*c == 'o') {
        source = ScriptSource::Output;
        ++c;
    } else if (*c == 'i') {
        source = ScriptSource::Input;
        ++c;
    } else if (!scanner_detail::isDigit(*c)) {
        return {};
    }
    const char* const digits = c;
    std::int32_t number = 0;
    for (; c < end && scanner_detail::isDigit(*c); ++c) {
        if (c - digits == kShortDigits) return {};
        number = number * 10 + (*c - '0');
    }
    if (c == end) return {};
    return {c, target, source, number};
}

}  // namespace pellisor

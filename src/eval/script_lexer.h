#pragma once

#include "eval/decimal_digits.h"
#include "model/chromosome.h"

#include <cstddef>
#include <cstdint>

namespace pellisor {

// The fast readers of a script's vector lines; the executor's state machine reads everything they
// leave. Both may read up to kLexerReadAhead bytes past the end of the text they are given.
inline constexpr std::size_t kLexerReadAhead = 64;

// Where the value of an assignment "t:v" comes from: a literal, an output or an input.
enum class ScriptSource { Literal, Output, Input };

// Reads the rest of a vector line, 64 bytes at a time with the processor's vector instructions (chosen
// once at run time): blanks separate tokens, and every token "t:v" of digits only (up to eight each) is
// assigned in order to blocks[t].value. Returns where reading goes on at the top level: the line end,
// the first token not taken (any other form, a target outside the inputs), or the end of the text when
// only blanks were left. Sets `assigned` when it took any.
const char* scanVectorLine(const char* position, const char* end, Block* blocks, std::int32_t inputCount,
                           bool& assigned);

// The vector instruction set scanVectorLine runs with on this processor, for reports.
const char* scriptLexerTarget();

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

// Defined here, so that the executor's loop inlines it.
inline ScannedAssignment scanAssignment(const char* position, const char* end) {
    constexpr std::ptrdiff_t kShortDigits = 9;  // below 10^9: always a valid int32
    const char* c = position;
    std::int32_t target = 0;
    for (; c < end && isDecimalDigit(*c); ++c) {
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
    } else if (!isDecimalDigit(*c)) {
        return {};
    }
    const char* const digits = c;
    std::int32_t number = 0;
    for (; c < end && isDecimalDigit(*c); ++c) {
        if (c - digits == kShortDigits) return {};
        number = number * 10 + (*c - '0');
    }
    if (c == end) return {};
    return {c, target, source, number};
}

}  // namespace pellisor

// The vector-line reader of test scripts. This file is compiled once per instruction set by Highway's
// foreach_target; scanVectorLine picks the best one at run time.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "eval/script_lexer.cpp"
#include "hwy/foreach_target.h"  // IWYU pragma: keep
// Must come after foreach_target.
#include "hwy/highway.h"

#include "eval/script_lexer.h"

#include <bit>

HWY_BEFORE_NAMESPACE();
namespace pellisor {
namespace HWY_NAMESPACE {
namespace {

namespace hn = hwy::HWY_NAMESPACE;

// Vectors of at most the 64 bytes a window has.
using Bytes = hn::CappedTag<std::uint8_t, 64>;

// Bit i of each mask describes byte i of a window of 64.
struct ByteMasks {
    std::uint64_t separators = 0;  // blanks and line ends
    std::uint64_t lineEnds = 0;
    std::uint64_t digits = 0;
    std::uint64_t colons = 0;
};

// Bit i says whether lane i of the mask is set.
HWY_INLINE std::uint64_t bitsOf(Bytes d, hn::Mask<Bytes> mask) {
    std::uint8_t bytes[8] = {};
    hn::StoreMaskBits(d, mask, bytes);
    std::uint64_t bits = 0;
    for (int k = 0; k < 8; ++k)
        bits |= std::uint64_t{bytes[k]} << (8 * k);
    return bits;
}

// Where x lies in [low, low + span]: x - low, taken unsigned, is at most span.
HWY_INLINE hn::Mask<Bytes> within(Bytes d, hn::Vec<Bytes> bytes, std::uint8_t low, std::uint8_t span) {
    const hn::Vec<Bytes> offset = hn::Sub(bytes, hn::Set(d, low));
    return hn::Eq(hn::Min(offset, hn::Set(d, span)), offset);
}

// Reads the 64 bytes from `text` on.
HWY_INLINE ByteMasks byteMasks(const char* text) {
    const Bytes d;
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(text);
    ByteMasks masks;
    for (std::size_t at = 0; at < 64; at += hn::Lanes(d)) {
        const hn::Vec<Bytes> part = hn::LoadU(d, bytes + at);
        // 9 ... 13 are tab, line feed, vertical tab, form feed and carriage return.
        const auto separators = hn::Or(within(d, part, '\t', 4), hn::Eq(part, hn::Set(d, std::uint8_t{' '})));
        masks.separators |= bitsOf(d, separators) << at;
        masks.lineEnds |= bitsOf(d, hn::Eq(part, hn::Set(d, std::uint8_t{'\n'}))) << at;
        masks.digits |= bitsOf(d, within(d, part, '0', 9)) << at;
        masks.colons |= bitsOf(d, hn::Eq(part, hn::Set(d, std::uint8_t{':'}))) << at;
    }
    return masks;
}

// The tokens of a window that are to be read in it: bit i of `starts` and `ends` marks their first
// and last bytes.
struct WindowTokens {
    std::uint64_t starts;
    std::uint64_t ends;
    std::uint64_t colons;
};

// Assigns the tokens in order; returns the offset of the first one not taken (another form, a target
// outside the inputs), or -1 when all were. Sets `taken` when it took any.
HWY_INLINE int assignTokens(const char* window, WindowTokens tokens, std::uint64_t digits, Block* blocks,
                            std::int32_t inputCount, bool& taken) {
    while (tokens.starts != 0) {
        const int start = std::countr_zero(tokens.starts);
        const int last = std::countr_zero(tokens.ends);
        // Past the last colon this gives 63, which no token of two parts can have.
        const int colon = std::countr_zero(tokens.colons | (std::uint64_t{1} << 63));
        const std::uint64_t bits = (~std::uint64_t{0} >> (63 - last)) & (~std::uint64_t{0} << start);
        const int targetLength = colon - start;
        const int valueLength = last - colon;
        if ((bits & ~digits) != (std::uint64_t{1} << colon) || targetLength < 1 || targetLength > 8 ||
            valueLength < 1 || valueLength > 8) {
            return start;
        }
        const std::int32_t target = shortDecimalValue(window + start, targetLength);
        if (target >= inputCount) return start;
        blocks[target].value = shortDecimalValue(window + colon + 1, valueLength);
        taken = true;
        tokens.starts &= tokens.starts - 1;
        tokens.ends &= tokens.ends - 1;
        tokens.colons &= tokens.colons - 1;
    }
    return -1;
}

// Whether every token of the window is "t:v": digits, one colon inside the token, digits, and no number
// of more than eight digits. Then assignSimpleTokens needs no checks token by token.
HWY_INLINE bool allSimple(WindowTokens tokens, std::uint64_t tokenBytes, std::uint64_t digits) {
    if ((tokenBytes & ~digits) != tokens.colons) return false;
    if ((tokens.colons & (tokens.starts | tokens.ends)) != 0) return false;
    // Starts and colons alternate, a start first and a colon last, when their running parity is odd at
    // every start and even at every colon and at the end.
    std::uint64_t parity = tokens.starts | tokens.colons;
    for (int shift = 1; shift < 64; shift *= 2)
        parity ^= parity << shift;
    if ((parity & tokens.starts) != tokens.starts || (parity & tokens.colons) != 0 || (parity >> 63) != 0) {
        return false;
    }
    const std::uint64_t tokenDigits = digits & tokenBytes;
    std::uint64_t run = tokenDigits & (tokenDigits >> 1);  // bit i: digits from i on, two of them
    run &= run >> 2;
    run &= run >> 4;
    run &= tokenDigits >> 8;
    return run == 0;
}

// assignTokens for a window that allSimple accepts.
HWY_INLINE int assignSimpleTokens(const char* window, WindowTokens tokens, Block* blocks,
                                  std::int32_t inputCount, bool& taken) {
    while (tokens.starts != 0) {
        const int start = std::countr_zero(tokens.starts);
        const int colon = std::countr_zero(tokens.colons);
        const int last = std::countr_zero(tokens.ends);
        const std::int32_t target = shortDecimalValue(window + start, colon - start);
        if (target >= inputCount) return start;
        blocks[target].value = shortDecimalValue(window + colon + 1, last - colon);
        taken = true;
        tokens.starts &= tokens.starts - 1;
        tokens.ends &= tokens.ends - 1;
        tokens.colons &= tokens.colons - 1;
    }
    return -1;
}

const char* ScanVectorLine(const char* position, const char* end, Block* blocks, std::int32_t inputCount,
                           bool& assigned) {
    const char* window = position;
    while (window < end) {
        const std::ptrdiff_t available = end - window;
        const ByteMasks masks = byteMasks(window);
        std::uint64_t valid = available >= 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << available) - 1;
        const std::uint64_t lineEnds = masks.lineEnds & valid;
        if (lineEnds != 0) valid = (lineEnds & (~lineEnds + 1)) - 1;  // up to the first line end
        const std::uint64_t tokens = ~masks.separators & valid;
        WindowTokens read{tokens & ~(tokens << 1), tokens & ~(tokens >> 1), masks.colons & valid};
        // Without a line end, a token that reaches the window's last byte may go on past it: the
        // next window starts with it.
        const char* carried = nullptr;
        std::uint64_t tokenBytes = tokens;
        if (lineEnds == 0 && (tokens & (valid ^ (valid >> 1))) != 0) {
            const int last = 63 - std::countl_zero(read.starts);
            if (last == 0) return window;
            const std::uint64_t before = (std::uint64_t{1} << last) - 1;
            read.starts &= before;
            read.ends &= before;
            read.colons &= before;
            tokenBytes &= before;
            carried = window + last;
        }
        bool taken = false;
        const int notTaken = allSimple(read, tokenBytes, masks.digits)
                                 ? assignSimpleTokens(window, read, blocks, inputCount, taken)
                                 : assignTokens(window, read, masks.digits, blocks, inputCount, taken);
        assigned = assigned || taken;
        if (notTaken >= 0) return window + notTaken;
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

const char* LexerTargetName() {
    return hwy::TargetName(HWY_TARGET);
}

}  // namespace
}  // namespace HWY_NAMESPACE
}  // namespace pellisor
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace pellisor {

HWY_EXPORT(ScanVectorLine);
HWY_EXPORT(LexerTargetName);

const char* scanVectorLine(const char* position, const char* end, Block* blocks, std::int32_t inputCount,
                           bool& assigned) {
    return HWY_DYNAMIC_DISPATCH(ScanVectorLine)(position, end, blocks, inputCount, assigned);
}

const char* scriptLexerTarget() {
    return HWY_DYNAMIC_DISPATCH(LexerTargetName)();
}

}  // namespace pellisor
#endif

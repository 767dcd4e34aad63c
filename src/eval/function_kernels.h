#pragma once

#include <cstdint>

namespace pellisor {

// The arithmetic of the function set, inline so that loops over many values with a fixed identifier
// compile to straight vector code. applyFunction is the same for single values.
namespace kernels {

// Arithmetic wraps in two's complement; going through unsigned keeps that free of undefined behaviour.
inline std::int32_t wrap(std::uint32_t value) { return static_cast<std::int32_t>(value); }
inline std::uint32_t bits(std::int32_t value) { return static_cast<std::uint32_t>(value); }
inline std::int32_t add(std::int32_t a, std::int32_t b) { return wrap(bits(a) + bits(b)); }
inline std::int32_t subtract(std::int32_t a, std::int32_t b) { return wrap(bits(a) - bits(b)); }
inline std::int32_t shiftLeft(std::int32_t a, int n) { return wrap(bits(a) << n); }
inline std::int32_t bit0(std::int32_t value) { return value & 1; }


inline std::int32_t computeFunction(std::int32_t id, std::int32_t a, std::int32_t b, std::int32_t c) {
    switch (id) {
        case 1: return a & b;
        case 2: return a | b;
        case 3: return a ^ b;
        case 4: return a;
        case 5: return b;
        case 6: return bit0(~a);
        case 7: return bit0(~b);
        case 8: return bit0(~(a & b));
        case 9: return bit0(~(a | b));
        case 10: return a > b ? a : b;
        case 11: return a < b ? a : b;
        case 12: return bit0(a & ~b);
        case 13: return subtract(0, a);
        case 14: return subtract(0, b);
        case 15: return c == 0 ? a : b;
        case 16: return bit0(~(a ^ b));
        case 17: return 255;
        case 18: return subtract(255, a);
        case 19: return subtract(255, a) | b;
        case 20: return subtract(255, a & b);
        case 21: return a >> 1;
        case 22: return a >> 2;
        case 23: return (shiftLeft(a, 4) & 0xF0) | (b >> 4);
        case 24: return add(a, b) & 0xFF;
        case 25: {
            const std::int32_t sum = add(a, b);
            return sum > 255 ? 255 : sum;
        }
        case 26: return add(a, b) >> 1;
        case 27: return a == 255 ? 0 : a;
        case 42: return subtract(a, b) & 0xFF;
        case 43: return add(a, b) & 0xFFFF;
        case 44: return subtract(a, b) & 0xFFFF;
        default: break;
    }
    if (id >= 28 && id <= 33) return a >> (id - 25);
    if (id >= 34 && id <= 41) return shiftLeft(a, id - 33);
    if (id >= 45 && id <= 51) return shiftLeft(a, id - 36);
    return 0;
}

}  // namespace kernels
}  // namespace pellisor

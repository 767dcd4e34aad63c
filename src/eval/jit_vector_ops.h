#pragma once

// The vector instructions the circuit translation needs, for one instruction set (AVX2 with 32-byte
// registers, AVX-512 with 64-byte ones) and one lane width (8-bit lanes unsigned, 16- and 32-bit
// lanes signed, as the lane kernels treat them). Only for x86-64 builds.

#include "eval/jit_step_emitter.h"

#include <asmjit/x86.h>

#include <cstdint>
#include <span>

namespace pellisor::jit {

enum class Isa { Avx2, Avx512 };

class VectorOps {
public:
    using Vec = asmjit::x86::Vec;
    using Mem = asmjit::x86::Mem;
    using Const = asmjit::x86::Mem;  // constants are operands in memory
    using Operand = asmjit::Operand;

    // The step reads input slot s at inputs[s] + offset and writes a result at its output + offset.
    VectorOps(asmjit::x86::Compiler& cc, Isa isa, const StepShape& shape,
              std::span<const asmjit::x86::Gp> inputs = {}, asmjit::x86::Gp offset = {});

    void loadInput(const Vec& d, std::uint32_t slot, std::size_t vector);
    void storeOutput(const asmjit::x86::Gp& output, const Vec& value, std::size_t vector);
    void constant(const Vec& d, std::int32_t value) { load(d, splat(value)); }

    int vectorBytes() const { return isa_ == Isa::Avx512 ? 64 : 32; }
    int laneBits() const { return laneBytes_ * 8; }
    int registerCount() const { return isa_ == Isa::Avx512 ? 32 : 16; }

    Vec newVec();
    void load(const Vec& d, const Mem& from);
    void store(const Mem& to, const Vec& s);
    // Bytes widened to the lanes (vectorBytes / laneBytes of them), and the lanes' low bytes stored.
    void loadBytes(const Vec& d, const Mem& from);
    void storeLowBytes(const Mem& to, const Vec& s);
    int lanesPerVector() const { return vectorBytes() / laneBytes_; }
    void zero(const Vec& d);
    // A vector constant with every lane `value` (cut to the lane width), in the function's pool.
    Mem splat(std::int32_t value);

    // y may be a register or a constant from splat.
    void bitAnd(const Vec& d, const Vec& x, const Operand& y);
    void bitOr(const Vec& d, const Vec& x, const Operand& y);
    void bitXor(const Vec& d, const Vec& x, const Operand& y);
    // d = ~x & y.
    void andNot(const Vec& d, const Vec& x, const Operand& y);
    void add(const Vec& d, const Vec& x, const Operand& y);
    void subtract(const Vec& d, const Vec& x, const Operand& y);
    void minimum(const Vec& d, const Vec& x, const Operand& y);
    void maximum(const Vec& d, const Vec& x, const Operand& y);
    // Unsigned saturation for bytes, a sum capped at 255 for the wider lanes.
    void addCappedAt255(const Vec& d, const Vec& x, const Vec& y);
    // (x + y) >> 1 without losing the carry in bytes.
    void mean(const Vec& d, const Vec& x, const Vec& y);
    // Logical for bytes, arithmetic for the signed wider lanes; a shift by the width or more gives 0.
    void shiftLeft(const Vec& d, const Vec& x, int by);
    void shiftRight(const Vec& d, const Vec& x, int by);
    // d = (z == 0) ? x : y, lane by lane.
    void select(const Vec& d, const Vec& z, const Vec& x, const Vec& y);
    // d = (x == 255) ? 0 : x.
    void zeroWhere255(const Vec& d, const Vec& x);

private:
    // The instruction for the lane width: bytes, 16-bit or 32-bit lanes.
    asmjit::InstId byWidth(asmjit::InstId bytes, asmjit::InstId halves, asmjit::InstId words) const;
    // The bitwise instruction for the register size (the AVX-512 forms name an element size).
    asmjit::InstId bitwise(asmjit::InstId avx2, asmjit::InstId avx512) const;
    void emit(asmjit::InstId id, const Operand& d, const Operand& x, const Operand& y);

    Mem lanesAt(const asmjit::x86::Gp& base, std::size_t vector) const;

    asmjit::x86::Compiler& cc_;
    Isa isa_;
    StepShape shape_;
    int laneBytes_;
    std::span<const asmjit::x86::Gp> inputs_;
    asmjit::x86::Gp offset_;
};

}  // namespace pellisor::jit

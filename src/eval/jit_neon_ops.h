#pragma once

// The vector instructions the circuit translation needs on AArch64 with NEON (128-bit registers), for
// one lane width (8-bit lanes unsigned, 16- and 32-bit lanes signed, as the lane kernels treat them).
// The translation can be made on any processor.

#include "eval/jit_step_emitter.h"

#include <asmjit/arm.h>
#include <asmjit/arm/a64compiler.h>

#include <cstdint>
#include <map>
#include <span>

namespace pellisor::jit {

class NeonOps {
public:
    using Vec = asmjit::a64::Vec;
    using Const = asmjit::a64::Vec;  // constants live in registers, made once before the loop

    // The step reads input slot s at inputs[s] and writes a result at its output, each plus the
    // vector's place in the step; constants are made where `beforeLoop` points.
    NeonOps(asmjit::a64::Compiler& cc, const StepShape& shape, std::span<const asmjit::a64::Gp> inputs,
            asmjit::BaseNode* beforeLoop);

    int laneBits() const { return shape_.laneBytes * 8; }

    Vec newVec();
    void loadInput(const Vec& d, std::uint32_t slot, std::size_t vector);
    void storeOutput(const asmjit::a64::Gp& output, const Vec& value, std::size_t vector);
    void zero(const Vec& d);
    Const splat(std::int32_t value);
    void constant(const Vec& d, std::int32_t value);

    void bitAnd(const Vec& d, const Vec& x, const Vec& y);
    void bitOr(const Vec& d, const Vec& x, const Vec& y);
    void bitXor(const Vec& d, const Vec& x, const Vec& y);
    // d = ~x & y.
    void andNot(const Vec& d, const Vec& x, const Vec& y);
    void add(const Vec& d, const Vec& x, const Vec& y);
    void subtract(const Vec& d, const Vec& x, const Vec& y);
    void minimum(const Vec& d, const Vec& x, const Vec& y);
    void maximum(const Vec& d, const Vec& x, const Vec& y);
    void addCappedAt255(const Vec& d, const Vec& x, const Vec& y);
    void mean(const Vec& d, const Vec& x, const Vec& y);
    void shiftLeft(const Vec& d, const Vec& x, int by);
    void shiftRight(const Vec& d, const Vec& x, int by);
    // d = (z == 0) ? x : y, lane by lane.
    void select(const Vec& d, const Vec& z, const Vec& x, const Vec& y);
    // d = (x == 255) ? 0 : x.
    void zeroWhere255(const Vec& d, const Vec& x);

private:
    // The register seen as lanes of the width: 16 bytes, 8 halves or 4 words.
    Vec lanes(const Vec& v) const;
    asmjit::a64::Mem lanesAt(const asmjit::a64::Gp& base, std::size_t vector) const;

    asmjit::a64::Compiler& cc_;
    StepShape shape_;
    std::span<const asmjit::a64::Gp> inputs_;
    asmjit::BaseNode* beforeLoop_;
    std::map<std::int32_t, Vec> constants_;
};

}  // namespace pellisor::jit

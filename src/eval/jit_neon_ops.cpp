#include "eval/jit_neon_ops.h"

namespace pellisor::jit {

using namespace asmjit;

NeonOps::NeonOps(a64::Compiler& cc, const StepShape& shape, std::span<const a64::Gp> inputs,
                 BaseNode* beforeLoop)
    : cc_(cc), shape_(shape), inputs_(inputs), beforeLoop_(beforeLoop) {}

a64::Vec NeonOps::lanes(const Vec& v) const {
    if (shape_.laneBytes == 1) return v.b16();
    if (shape_.laneBytes == 2) return v.h8();
    return v.s4();
}

a64::Mem NeonOps::lanesAt(const a64::Gp& base, std::size_t vector) const {
    return a64::ptr(base, static_cast<std::int32_t>(vector) * shape_.vectorReach());
}

a64::Vec NeonOps::newVec() {
    return cc_.newVecQ();
}

void NeonOps::loadInput(const Vec& d, std::uint32_t slot, std::size_t vector) {
    const a64::Mem from = lanesAt(inputs_[slot], vector);
    if (!shape_.bytesInAndOut || shape_.laneBytes == 1) {
        cc_.ldr(d.q(), from);
        return;
    }
    // Bytes widened to the lanes: eight to halves, or four to halves and then to words.
    if (shape_.laneBytes == 2) {
        cc_.ldr(d.d(), from);
        cc_.ushll(d.h8(), d.b8(), 0);
        return;
    }
    cc_.ldr(d.s(), from);
    cc_.ushll(d.h8(), d.b8(), 0);
    cc_.ushll(d.s4(), d.h4(), 0);
}

void NeonOps::storeOutput(const a64::Gp& output, const Vec& value, std::size_t vector) {
    const a64::Mem to = lanesAt(output, vector);
    if (!shape_.bytesInAndOut || shape_.laneBytes == 1) {
        cc_.str(value.q(), to);
        return;
    }
    // The low byte of each lane: halves narrowed to bytes, words to halves and then to bytes.
    const Vec narrow = newVec();
    if (shape_.laneBytes == 2) {
        cc_.xtn(narrow.b8(), value.h8());
        cc_.str(narrow.d(), to);
        return;
    }
    cc_.xtn(narrow.h4(), value.s4());
    cc_.xtn(narrow.b8(), narrow.h8());
    cc_.str(narrow.s(), to);
}

void NeonOps::zero(const Vec& d) {
    cc_.movi(d.b16(), 0);
}

a64::Vec NeonOps::splat(std::int32_t value) {
    const std::int32_t lane = shape_.laneBytes == 1   ? (value & 0xFF)
                              : shape_.laneBytes == 2 ? (value & 0xFFFF)
                                                      : value;
    if (const auto found = constants_.find(lane); found != constants_.end()) return found->second;
    // Made once, before the loop, and kept in a register for every step.
    BaseNode* const resume = cc_.setCursor(beforeLoop_);
    const a64::Gp bits = cc_.newGpw();
    const Vec made = newVec();
    cc_.mov(bits, static_cast<std::uint32_t>(lane));
    cc_.dup(lanes(made), bits);
    beforeLoop_ = cc_.setCursor(resume);
    constants_.emplace(lane, made);
    return made;
}

void NeonOps::constant(const Vec& d, std::int32_t value) {
    cc_.mov(d.b16(), splat(value).b16());
}

void NeonOps::bitAnd(const Vec& d, const Vec& x, const Vec& y) {
    cc_.and_(d.b16(), x.b16(), y.b16());
}

void NeonOps::bitOr(const Vec& d, const Vec& x, const Vec& y) {
    cc_.orr(d.b16(), x.b16(), y.b16());
}

void NeonOps::bitXor(const Vec& d, const Vec& x, const Vec& y) {
    cc_.eor(d.b16(), x.b16(), y.b16());
}

void NeonOps::andNot(const Vec& d, const Vec& x, const Vec& y) {
    cc_.bic(d.b16(), y.b16(), x.b16());
}

void NeonOps::add(const Vec& d, const Vec& x, const Vec& y) {
    cc_.add(lanes(d), lanes(x), lanes(y));
}

void NeonOps::subtract(const Vec& d, const Vec& x, const Vec& y) {
    cc_.sub(lanes(d), lanes(x), lanes(y));
}

void NeonOps::minimum(const Vec& d, const Vec& x, const Vec& y) {
    if (shape_.laneBytes == 1) {
        cc_.umin(d.b16(), x.b16(), y.b16());
    } else {
        cc_.smin(lanes(d), lanes(x), lanes(y));
    }
}

void NeonOps::maximum(const Vec& d, const Vec& x, const Vec& y) {
    if (shape_.laneBytes == 1) {
        cc_.umax(d.b16(), x.b16(), y.b16());
    } else {
        cc_.smax(lanes(d), lanes(x), lanes(y));
    }
}

void NeonOps::addCappedAt255(const Vec& d, const Vec& x, const Vec& y) {
    if (shape_.laneBytes == 1) {
        cc_.uqadd(d.b16(), x.b16(), y.b16());
        return;
    }
    add(d, x, y);
    minimum(d, d, splat(255));
}

void NeonOps::mean(const Vec& d, const Vec& x, const Vec& y) {
    if (shape_.laneBytes == 1) {
        cc_.uhadd(d.b16(), x.b16(), y.b16());  // the halved sum, carry kept
        return;
    }
    // The wider lanes wrap and shift as the lane kernels do.
    add(d, x, y);
    shiftRight(d, d, 1);
}

void NeonOps::shiftLeft(const Vec& d, const Vec& x, int by) {
    if (by >= laneBits()) return zero(d);
    cc_.shl(lanes(d), lanes(x), by);
}

void NeonOps::shiftRight(const Vec& d, const Vec& x, int by) {
    if (by >= laneBits()) return zero(d);
    if (shape_.laneBytes == 1) {
        cc_.ushr(d.b16(), x.b16(), by);
    } else {
        cc_.sshr(lanes(d), lanes(x), by);
    }
}

void NeonOps::select(const Vec& d, const Vec& z, const Vec& x, const Vec& y) {
    cc_.cmeq(lanes(d), lanes(z), 0);
    cc_.bsl(d.b16(), x.b16(), y.b16());
}

void NeonOps::zeroWhere255(const Vec& d, const Vec& x) {
    const Vec is255 = newVec();
    cc_.cmeq(lanes(is255), lanes(x), lanes(splat(255)));
    cc_.bic(d.b16(), x.b16(), is255.b16());
}

}  // namespace pellisor::jit

// Machine code for x86-64 only; other builds use the lane kernels.
#if defined(__x86_64__)

#include "eval/jit_vector_ops.h"

#include <array>
#include <cstring>

namespace pellisor::jit {

using namespace asmjit;
namespace I = x86::Inst;

VectorOps::VectorOps(x86::Compiler& cc, Isa isa, const StepShape& shape, std::span<const x86::Gp> inputs,
                     x86::Gp offset)
    : cc_(cc), isa_(isa), shape_(shape), laneBytes_(shape.laneBytes), inputs_(inputs), offset_(offset) {}

x86::Mem VectorOps::lanesAt(const x86::Gp& base, std::size_t vector) const {
    return x86::ptr(base, offset_, 0, static_cast<std::int32_t>(vector) * shape_.vectorReach());
}

void VectorOps::loadInput(const Vec& d, std::uint32_t slot, std::size_t vector) {
    if (shape_.bytesInAndOut) {
        loadBytes(d, lanesAt(inputs_[slot], vector));
    } else {
        load(d, lanesAt(inputs_[slot], vector));
    }
}

void VectorOps::storeOutput(const x86::Gp& output, const Vec& value, std::size_t vector) {
    if (shape_.bytesInAndOut) {
        storeLowBytes(lanesAt(output, vector), value);
    } else {
        store(lanesAt(output, vector), value);
    }
}

InstId VectorOps::byWidth(InstId bytes, InstId halves, InstId words) const {
    return laneBytes_ == 1 ? bytes : laneBytes_ == 2 ? halves : words;
}

InstId VectorOps::bitwise(InstId avx2, InstId avx512) const {
    return isa_ == Isa::Avx512 ? avx512 : avx2;
}

void VectorOps::emit(InstId id, const Operand& d, const Operand& x, const Operand& y) {
    cc_.emit(id, d, x, y);
}

x86::Vec VectorOps::newVec() {
    if (isa_ == Isa::Avx512) return cc_.newZmm();
    return cc_.newYmm();
}

void VectorOps::load(const Vec& d, const Mem& from) {
    cc_.emit(bitwise(I::kIdVmovdqu, I::kIdVmovdqu32), d, from);
}

void VectorOps::store(const Mem& to, const Vec& s) {
    cc_.emit(bitwise(I::kIdVmovdqu, I::kIdVmovdqu32), to, s);
}

void VectorOps::loadBytes(const Vec& d, const Mem& from) {
    if (laneBytes_ == 1) return load(d, from);
    Mem bytes = from;
    bytes.setSize(static_cast<std::uint32_t>(lanesPerVector()));
    cc_.emit(laneBytes_ == 2 ? I::kIdVpmovzxbw : I::kIdVpmovzxbd, d, bytes);
}

void VectorOps::storeLowBytes(const Mem& to, const Vec& s) {
    if (laneBytes_ == 1) return store(to, s);
    Mem bytes = to;
    bytes.setSize(static_cast<std::uint32_t>(lanesPerVector()));
    if (isa_ == Isa::Avx512) {
        cc_.emit(laneBytes_ == 2 ? I::kIdVpmovwb : I::kIdVpmovdb, bytes, s);
        return;
    }
    // AVX2 truncates no lanes: the low bytes gathered at the start of each 128-bit half, then the two
    // halves' bytes side by side in the low 128 bits.
    std::array<std::uint8_t, 32> gather{};
    const int lanesPerHalf = 16 / laneBytes_;
    for (int half = 0; half < 2; ++half) {
        for (int i = 0; i < 16; ++i)
            gather[static_cast<std::size_t>(half * 16 + i)] =
                static_cast<std::uint8_t>(i < lanesPerHalf ? i * laneBytes_ : 0x80);
    }
    const Vec low = newVec();
    cc_.emit(I::kIdVpshufb, low, s, cc_.newConst(ConstPoolScope::kLocal, gather.data(), gather.size()));
    if (laneBytes_ == 2) {
        cc_.emit(I::kIdVpermq, low, low, Imm(0x08));  // quadwords 0 and 2
        cc_.emit(I::kIdVmovdqu, bytes, low.xmm());
        return;
    }
    const std::array<std::int32_t, 8> order{0, 4, 0, 0, 0, 0, 0, 0};  // doublewords 0 and 4
    const Vec index = newVec();
    load(index, cc_.newConst(ConstPoolScope::kLocal, order.data(), sizeof order));
    cc_.emit(I::kIdVpermd, low, index, low);
    cc_.emit(I::kIdVmovq, bytes, low.xmm());
}

void VectorOps::zero(const Vec& d) {
    emit(bitwise(I::kIdVpxor, I::kIdVpxord), d, d, d);
}

x86::Mem VectorOps::splat(std::int32_t value) {
    std::array<std::uint8_t, 64> data{};
    for (std::size_t at = 0; at < data.size(); at += static_cast<std::size_t>(laneBytes_))
        std::memcpy(data.data() + at, &value,
                    static_cast<std::size_t>(laneBytes_));  // little-endian: low bytes
    return cc_.newConst(ConstPoolScope::kLocal, data.data(), static_cast<std::size_t>(vectorBytes()));
}

void VectorOps::bitAnd(const Vec& d, const Vec& x, const Operand& y) {
    emit(bitwise(I::kIdVpand, I::kIdVpandd), d, x, y);
}

void VectorOps::bitOr(const Vec& d, const Vec& x, const Operand& y) {
    emit(bitwise(I::kIdVpor, I::kIdVpord), d, x, y);
}

void VectorOps::bitXor(const Vec& d, const Vec& x, const Operand& y) {
    emit(bitwise(I::kIdVpxor, I::kIdVpxord), d, x, y);
}

void VectorOps::andNot(const Vec& d, const Vec& x, const Operand& y) {
    emit(bitwise(I::kIdVpandn, I::kIdVpandnd), d, x, y);
}

void VectorOps::add(const Vec& d, const Vec& x, const Operand& y) {
    emit(byWidth(I::kIdVpaddb, I::kIdVpaddw, I::kIdVpaddd), d, x, y);
}

void VectorOps::subtract(const Vec& d, const Vec& x, const Operand& y) {
    emit(byWidth(I::kIdVpsubb, I::kIdVpsubw, I::kIdVpsubd), d, x, y);
}

void VectorOps::minimum(const Vec& d, const Vec& x, const Operand& y) {
    emit(byWidth(I::kIdVpminub, I::kIdVpminsw, I::kIdVpminsd), d, x, y);
}

void VectorOps::maximum(const Vec& d, const Vec& x, const Operand& y) {
    emit(byWidth(I::kIdVpmaxub, I::kIdVpmaxsw, I::kIdVpmaxsd), d, x, y);
}

void VectorOps::addCappedAt255(const Vec& d, const Vec& x, const Vec& y) {
    if (laneBytes_ == 1) {
        emit(I::kIdVpaddusb, d, x, y);
        return;
    }
    add(d, x, y);
    minimum(d, d, splat(255));
}

void VectorOps::mean(const Vec& d, const Vec& x, const Vec& y) {
    if (laneBytes_ == 1) {
        // The rounded-up average, minus the half that rounding added.
        const Vec half = newVec();
        bitXor(half, x, y);
        bitAnd(half, half, splat(1));
        emit(I::kIdVpavgb, d, x, y);
        subtract(d, d, half);
        return;
    }
    add(d, x, y);
    shiftRight(d, d, 1);
}

void VectorOps::shiftLeft(const Vec& d, const Vec& x, int by) {
    if (by >= laneBits()) return zero(d);
    if (laneBytes_ == 1) {
        // AVX2 and AVX-512 shift no bytes: a 16-bit shift, then the bits from the neighbour cleared.
        emit(I::kIdVpsllw, d, x, Imm(by));
        bitAnd(d, d, splat((0xFF << by) & 0xFF));
        return;
    }
    emit(byWidth(I::kIdVpsllw, I::kIdVpsllw, I::kIdVpslld), d, x, Imm(by));
}

void VectorOps::shiftRight(const Vec& d, const Vec& x, int by) {
    if (laneBytes_ == 1) {
        if (by >= 8) return zero(d);
        emit(I::kIdVpsrlw, d, x, Imm(by));
        bitAnd(d, d, splat(0xFF >> by));
        return;
    }
    if (by >= laneBits()) return zero(d);
    emit(byWidth(I::kIdVpsraw, I::kIdVpsraw, I::kIdVpsrad), d, x, Imm(by));
}

void VectorOps::select(const Vec& d, const Vec& z, const Vec& x, const Vec& y) {
    if (isa_ == Isa::Avx512) {
        const x86::KReg zeroLanes = cc_.newKq();
        cc_.emit(byWidth(I::kIdVptestnmb, I::kIdVptestnmw, I::kIdVptestnmd), zeroLanes, z, z);
        cc_.k(zeroLanes).emit(byWidth(I::kIdVpblendmb, I::kIdVpblendmw, I::kIdVpblendmd), d, y, x);
        return;
    }
    const Vec zeroLanes = newVec();
    zero(zeroLanes);
    emit(byWidth(I::kIdVpcmpeqb, I::kIdVpcmpeqw, I::kIdVpcmpeqd), zeroLanes, z, zeroLanes);
    cc_.emit(I::kIdVpblendvb, d, y, x, zeroLanes);
}

void VectorOps::zeroWhere255(const Vec& d, const Vec& x) {
    if (isa_ == Isa::Avx512) {
        constexpr int kNotEqual = 4;
        const x86::KReg kept = cc_.newKq();
        cc_.emit(byWidth(I::kIdVpcmpb, I::kIdVpcmpw, I::kIdVpcmpd), kept, x, splat(255), Imm(kNotEqual));
        cc_.k(kept).z().emit(byWidth(I::kIdVmovdqu8, I::kIdVmovdqu16, I::kIdVmovdqu32), d, x);
        return;
    }
    emit(byWidth(I::kIdVpcmpeqb, I::kIdVpcmpeqw, I::kIdVpcmpeqd), d, x, splat(255));
    andNot(d, d, x);
}

}  // namespace pellisor::jit

#endif

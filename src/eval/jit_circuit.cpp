#include "eval/jit_circuit.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#if defined(__x86_64__)
#include <asmjit/x86.h>
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace pellisor {

bool JitCircuit::enabledByEnvironment() {
    const char* setting = std::getenv("PELLISOR_JIT");
    return setting == nullptr || std::strcmp(setting, "0") != 0;
}

#if defined(__x86_64__)

namespace {

using namespace asmjit;

constexpr std::size_t kVectors = JitCircuit::kStepLanes / 32;
using Values = std::array<x86::Ymm, kVectors>;

// One note per process: every circuit after the first would fail for the same reason.
void noteFailure(const std::string& reason) {
    static std::once_flag once;
    std::call_once(once, [&] {
        std::fprintf(stderr,
                     "Poznámka: obvod nelze přeložit do strojového kódu (%s), počítá se bez překladu.\n",
                     reason.c_str());
    });
}

// Remembers the first error of the emitter, which asmjit reports here instead of throwing.
class FirstError : public ErrorHandler {
public:
    void handleError(Error error, const char* message, BaseEmitter*) override {
        if (!failed) reason = std::string(message) + " (" + DebugUtils::errorAsString(error) + ")";
        failed = true;
    }
    bool failed = false;
    std::string reason;
};

// Emits one step of the operations: every slot's lanes as kVectors registers.
class StepEmitter {
public:
    StepEmitter(x86::Compiler& cc, std::span<const x86::Gp> inputs, x86::Gp offset, std::uint32_t zeroSlot,
                std::size_t slotCount)
        : cc_(cc), inputs_(inputs), offset_(offset), zeroSlot_(zeroSlot), values_(slotCount) {}

    // False for an operation it cannot translate: a slot out of range or never written.
    bool emit(const LaneOperation& op) {
        const std::uint32_t highest = std::max({op.a, op.b, op.c, op.result, op.second});
        if (highest >= values_.size()) return false;
        if (op.function == kMinMaxPair) {
            const std::optional<Values> x = operand(op.a);
            const std::optional<Values> y = operand(op.b);
            if (!x || !y) return false;
            values_[op.result] = each([&](x86::Ymm d, std::size_t v) { cc_.vpminub(d, (*x)[v], (*y)[v]); });
            values_[op.second] = each([&](x86::Ymm d, std::size_t v) { cc_.vpmaxub(d, (*x)[v], (*y)[v]); });
            return true;
        }
        const std::optional<Values> result = function(op);
        if (!result) return false;
        values_[op.result] = *result;
        return true;
    }

    std::optional<Values> operand(std::uint32_t slot) {
        if (slot >= values_.size()) return std::nullopt;
        if (!values_[slot] && slot < inputs_.size()) {
            values_[slot] = each([&](x86::Ymm d, std::size_t v) {
                cc_.vmovdqu(d, x86::ptr(inputs_[slot], offset_, 0, static_cast<std::int32_t>(v * 32)));
            });
        }
        if (!values_[slot] && slot == zeroSlot_) values_[slot] = zeros();
        return values_[slot];
    }

private:
    template <class Emit>
    Values each(Emit emitOne) {
        Values values;
        for (std::size_t v = 0; v < kVectors; ++v) {
            values[v] = cc_.newYmm();
            emitOne(values[v], v);
        }
        return values;
    }

    Values zeros() {
        return each([&](x86::Ymm d, std::size_t) { cc_.vpxor(d, d, d); });
    }

    // A 32-byte constant of one repeated byte, in the function's constant pool.
    x86::Mem bytes(std::uint8_t value) {
        std::array<std::uint8_t, 32> data;
        data.fill(value);
        return cc_.newConst(ConstPoolScope::kLocal, data.data(), data.size());
    }

    // A unary, binary or ternary instruction sequence over the operands, vector by vector.
    template <class Emit>
    std::optional<Values> apply(const LaneOperation& op, Emit emitOne) {
        const std::optional<Values> x = operand(op.a);
        const std::optional<Values> y = operand(op.b);
        const std::optional<Values> z = operand(op.c);
        if (!x || !y || !z) return std::nullopt;
        return each([&](x86::Ymm d, std::size_t v) { emitOne(d, (*x)[v], (*y)[v], (*z)[v]); });
    }

    // The byte shifts AVX2 lacks: a 16-bit shift, then the bits that crossed from the neighbour cleared.
    std::optional<Values> shifted(const LaneOperation& op, int by, bool left) {
        if (by >= 8) return zeros();
        const auto kept = static_cast<std::uint8_t>(left ? (0xFF << by) & 0xFF : 0xFF >> by);
        const x86::Mem mask = bytes(kept);
        return apply(op, [&](x86::Ymm d, x86::Ymm x, x86::Ymm, x86::Ymm) {
            if (left) {
                cc_.vpsllw(d, x, by);
            } else {
                cc_.vpsrlw(d, x, by);
            }
            cc_.vpand(d, d, mask);
        });
    }

    // The 8-bit meaning of each function, as the lane kernels give it.
    std::optional<Values> function(const LaneOperation& op) {
        using Y = x86::Ymm;
        const auto id = static_cast<std::int32_t>(op.function);
        if (op.function >= FunctionId::ShiftRight3 && op.function <= FunctionId::ShiftRight8)
            return shifted(op, id - static_cast<std::int32_t>(FunctionId::ShiftRight3) + 3, false);
        if (op.function >= FunctionId::ShiftLeft1 && op.function <= FunctionId::ShiftLeft8)
            return shifted(op, id - static_cast<std::int32_t>(FunctionId::ShiftLeft1) + 1, true);
        if (op.function >= FunctionId::ShiftLeft9 && op.function <= FunctionId::ShiftLeft15) return zeros();
        switch (op.function) {
            case FunctionId::And:
                return apply(op, [&](Y d, Y x, Y y, Y) { cc_.vpand(d, x, y); });
            case FunctionId::Or:
                return apply(op, [&](Y d, Y x, Y y, Y) { cc_.vpor(d, x, y); });
            case FunctionId::Xor:
                return apply(op, [&](Y d, Y x, Y y, Y) { cc_.vpxor(d, x, y); });
            case FunctionId::In1:
                return operand(op.a);  // values are never changed once computed, so they can be shared
            case FunctionId::In2:
                return operand(op.b);
            case FunctionId::NotIn1: {
                const x86::Mem one = bytes(1);
                return apply(op, [&](Y d, Y x, Y, Y) { cc_.vpandn(d, x, one); });
            }
            case FunctionId::NotIn2: {
                const x86::Mem one = bytes(1);
                return apply(op, [&](Y d, Y, Y y, Y) { cc_.vpandn(d, y, one); });
            }
            case FunctionId::Nand:
            case FunctionId::Nor:
            case FunctionId::Nxor: {
                const x86::Mem one = bytes(1);
                return apply(op, [&](Y d, Y x, Y y, Y) {
                    if (op.function == FunctionId::Nand) cc_.vpand(d, x, y);
                    if (op.function == FunctionId::Nor) cc_.vpor(d, x, y);
                    if (op.function == FunctionId::Nxor) cc_.vpxor(d, x, y);
                    cc_.vpandn(d, d, one);
                });
            }
            case FunctionId::Max:
                return apply(op, [&](Y d, Y x, Y y, Y) { cc_.vpmaxub(d, x, y); });
            case FunctionId::Min:
                return apply(op, [&](Y d, Y x, Y y, Y) { cc_.vpminub(d, x, y); });
            case FunctionId::In1AndNotIn2: {
                const x86::Mem one = bytes(1);
                return apply(op, [&](Y d, Y x, Y y, Y) {
                    cc_.vpandn(d, y, x);
                    cc_.vpand(d, d, one);
                });
            }
            case FunctionId::NegateIn1:
            case FunctionId::NegateIn2:
                return apply(op, [&](Y d, Y x, Y y, Y) {
                    cc_.vpxor(d, d, d);
                    cc_.vpsubb(d, d, op.function == FunctionId::NegateIn1 ? x : y);
                });
            case FunctionId::Mux:
                return apply(op, [&](Y d, Y x, Y y, Y z) {
                    cc_.vpxor(d, d, d);
                    cc_.vpcmpeqb(d, z, d);
                    cc_.vpblendvb(d, y, x, d);
                });
            case FunctionId::Constant255: {
                const x86::Mem all = bytes(0xFF);
                return each([&](Y d, std::size_t) { cc_.vmovdqu(d, all); });
            }
            case FunctionId::Invert: {
                // 255 - x is the complement of x in 8 bits.
                const x86::Mem all = bytes(0xFF);
                return apply(op, [&](Y d, Y x, Y, Y) { cc_.vpxor(d, x, all); });
            }
            case FunctionId::InvertOrIn2: {
                const x86::Mem all = bytes(0xFF);
                return apply(op, [&](Y d, Y x, Y y, Y) {
                    cc_.vpxor(d, x, all);
                    cc_.vpor(d, d, y);
                });
            }
            case FunctionId::InvertAnd: {
                const x86::Mem all = bytes(0xFF);
                return apply(op, [&](Y d, Y x, Y y, Y) {
                    cc_.vpand(d, x, y);
                    cc_.vpxor(d, d, all);
                });
            }
            case FunctionId::ShiftRight1:
                return shifted(op, 1, false);
            case FunctionId::ShiftRight2:
                return shifted(op, 2, false);
            case FunctionId::Nibbles: {
                const x86::Mem high = bytes(0xF0);
                const x86::Mem low = bytes(0x0F);
                return apply(op, [&](Y d, Y x, Y y, Y) {
                    const Y right = cc_.newYmm();
                    cc_.vpsllw(d, x, 4);
                    cc_.vpand(d, d, high);
                    cc_.vpsrlw(right, y, 4);
                    cc_.vpand(right, right, low);
                    cc_.vpor(d, d, right);
                });
            }
            case FunctionId::Add8:
            case FunctionId::Add16:
                return apply(op, [&](Y d, Y x, Y y, Y) { cc_.vpaddb(d, x, y); });
            case FunctionId::Subtract8:
            case FunctionId::Subtract16:
                return apply(op, [&](Y d, Y x, Y y, Y) { cc_.vpsubb(d, x, y); });
            case FunctionId::AddSaturating8:
                return apply(op, [&](Y d, Y x, Y y, Y) { cc_.vpaddusb(d, x, y); });
            case FunctionId::Mean: {
                // The rounded-up average, minus the half that rounding added.
                const x86::Mem one = bytes(1);
                return apply(op, [&](Y d, Y x, Y y, Y) {
                    const Y half = cc_.newYmm();
                    cc_.vpxor(half, x, y);
                    cc_.vpand(half, half, one);
                    cc_.vpavgb(d, x, y);
                    cc_.vpsubb(d, d, half);
                });
            }
            case FunctionId::ZeroIf255: {
                const x86::Mem all = bytes(0xFF);
                return apply(op, [&](Y d, Y x, Y, Y) {
                    cc_.vpcmpeqb(d, x, all);
                    cc_.vpandn(d, d, x);
                });
            }
            case FunctionId::None:
                return zeros();
            default:
                return std::nullopt;
        }
    }

    x86::Compiler& cc_;
    std::span<const x86::Gp> inputs_;
    x86::Gp offset_;
    std::uint32_t zeroSlot_;
    std::vector<std::optional<Values>> values_;
};

// The function void(const uint8_t* const* inputs, uint8_t* out, size_t steps) in `code`; false when
// an operation cannot be translated.
bool emitFunction(x86::Compiler& cc, std::span<const LaneOperation> operations, std::uint32_t inputSlots,
                  std::uint32_t zeroSlot, std::uint32_t resultSlot) {
    FuncNode* node =
        cc.addFunc(FuncSignatureT<void, const std::uint8_t* const*, std::uint8_t*, std::size_t>());
    const x86::Gp inputTable = cc.newIntPtr();
    const x86::Gp out = cc.newIntPtr();
    const x86::Gp end = cc.newIntPtr();
    node->setArg(0, inputTable);
    node->setArg(1, out);
    node->setArg(2, end);
    // The register allocator's own moves and spills must be VEX-encoded too (SSE moves would keep half a
    // register), and the upper halves are cleared on return for the SSE code of the caller.
    node->frame().setAvxEnabled();
    node->frame().addAttributes(FuncAttributes::kX86_AVXCleanup);
    std::vector<x86::Gp> inputs(inputSlots);
    for (std::uint32_t s = 0; s < inputSlots; ++s) {
        inputs[s] = cc.newIntPtr();
        cc.mov(inputs[s], x86::ptr(inputTable, static_cast<std::int32_t>(s * sizeof(void*))));
    }
    const x86::Gp offset = cc.newIntPtr();
    cc.xor_(offset, offset);
    cc.imul(end, end, static_cast<int>(JitCircuit::kStepLanes));
    const Label step = cc.newLabel();
    const Label done = cc.newLabel();
    cc.test(end, end);
    cc.jz(done);
    cc.bind(step);
    std::size_t slotCount =
        std::max<std::size_t>({inputSlots, zeroSlot + std::size_t{1}, resultSlot + std::size_t{1}});
    for (const LaneOperation& op : operations)
        slotCount =
            std::max<std::size_t>({slotCount, op.result + std::size_t{1}, op.second + std::size_t{1}});
    StepEmitter emitter(cc, inputs, offset, zeroSlot, slotCount);
    for (const LaneOperation& op : operations) {
        if (!emitter.emit(op)) return false;
    }
    const std::optional<Values> result = emitter.operand(resultSlot);
    if (!result) return false;
    for (std::size_t v = 0; v < kVectors; ++v)
        cc.vmovdqu(x86::ptr(out, offset, 0, static_cast<std::int32_t>(v * 32)), (*result)[v]);
    cc.add(offset, static_cast<int>(JitCircuit::kStepLanes));
    cc.cmp(offset, end);
    cc.jb(step);
    cc.bind(done);
    cc.endFunc();
    return true;
}

}  // namespace

bool JitCircuit::processorSupported() {
    return CpuInfo::host().features().x86().hasAVX2();
}

std::unique_ptr<const JitCircuit> JitCircuit::compile(std::span<const LaneOperation> operations,
                                                      std::uint32_t inputSlots, std::uint32_t zeroSlot,
                                                      std::uint32_t resultSlot) {
    if (!enabledByEnvironment() || !processorSupported()) return nullptr;
    CodeHolder code;
    FirstError errors;
    code.init(Environment::host());
    code.setErrorHandler(&errors);
    x86::Compiler cc(&code);
    // Every instruction is checked as it is emitted and again as it is encoded: a mistake in the
    // translation becomes a failure that falls back, never wrong code.
    cc.addDiagnosticOptions(DiagnosticOptions::kValidateIntermediate | DiagnosticOptions::kValidateAssembler);
    if (!emitFunction(cc, operations, inputSlots, zeroSlot, resultSlot)) {
        noteFailure("nepodporovaná operace");
        return nullptr;
    }
    cc.finalize();
    code.flatten();
    code.resolveUnresolvedLinks();
    if (errors.failed || code.hasUnresolvedLinks()) {
        noteFailure(errors.failed ? errors.reason : "nevyřešený odkaz");
        return nullptr;
    }
    // Written while only readable and writable, then made only readable and executable.
    const std::size_t codeBytes = code.codeSize();
    const auto pageSize = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    const std::size_t pageBytes = (codeBytes + pageSize - 1) / pageSize * pageSize;
    void* pages = mmap(nullptr, pageBytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (pages == MAP_FAILED) {
        noteFailure("nedostatek paměti");
        return nullptr;
    }
    code.relocateToBase(reinterpret_cast<std::uint64_t>(pages));
    code.copyFlattenedData(pages, codeBytes, CopySectionFlags::kPadSectionBuffer);
    if (errors.failed || mprotect(pages, pageBytes, PROT_READ | PROT_EXEC) != 0) {
        munmap(pages, pageBytes);
        noteFailure(errors.failed ? errors.reason : "stránky nelze učinit spustitelnými");
        return nullptr;
    }
    return std::unique_ptr<const JitCircuit>(new JitCircuit(pages, pageBytes, codeBytes));
}

JitCircuit::JitCircuit(void* pages, std::size_t pageBytes, std::size_t codeBytes)
    : pages_(pages),
      pageBytes_(pageBytes),
      codeBytes_(codeBytes),
      function_(reinterpret_cast<Function>(pages)) {}

JitCircuit::~JitCircuit() {
    munmap(pages_, pageBytes_);
}

#else

bool JitCircuit::processorSupported() {
    return false;
}

std::unique_ptr<const JitCircuit> JitCircuit::compile(std::span<const LaneOperation>, std::uint32_t,
                                                      std::uint32_t, std::uint32_t) {
    return nullptr;
}

JitCircuit::~JitCircuit() = default;

#endif

}  // namespace pellisor

// Machine code for x86-64 only; other builds use the lane kernels.
#if defined(__x86_64__)

#include "eval/jit_function_emitter.h"

#include <algorithm>
#include <array>
#include <map>
#include <optional>
#include <utility>
#include <vector>

namespace pellisor::jit {

using namespace asmjit;

bool emitX86Function(CodeHolder& code, Isa isa, const StepShape& shape,
                     std::span<const LaneOperation> operations, const CircuitSlots& slots) {
    x86::Compiler cc(&code);
    // Every instruction is checked as it is emitted and again as it is encoded: a mistake in the
    // translation becomes a failure that falls back, never wrong code.
    cc.addDiagnosticOptions(DiagnosticOptions::kValidateIntermediate | DiagnosticOptions::kValidateAssembler);
    FuncNode* node = cc.addFunc(FuncSignatureT<void, const void* const*, void* const*, std::size_t>());
    const x86::Gp inputTable = cc.newIntPtr();
    const x86::Gp outputTable = cc.newIntPtr();
    const x86::Gp end = cc.newIntPtr();
    node->setArg(0, inputTable);
    node->setArg(1, outputTable);
    node->setArg(2, end);
    // The register allocator's own moves and spills must be VEX- or EVEX-encoded too (SSE moves would
    // keep half a register), and the upper halves are cleared on return for the SSE code of the caller.
    node->frame().setAvxEnabled();
    if (isa == Isa::Avx512) node->frame().setAvx512Enabled();
    node->frame().addAttributes(FuncAttributes::kX86_AVXCleanup);
    auto pointersFrom = [&](const x86::Gp& table, std::size_t count) {
        std::vector<x86::Gp> pointers(count);
        for (std::size_t s = 0; s < count; ++s) {
            pointers[s] = cc.newIntPtr();
            cc.mov(pointers[s], x86::ptr(table, static_cast<std::int32_t>(s * sizeof(void*))));
        }
        return pointers;
    };
    const std::vector<x86::Gp> inputs = pointersFrom(inputTable, slots.inputSlots);
    const std::vector<x86::Gp> outputs = pointersFrom(outputTable, slots.resultSlots.size());
    const int stepBytes = shape.stepReach();
    const x86::Gp offset = cc.newIntPtr();
    cc.xor_(offset, offset);
    cc.imul(end, end, stepBytes);
    const Label step = cc.newLabel();
    const Label done = cc.newLabel();
    cc.test(end, end);
    cc.jz(done);
    cc.bind(step);
    VectorOps ops(cc, isa, shape, inputs, offset);
    StepEmitter<VectorOps> emitter(ops, shape.vectors, slots.inputSlots, slots.zeroSlot,
                                   slotsUsed(operations, slots));
    for (const LaneOperation& op : operations) {
        if (!emitter.emit(op)) return false;
    }
    for (std::size_t r = 0; r < slots.resultSlots.size(); ++r) {
        const auto result = emitter.operand(slots.resultSlots[r]);
        if (!result) return false;
        for (std::size_t v = 0; v < static_cast<std::size_t>(shape.vectors); ++v)
            ops.storeOutput(outputs[r], result->at[v], v);
    }
    cc.add(offset, stepBytes);
    cc.cmp(offset, end);
    cc.jb(step);
    cc.bind(done);
    cc.endFunc();
    return cc.finalize() == kErrorOk;
}

}  // namespace pellisor::jit

#endif

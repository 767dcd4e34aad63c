#include "eval/jit_neon_function.h"

#include "eval/jit_neon_ops.h"

#include <vector>

namespace pellisor::jit {

using namespace asmjit;

bool emitNeonFunction(CodeHolder& code, const StepShape& shape, std::span<const LaneOperation> operations,
                      const CircuitSlots& slots) {
    a64::Compiler cc(&code);
    // Checked as emitted and as encoded: a mistake becomes a failure, never wrong code.
    cc.addDiagnosticOptions(DiagnosticOptions::kValidateIntermediate | DiagnosticOptions::kValidateAssembler);
    FuncNode* node = cc.addFunc(FuncSignatureT<void, const void* const*, void* const*, std::size_t>());
    const a64::Gp inputTable = cc.newIntPtr();
    const a64::Gp outputTable = cc.newIntPtr();
    const a64::Gp steps = cc.newIntPtr();
    node->setArg(0, inputTable);
    node->setArg(1, outputTable);
    node->setArg(2, steps);
    auto pointersFrom = [&](const a64::Gp& table, std::size_t count) {
        std::vector<a64::Gp> pointers(count);
        for (std::size_t s = 0; s < count; ++s) {
            pointers[s] = cc.newIntPtr();
            cc.ldr(pointers[s], a64::ptr(table, static_cast<std::int32_t>(s * sizeof(void*))));
        }
        return pointers;
    };
    const std::vector<a64::Gp> inputs = pointersFrom(inputTable, slots.inputSlots);
    const std::vector<a64::Gp> outputs = pointersFrom(outputTable, slots.resultSlots.size());
    const Label step = cc.newLabel();
    const Label done = cc.newLabel();
    cc.cbz(steps, done);
    BaseNode* const beforeLoop = cc.cursor();
    cc.bind(step);
    NeonOps ops(cc, shape, inputs, beforeLoop);
    StepEmitter<NeonOps> emitter(ops, shape.vectors, slots.inputSlots, slots.zeroSlot,
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
    // Every pointer moves on by the step's reach.
    for (const std::vector<a64::Gp>* pointers : {&inputs, &outputs}) {
        for (const a64::Gp& pointer : *pointers)
            cc.add(pointer, pointer, shape.stepReach());
    }
    cc.subs(steps, steps, 1);
    cc.b_ne(step);
    cc.bind(done);
    cc.endFunc();
    return cc.finalize() == kErrorOk;
}

}  // namespace pellisor::jit

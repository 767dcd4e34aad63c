#include "eval/compiled_circuit.h"

#include "eval/active_cone.h"
#include "eval/evaluator.h"
#include "model/error.h"
#include "model/function_table.h"

#include <algorithm>
#include <array>
#include <limits>
#include <map>

namespace pellisor {

namespace {

constexpr std::size_t kLanes = CompiledCircuit::kLanes;

constexpr std::size_t kCacheLine = 64;

// A step of machine code may run past the lanes into a slot's padding.
static_assert(kLanePaddingBytes >= JitCircuit::kMostStepBytes);

template <typename T>
T* alignedToCacheLine(T* pointer) {
    const auto address = reinterpret_cast<std::uintptr_t>(pointer);
    return reinterpret_cast<T*>((address + kCacheLine - 1) & ~std::uintptr_t{kCacheLine - 1});
}

// One block to compute, with its operands as entries (-1: a connection it does not read, the zero slot).
struct Pending {
    std::int32_t index;
    FunctionId function;
    std::array<std::int32_t, 3> operands;
    bool pairedWithNext = false;  // a MIN or a MAX whose partner of the same operands follows it
};

// Each wanted entry resolved to the input or block whose value it has: an output passes the value of
// its source, which may be an output set earlier in the pass. Nothing for an entry out of range or an
// output set from one set later in the pass.
std::optional<std::vector<std::int32_t>> resolveRoots(const Chromosome& circuit,
                                                      const std::vector<std::int32_t>& entries) {
    std::vector<std::int32_t> roots;
    roots.reserve(entries.size());
    for (std::int32_t entry : entries) {
        if (entry < 0 || entry >= circuit.blockTotal()) return std::nullopt;
        while (entry >= circuit.firstOutput()) {
            const std::int32_t source = circuit.blocks[static_cast<std::size_t>(entry)].inputs[0];
            if (source >= entry) return std::nullopt;
            entry = source;
        }
        roots.push_back(entry);
    }
    return roots;
}

// The blocks of the cone in index order, each with the operands the evaluator reads.
std::vector<Pending> pendingOperations(const Chromosome& circuit, const FunctionAssignment& assignment,
                                       const std::vector<char>& needed) {
    std::vector<Pending> pending;
    for (std::int32_t index = circuit.inputCount; index < circuit.firstOutput(); ++index) {
        if (!needed[static_cast<std::size_t>(index)]) continue;
        const Block& block = circuit.blocks[static_cast<std::size_t>(index)];
        // An identifier outside the set computes 0 like "no function", and never reaches the kernels as
        // one of their own codes (the fused MIN/MAX pair).
        Pending op{index, functionIdOf(assignment.identifierOf(block.function)), {-1, -1, -1}};
        const FollowedConnections read =
            followedConnections(circuit, assignment, index, ConeConnections::Evaluated);
        for (std::size_t k = 0; k < 3; ++k) {
            if (read.follows(k)) op.operands[k] = block.inputs[k];
        }
        pending.push_back(op);
    }
    return pending;
}

bool isMinOrMax(const Pending& op) {
    return op.function == FunctionId::Min || op.function == FunctionId::Max;
}

// Sorting networks take the MIN and the MAX of the same two values. Moving the later of such a pair
// right behind the earlier one is always possible (its operands exist there already) and lets the
// kernels compute both in one pass over the operands: the earlier one is marked pairedWithNext.
std::vector<Pending> pairedMinMax(const std::vector<Pending>& pending) {
    auto key = [](const Pending& op) { return std::minmax(op.operands[0], op.operands[1]); };
    std::map<std::pair<std::int32_t, std::int32_t>, std::vector<std::size_t>> byOperands;
    for (std::size_t q = 0; q < pending.size(); ++q) {
        if (isMinOrMax(pending[q])) byOperands[key(pending[q])].push_back(q);
    }
    std::vector<Pending> ordered;
    ordered.reserve(pending.size());
    std::vector<char> moved(pending.size(), 0);
    for (std::size_t q = 0; q < pending.size(); ++q) {
        if (moved[q]) continue;
        ordered.push_back(pending[q]);
        if (!isMinOrMax(pending[q])) continue;
        for (const std::size_t later : byOperands[key(pending[q])]) {
            if (later > q && !moved[later] && isMinOrMax(pending[later]) &&
                pending[later].function != pending[q].function) {
                ordered.back().pairedWithNext = true;
                ordered.push_back(pending[later]);
                moved[later] = 1;
                break;
            }
        }
    }
    return ordered;
}

// Per entry the position of the last operation that reads it; the wanted values are never freed.
std::vector<std::int32_t> lastUses(const std::vector<Pending>& pending,
                                   const std::vector<std::int32_t>& roots, std::size_t entryCount) {
    std::vector<std::int32_t> lastUse(entryCount, -1);
    for (std::size_t q = 0; q < pending.size(); ++q) {
        for (const std::int32_t operand : pending[q].operands) {
            if (operand >= 0) lastUse[static_cast<std::size_t>(operand)] = static_cast<std::int32_t>(q);
        }
    }
    for (const std::int32_t root : roots) {
        lastUse[static_cast<std::size_t>(root)] = std::numeric_limits<std::int32_t>::max();
    }
    return lastUse;
}

// Where every value lives: the slots of the inputs read, the zero slot, the scratch slot of the inputs
// not read, then the results, each in a slot freed by a value whose last reader has run (which keeps
// the lanes of a run in cache).
struct SlotPlan {
    std::vector<std::int32_t> inputsRead;
    std::vector<std::uint32_t> inputSlots;  // per input its slot; the scratch slot for inputs not read
    std::uint32_t zeroSlot = 0;
    std::uint32_t slotCount = 0;
    std::vector<LaneOperation> operations;
    std::vector<std::uint32_t> slotOf;  // per entry
};

SlotPlan placeInSlots(const Chromosome& circuit, const std::vector<char>& needed,
                      const std::vector<Pending>& pending, const std::vector<std::int32_t>& roots) {
    SlotPlan plan;
    for (std::int32_t i = 0; i < circuit.inputCount; ++i) {
        if (needed[static_cast<std::size_t>(i)]) plan.inputsRead.push_back(i);
    }
    const auto zeroSlot = static_cast<std::uint32_t>(plan.inputsRead.size());
    const bool someUnread = plan.inputsRead.size() < static_cast<std::size_t>(circuit.inputCount);
    plan.zeroSlot = zeroSlot;
    plan.inputSlots.assign(static_cast<std::size_t>(circuit.inputCount), zeroSlot + 1);
    plan.slotOf.assign(circuit.blocks.size(), zeroSlot);
    for (std::uint32_t s = 0; s < zeroSlot; ++s) {
        const auto input = static_cast<std::size_t>(plan.inputsRead[s]);
        plan.inputSlots[input] = s;
        plan.slotOf[input] = s;
    }
    std::vector<std::int32_t> lastUse = lastUses(pending, roots, circuit.blocks.size());
    std::vector<std::uint32_t> freeSlots;
    plan.slotCount = zeroSlot + (someUnread ? 2 : 1);
    auto slot = [&](std::int32_t operand) {
        return operand < 0 ? zeroSlot : plan.slotOf[static_cast<std::size_t>(operand)];
    };
    for (std::size_t q = 0; q < pending.size(); ++q) {
        const Pending& op = pending[q];
        // Operands read for the last time free their slots, but not before this operation's result is
        // placed: a result never shares a slot with its own operands.
        std::uint32_t result = 0;
        if (freeSlots.empty()) {
            result = plan.slotCount++;
        } else {
            result = freeSlots.back();
            freeSlots.pop_back();
        }
        plan.operations.push_back(
            {op.function, slot(op.operands[0]), slot(op.operands[1]), slot(op.operands[2]), result});
        plan.slotOf[static_cast<std::size_t>(op.index)] = result;
        for (const std::int32_t operand : op.operands) {
            if (operand < circuit.inputCount) continue;  // inputs and the zero slot stay
            std::int32_t& last = lastUse[static_cast<std::size_t>(operand)];
            if (last == static_cast<std::int32_t>(q)) {
                last = -2;  // freed once, even when read twice
                freeSlots.push_back(plan.slotOf[static_cast<std::size_t>(operand)]);
            }
        }
    }
    return plan;
}

// The operations as they run: each MIN/MAX pair as one pass that writes the MIN to `result` and the
// MAX to `second`.
std::vector<LaneOperation> fusedPairs(const std::vector<LaneOperation>& operations,
                                      const std::vector<Pending>& pending) {
    std::vector<LaneOperation> fused;
    for (std::size_t q = 0; q < operations.size(); ++q) {
        const LaneOperation& op = operations[q];
        if (!pending[q].pairedWithNext) {
            fused.push_back(op);
            continue;
        }
        const LaneOperation& next = operations[++q];
        const bool minFirst = op.function == FunctionId::Min;
        fused.push_back({kMinMaxPair, op.a, op.b, op.c, minFirst ? op.result : next.result,
                         minFirst ? next.result : op.result});
    }
    return fused;
}

}  // namespace

void CompiledCircuit::checkEvaluable(const Chromosome& circuit, const FunctionAssignment& assignment) {
    for (std::int32_t index = circuit.inputCount; index < circuit.firstOutput(); ++index) {
        const std::int32_t id =
            assignment.identifierOf(circuit.blocks[static_cast<std::size_t>(index)].function);
        if (functionIdOf(id) == FunctionId::Mux && circuit.arity != 3) throw Error(kMuxNeedsThreeInputs);
    }
}

bool CompiledCircuit::dependsOnHistory(const Chromosome& circuit, const FunctionAssignment& assignment) {
    for (std::int32_t index = circuit.inputCount; index < circuit.blockTotal(); ++index) {
        const Block& entry = circuit.blocks[static_cast<std::size_t>(index)];
        const FollowedConnections read =
            followedConnections(circuit, assignment, index, ConeConnections::Evaluated);
        for (std::size_t k = 0; k < read.count; ++k) {
            if (read.follows(k) && entry.inputs[k] >= index) return true;
        }
    }
    return false;
}

std::optional<CompiledCircuit> CompiledCircuit::compile(const Chromosome& circuit,
                                                        const FunctionAssignment& assignment,
                                                        std::int32_t outputNumber) {
    if (!circuit.hasCircuit() || outputNumber < 0 || outputNumber >= circuit.outputCount) return std::nullopt;
    std::optional<CompiledCircuit> compiled =
        compileCone(circuit, assignment, {circuit.firstOutput() + outputNumber});
    if (compiled) compiled->translate(compiled->entrySlots_, false);
    return compiled;
}

std::optional<CompiledCircuit> CompiledCircuit::compileForBytes(const Chromosome& circuit,
                                                                const FunctionAssignment& assignment,
                                                                std::int32_t outputNumber) {
    if (!circuit.hasCircuit() || outputNumber < 0 || outputNumber >= circuit.outputCount) return std::nullopt;
    std::optional<CompiledCircuit> compiled =
        compileCone(circuit, assignment, {circuit.firstOutput() + outputNumber});
    if (!compiled) return compiled;
    compiled->width_ = compiled->narrowestWidth();
    compiled->translate({compiled->resultSlot_}, true);
    return compiled;
}

std::optional<CompiledCircuit> CompiledCircuit::compileEntries(const Chromosome& circuit,
                                                               const FunctionAssignment& assignment,
                                                               const std::vector<std::int32_t>& entries) {
    std::optional<CompiledCircuit> compiled = compileCone(circuit, assignment, entries);
    if (compiled) compiled->translate(compiled->entrySlots_, false);
    return compiled;
}

void CompiledCircuit::translate(const std::vector<std::uint32_t>& resultSlots, bool bytesInAndOut) {
    machineResultSlots_ = resultSlots;
    machineCodeReadsBytes_ = bytesInAndOut;
    machineCode_ = JitCircuit::compile(fusedOperations_, static_cast<std::uint32_t>(inputsRead_.size()),
                                       zeroSlot_, resultSlots, static_cast<int>(width_), bytesInAndOut);
}

CompiledCircuit::LaneWidth CompiledCircuit::narrowestWidth() const {
    // The operations in order over the ranges their slots hold: a slot is reused only after its last
    // reader, so each operation sees the ranges of its own operands.
    std::vector<ValueRange> ranges(slotCount_, ValueRange{0, 0});
    for (std::size_t s = 0; s < inputsRead_.size(); ++s)
        ranges[s] = kByteValues;
    bool bytes = true;
    bool halves = true;
    for (const Operation& op : operations_) {
        const ValueRange a = ranges[op.a];
        const ValueRange b = ranges[op.b];
        const ValueRange c = ranges[op.c];
        const ValueRange result = functionInfo(op.function).range(a, b, c);
        bytes = bytes && result.within(0, 255);
        halves = halves && workingRange(op.function, a, b, c).within(INT16_MIN, INT16_MAX);
        ranges[op.result] = result;
    }
    if (bytes) return LaneWidth::Bits8;
    if (halves) return LaneWidth::Bits16;
    return LaneWidth::Bits32;
}

std::optional<CompiledCircuit> CompiledCircuit::compileCone(const Chromosome& circuit,
                                                            const FunctionAssignment& assignment,
                                                            const std::vector<std::int32_t>& entries) {
    if (!circuit.hasConsistentCircuit()) return std::nullopt;
    const std::optional<std::vector<std::int32_t>> roots = resolveRoots(circuit, entries);
    if (!roots) return std::nullopt;
    // A used connection to an entry at or after its reader makes the result depend on history.
    const ActiveCone cone = activeCone(circuit, assignment, *roots, ConeConnections::Evaluated);
    if (cone.readsForward) return std::nullopt;
    const std::vector<Pending> pending = pairedMinMax(pendingOperations(circuit, assignment, cone.members));
    SlotPlan plan = placeInSlots(circuit, cone.members, pending, *roots);

    CompiledCircuit compiled;
    compiled.inputCount_ = circuit.inputCount;
    compiled.inputsRead_ = std::move(plan.inputsRead);
    compiled.inputSlots_ = std::move(plan.inputSlots);
    compiled.zeroSlot_ = plan.zeroSlot;
    compiled.slotCount_ = plan.slotCount;
    compiled.operations_ = std::move(plan.operations);
    compiled.fusedOperations_ = fusedPairs(compiled.operations_, pending);
    for (const std::int32_t root : *roots)
        compiled.entrySlots_.push_back(plan.slotOf[static_cast<std::size_t>(root)]);
    if (!compiled.entrySlots_.empty()) compiled.resultSlot_ = compiled.entrySlots_[0];
    return compiled;
}

CompiledCircuit::Workspace::Workspace(const CompiledCircuit& circuit, std::size_t lanesWanted) {
    // Slots start on cache lines, so that no vector of a slot straddles two, and have room for whole
    // vectors past their lanes.
    const std::size_t width = static_cast<std::size_t>(circuit.width_) / 8;
    lanes = std::clamp<std::size_t>(lanesWanted, 1, circuit.byteLanes());
    stride = ((lanes * width + kCacheLine - 1) / kCacheLine * kCacheLine + kLanePaddingBytes) / width;
    const std::size_t slots = circuit.slotCount_;
    auto layOut = [&](auto& storage, auto& pointers) {
        storage.assign(slots * stride + kCacheLine, 0);
        auto* first = alignedToCacheLine(storage.data());
        for (std::size_t s = 0; s < slots; ++s)
            pointers.push_back(first + s * stride);
    };
    switch (circuit.width_) {
        case LaneWidth::Bits8:
            layOut(bytes, byteSlots);
            break;
        case LaneWidth::Bits16:
            layOut(halves, halfSlots);
            break;
        case LaneWidth::Bits32:
            layOut(words, wordSlots);
            break;
    }
}

std::int32_t* CompiledCircuit::inputLanes(Workspace& workspace, std::int32_t k) const {
    return workspace.wordSlots[inputSlots_[static_cast<std::size_t>(k)]];
}

const std::int32_t* CompiledCircuit::run(Workspace& workspace, std::size_t lanes) const {
    lanes = std::min({lanes, kLanes, workspace.lanes});
    if (machineCode_ && !machineCodeReadsBytes_) {
        runSlotsInMachineCode(workspace, lanes);
    } else {
        runOperations32(fusedOperations_.data(), fusedOperations_.size(), workspace.wordSlots.data(), lanes);
    }
    return workspace.wordSlots[resultSlot_];
}

std::size_t CompiledCircuit::longestByteRun() const {
    return machineCode_ && machineCodeReadsBytes_ ? SIZE_MAX : byteLanes();
}

void CompiledCircuit::runBytes(Workspace& workspace, const std::uint8_t* const* inputs, std::size_t lanes,
                               std::uint8_t* out) const {
    if (machineCode_ && machineCodeReadsBytes_) return runBytesInMachineCode(workspace, inputs, lanes, out);
    lanes = std::min({lanes, byteLanes(), workspace.lanes});
    const std::size_t readCount = inputsRead_.size();
    switch (width_) {
        case LaneWidth::Bits8: {
            // A full run reads the inputs where they are and computes the result slot in `out`; a
            // shorter one copies them, so that whole vectors never reach past the caller's bytes.
            const bool full = lanes == byteLanes();
            for (std::size_t s = 0; s < readCount; ++s) {
                const std::uint8_t* input = inputs[inputsRead_[s]];
                if (full) {
                    workspace.byteSlots[s] = const_cast<std::uint8_t*>(input);  // only ever read
                } else {
                    workspace.byteSlots[s] =
                        alignedToCacheLine(workspace.bytes.data()) + s * workspace.stride;
                    std::copy(input, input + lanes, workspace.byteSlots[s]);
                }
            }
            const bool resultInPlace = full && resultSlot_ > zeroSlot_;
            std::uint8_t* const resultSlot = workspace.byteSlots[resultSlot_];
            if (resultInPlace) workspace.byteSlots[resultSlot_] = out;
            runOperations8(fusedOperations_.data(), fusedOperations_.size(), workspace.byteSlots.data(),
                           lanes);
            if (resultInPlace) {
                workspace.byteSlots[resultSlot_] = resultSlot;
            } else {
                std::copy(resultSlot, resultSlot + lanes, out);
            }
            return;
        }
        case LaneWidth::Bits16: {
            for (std::size_t s = 0; s < readCount; ++s) {
                std::int16_t* slot = workspace.halfSlots[s];
                const std::uint8_t* input = inputs[inputsRead_[s]];
                for (std::size_t i = 0; i < lanes; ++i)
                    slot[i] = input[i];
            }
            if (machineCode_ && !machineCodeReadsBytes_) {
                runSlotsInMachineCode(workspace, lanes);
            } else {
                runOperations16(fusedOperations_.data(), fusedOperations_.size(), workspace.halfSlots.data(),
                                lanes);
            }
            const std::int16_t* result = workspace.halfSlots[resultSlot_];
            for (std::size_t i = 0; i < lanes; ++i)
                out[i] = static_cast<std::uint8_t>(result[i] & 0xFF);
            return;
        }
        case LaneWidth::Bits32: {
            for (std::size_t s = 0; s < readCount; ++s) {
                std::int32_t* slot = workspace.wordSlots[s];
                const std::uint8_t* input = inputs[inputsRead_[s]];
                for (std::size_t i = 0; i < lanes; ++i)
                    slot[i] = input[i];
            }
            const std::int32_t* result = run(workspace, lanes);
            for (std::size_t i = 0; i < lanes; ++i)
                out[i] = static_cast<std::uint8_t>(result[i] & 0xFF);
            return;
        }
    }
}

void CompiledCircuit::runBytesInMachineCode(Workspace& workspace, const std::uint8_t* const* inputs,
                                            std::size_t lanes, std::uint8_t* out) const {
    // Whole steps read the caller's bytes where they are and write straight to `out`. The lanes left
    // over are the end of one more step that overlaps the last: it writes the same bytes again where
    // it overlaps. Only a run shorter than a step goes through copies in the workspace, so that no
    // step reaches past the caller's bytes.
    const std::size_t readCount = inputsRead_.size();
    const std::size_t stepLanes = machineCode_->stepLanes();
    auto runFrom = [&](std::size_t first, std::size_t steps, std::uint8_t* target) {
        workspace.jitInputs.resize(readCount);
        for (std::size_t s = 0; s < readCount; ++s)
            workspace.jitInputs[s] = inputs[inputsRead_[s]] + first;
        void* output = target;
        machineCode_->run(workspace.jitInputs.data(), &output, steps);
    };
    const std::size_t steps = lanes / stepLanes;
    if (steps > 0) {
        runFrom(0, steps, out);
        if (steps * stepLanes < lanes) runFrom(lanes - stepLanes, 1, out + (lanes - stepLanes));
        return;
    }
    // The 8-bit lanes' slots have room for the copies already; the wider lanes keep no bytes.
    const std::size_t room = readCount * JitCircuit::kMostStepBytes + kCacheLine;
    if (workspace.bytes.size() < room) workspace.bytes.resize(room);
    std::uint8_t* const copies = alignedToCacheLine(workspace.bytes.data());
    workspace.jitInputs.resize(readCount);
    for (std::size_t s = 0; s < readCount; ++s) {
        std::uint8_t* const copy = copies + s * JitCircuit::kMostStepBytes;
        std::copy(inputs[inputsRead_[s]], inputs[inputsRead_[s]] + lanes, copy);
        workspace.jitInputs[s] = copy;
    }
    std::array<std::uint8_t, JitCircuit::kMostStepBytes> last{};
    void* output = last.data();
    machineCode_->run(workspace.jitInputs.data(), &output, 1);
    std::copy(last.begin(), last.begin() + static_cast<std::ptrdiff_t>(lanes), out);
}

void CompiledCircuit::runSlotsInMachineCode(Workspace& workspace, std::size_t lanes) const {
    // Whole steps over the slots: what a step reads or writes past the lanes stays within the padding
    // every slot has.
    auto slot = [&](std::uint32_t s) -> void* {
        if (width_ == LaneWidth::Bits16) return workspace.halfSlots[s];
        return workspace.wordSlots[s];
    };
    workspace.jitInputs.resize(inputsRead_.size());
    for (std::size_t s = 0; s < inputsRead_.size(); ++s)
        workspace.jitInputs[s] = slot(static_cast<std::uint32_t>(s));
    workspace.jitOutputs.resize(machineResultSlots_.size());
    for (std::size_t r = 0; r < machineResultSlots_.size(); ++r)
        workspace.jitOutputs[r] = slot(machineResultSlots_[r]);
    const std::size_t stepLanes = machineCode_->stepLanes();
    machineCode_->run(workspace.jitInputs.data(), workspace.jitOutputs.data(),
                      (lanes + stepLanes - 1) / stepLanes);
}

const std::int32_t* CompiledCircuit::entryLanes(Workspace& workspace, std::size_t position) const {
    return workspace.wordSlots[entrySlots_[position]];
}

}  // namespace pellisor

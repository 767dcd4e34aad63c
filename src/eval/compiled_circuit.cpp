#include "eval/compiled_circuit.h"

#include "eval/active_cone.h"
#include "eval/evaluator.h"
#include "eval/functions.h"
#include "model/error.h"

#include <algorithm>
#include <array>
#include <limits>
#include <map>

namespace pellisor {

namespace {

// Slots: the primary inputs read, then a slot that is always 0 (a connection a block does not have),
// then the scratch slot of the inputs not read when there are any, then the operations' slots.
constexpr std::size_t kLanes = CompiledCircuit::kLanes;

constexpr std::size_t kCacheLine = 64;
constexpr std::int32_t kMaxFunction = 10;
constexpr std::int32_t kMinFunction = 11;

template <typename T>
T* alignedToCacheLine(T* pointer) {
    const auto address = reinterpret_cast<std::uintptr_t>(pointer);
    return reinterpret_cast<T*>((address + kCacheLine - 1) & ~std::uintptr_t{kCacheLine - 1});
}

}  // namespace

void CompiledCircuit::checkEvaluable(const Chromosome& circuit, const FunctionAssignment& assignment) {
    for (std::int32_t index = circuit.inputCount; index < circuit.firstOutput(); ++index) {
        const std::int32_t id = assignment.identifierOf(circuit.blocks[static_cast<std::size_t>(index)].function);
        if (id == kMuxFunction && circuit.arity != 3) throw Error(kMuxNeedsThreeInputs);
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
        compileEntries(circuit, assignment, {circuit.firstOutput() + outputNumber});
    if (compiled) compiled->resultSlot_ = compiled->entrySlots_[0];
    return compiled;
}

std::optional<CompiledCircuit> CompiledCircuit::compileForBytes(const Chromosome& circuit,
                                                                const FunctionAssignment& assignment,
                                                                std::int32_t outputNumber) {
    std::optional<CompiledCircuit> compiled = compile(circuit, assignment, outputNumber);
    if (!compiled) return compiled;
    compiled->width_ = compiled->narrowestWidth();
    return compiled;
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
        const ValueRange result = resultRange(op.function, a, b, c);
        bytes = bytes && result.within(0, 255);
        halves = halves && workingRange(op.function, a, b, c).within(INT16_MIN, INT16_MAX);
        ranges[op.result] = result;
    }
    if (bytes) return LaneWidth::Bits8;
    if (halves) return LaneWidth::Bits16;
    return LaneWidth::Bits32;
}

std::optional<CompiledCircuit> CompiledCircuit::compileEntries(const Chromosome& circuit,
                                                               const FunctionAssignment& assignment,
                                                               const std::vector<std::int32_t>& entries) {
    if (!circuit.hasConsistentCircuit()) return std::nullopt;
    // Each wanted entry resolved to the input or block whose value it has: an output passes the value
    // of its source, which may be an output set earlier in the pass.
    std::vector<std::int32_t> roots;
    roots.reserve(entries.size());
    std::int32_t highest = circuit.inputCount - 1;
    for (std::int32_t entry : entries) {
        if (entry < 0 || entry >= circuit.blockTotal()) return std::nullopt;
        while (entry >= circuit.firstOutput()) {
            const std::int32_t source = circuit.blocks[static_cast<std::size_t>(entry)].inputs[0];
            if (source >= entry) return std::nullopt;  // set later in the pass
            entry = source;
        }
        roots.push_back(entry);
        highest = std::max(highest, entry);
    }

    // A used connection to an entry at or after its reader makes the result depend on history.
    const ActiveCone cone = activeCone(circuit, assignment, roots, ConeConnections::Evaluated);
    if (cone.readsForward) return std::nullopt;
    const std::vector<char>& needed = cone.members;

    // The operations in index order, each with its operands as entries.
    struct Pending {
        std::int32_t index;
        std::int32_t function;
        std::array<std::int32_t, 3> operands;  // -1: the zero slot
    };
    std::vector<Pending> pending;
    for (std::int32_t index = circuit.inputCount; index <= highest; ++index) {
        if (!needed[static_cast<std::size_t>(index)]) continue;
        const Block& block = circuit.blocks[static_cast<std::size_t>(index)];
        Pending op{index, assignment.identifierOf(block.function), {-1, -1, -1}};
        const FollowedConnections read =
            followedConnections(circuit, assignment, index, ConeConnections::Evaluated);
        for (std::size_t k = 0; k < 3; ++k) {
            if (read.follows(k)) op.operands[k] = block.inputs[k];
        }
        pending.push_back(op);
    }

    // Sorting networks take the MIN and the MAX of the same two values. Moving the later of such a
    // pair right behind the earlier one is always possible (its operands exist there already) and lets
    // the kernels compute both in one pass over the operands.
    {
        std::vector<Pending> ordered;
        ordered.reserve(pending.size());
        std::vector<char> moved(pending.size(), 0);
        auto key = [](const Pending& op) {
            return std::minmax(op.operands[0], op.operands[1]);
        };
        std::map<std::pair<std::int32_t, std::int32_t>, std::vector<std::size_t>> byOperands;
        for (std::size_t q = 0; q < pending.size(); ++q) {
            if (pending[q].function == kMinFunction || pending[q].function == kMaxFunction) {
                byOperands[key(pending[q])].push_back(q);
            }
        }
        for (std::size_t q = 0; q < pending.size(); ++q) {
            if (moved[q]) continue;
            ordered.push_back(pending[q]);
            const Pending& op = pending[q];
            if (op.function != kMinFunction && op.function != kMaxFunction) continue;
            const std::int32_t partnerFunction = op.function == kMinFunction ? kMaxFunction : kMinFunction;
            for (const std::size_t later : byOperands[key(op)]) {
                if (later > q && !moved[later] && pending[later].function == partnerFunction) {
                    ordered.push_back(pending[later]);
                    moved[later] = 1;
                    break;
                }
            }
        }
        pending = std::move(ordered);
    }

    std::vector<std::int32_t> lastUse(circuit.blocks.size(), -1);
    for (std::size_t q = 0; q < pending.size(); ++q) {
        for (const std::int32_t operand : pending[q].operands) {
            if (operand >= 0) lastUse[static_cast<std::size_t>(operand)] = static_cast<std::int32_t>(q);
        }
    }
    // The wanted values are never freed.
    for (const std::int32_t root : roots) lastUse[static_cast<std::size_t>(root)] = std::numeric_limits<std::int32_t>::max();

    // Slots of values whose last reader has run are reused, which keeps the lanes of a run in cache.
    CompiledCircuit compiled;
    compiled.inputCount_ = circuit.inputCount;
    for (std::int32_t i = 0; i < circuit.inputCount; ++i) {
        if (needed[static_cast<std::size_t>(i)]) compiled.inputsRead_.push_back(i);
    }
    const auto zeroSlot = static_cast<std::uint32_t>(compiled.inputsRead_.size());
    const bool someUnread = compiled.inputsRead_.size() < static_cast<std::size_t>(circuit.inputCount);
    compiled.zeroSlot_ = zeroSlot;
    compiled.inputSlots_.assign(static_cast<std::size_t>(circuit.inputCount), zeroSlot + 1);
    std::vector<std::uint32_t> slotOf(circuit.blocks.size(), zeroSlot);
    for (std::uint32_t s = 0; s < zeroSlot; ++s) {
        const auto input = static_cast<std::size_t>(compiled.inputsRead_[s]);
        compiled.inputSlots_[input] = s;
        slotOf[input] = s;
    }
    std::vector<std::uint32_t> freeSlots;
    std::uint32_t slotCount = zeroSlot + (someUnread ? 2 : 1);
    for (std::size_t q = 0; q < pending.size(); ++q) {
        const Pending& op = pending[q];
        auto slot = [&](std::int32_t operand) {
            return operand < 0 ? zeroSlot : slotOf[static_cast<std::size_t>(operand)];
        };
        const std::uint32_t a = slot(op.operands[0]);
        const std::uint32_t b = slot(op.operands[1]);
        const std::uint32_t c = slot(op.operands[2]);
        // Operands read for the last time free their slots, but not before this operation's result is
        // placed: a result never shares a slot with its own operands.
        std::uint32_t result = 0;
        if (freeSlots.empty()) {
            result = slotCount++;
        } else {
            result = freeSlots.back();
            freeSlots.pop_back();
        }
        compiled.operations_.push_back({op.function, a, b, c, result});
        slotOf[static_cast<std::size_t>(op.index)] = result;
        for (const std::int32_t operand : op.operands) {
            if (operand >= circuit.inputCount && lastUse[static_cast<std::size_t>(operand)] == static_cast<std::int32_t>(q)) {
                lastUse[static_cast<std::size_t>(operand)] = -2;  // freed once, even when read twice
                freeSlots.push_back(slotOf[static_cast<std::size_t>(operand)]);
            }
        }
    }
    compiled.slotCount_ = slotCount;

    // Adjacent MIN and MAX blocks of the same operands become one pass.
    const std::vector<Operation>& operations = compiled.operations_;
    for (std::size_t q = 0; q < operations.size(); ++q) {
        const Operation& op = operations[q];
        if (q + 1 < operations.size()) {
            const Operation& next = operations[q + 1];
            const bool sameOperands = (op.a == next.a && op.b == next.b) || (op.a == next.b && op.b == next.a);
            if (sameOperands && op.function == kMinFunction && next.function == kMaxFunction) {
                compiled.fusedOperations_.push_back({kMinMaxPair, op.a, op.b, op.c, op.result, next.result});
                ++q;
                continue;
            }
            if (sameOperands && op.function == kMaxFunction && next.function == kMinFunction) {
                compiled.fusedOperations_.push_back({kMinMaxPair, op.a, op.b, op.c, next.result, op.result});
                ++q;
                continue;
            }
        }
        compiled.fusedOperations_.push_back(op);
    }
    for (const std::int32_t root : roots) compiled.entrySlots_.push_back(slotOf[static_cast<std::size_t>(root)]);
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
        for (std::size_t s = 0; s < slots; ++s) pointers.push_back(first + s * stride);
    };
    switch (circuit.width_) {
        case LaneWidth::Bits8: layOut(bytes, byteSlots); break;
        case LaneWidth::Bits16: layOut(halves, halfSlots); break;
        case LaneWidth::Bits32: layOut(words, wordSlots); break;
    }
}

std::int32_t* CompiledCircuit::inputLanes(Workspace& workspace, std::int32_t k) const {
    return workspace.wordSlots[inputSlots_[static_cast<std::size_t>(k)]];
}

const std::int32_t* CompiledCircuit::run(Workspace& workspace, std::size_t lanes) const {
    lanes = std::min({lanes, kLanes, workspace.lanes});
    runOperations32(fusedOperations_.data(), fusedOperations_.size(), workspace.wordSlots.data(), lanes);
    return workspace.wordSlots[resultSlot_];
}

void CompiledCircuit::runBytes(Workspace& workspace, const std::uint8_t* const* inputs, std::size_t lanes,
                               std::uint8_t* out) const {
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
            runOperations8(fusedOperations_.data(), fusedOperations_.size(), workspace.byteSlots.data(), lanes);
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
            runOperations16(fusedOperations_.data(), fusedOperations_.size(), workspace.halfSlots.data(), lanes);
            const std::int16_t* result = workspace.halfSlots[resultSlot_];
            for (std::size_t i = 0; i < lanes; ++i) out[i] = static_cast<std::uint8_t>(result[i] & 0xFF);
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
            for (std::size_t i = 0; i < lanes; ++i) out[i] = static_cast<std::uint8_t>(result[i] & 0xFF);
            return;
        }
    }
}

const std::int32_t* CompiledCircuit::entryLanes(Workspace& workspace, std::size_t position) const {
    return workspace.wordSlots[entrySlots_[position]];
}

}  // namespace pellisor

#include "eval/jit_step_emitter.h"

namespace pellisor::jit {

std::size_t slotsUsed(std::span<const LaneOperation> operations, const CircuitSlots& slots) {
    std::size_t count = std::max<std::size_t>(slots.inputSlots, slots.zeroSlot + std::size_t{1});
    for (const std::uint32_t result : slots.resultSlots)
        count = std::max<std::size_t>(count, result + std::size_t{1});
    for (const LaneOperation& op : operations)
        count =
            std::max<std::size_t>({count, op.a + std::size_t{1}, op.b + std::size_t{1}, op.c + std::size_t{1},
                                   op.result + std::size_t{1}, op.second + std::size_t{1}});
    return count;
}

std::size_t mostLiveValues(std::span<const LaneOperation> operations, const CircuitSlots& slots) {
    // Each value lives from the operation that makes it (inputs and zeros: their first reader) to its
    // last reader; the results live to the end.
    const std::size_t end = operations.size() + 1;
    std::vector<std::int64_t> change(end + 2, 0);
    std::vector<std::int64_t> current(slotsUsed(operations, slots), -1);  // per slot: start of its value
    std::vector<std::size_t> lastRead(current.size(), 0);
    auto close = [&](std::uint32_t slot) {
        if (current[slot] < 0) return;
        change[static_cast<std::size_t>(current[slot])] += 1;
        change[lastRead[slot] + 1] -= 1;
        current[slot] = -1;
    };
    auto read = [&](std::uint32_t slot, std::size_t at) {
        if (current[slot] < 0) current[slot] = static_cast<std::int64_t>(at);
        lastRead[slot] = at;
    };
    for (std::size_t at = 0; at < operations.size(); ++at) {
        const LaneOperation& op = operations[at];
        for (const std::uint32_t slot : {op.a, op.b, op.c})
            read(slot, at);
        auto define = [&](std::uint32_t slot) {
            close(slot);
            current[slot] = static_cast<std::int64_t>(at);
            lastRead[slot] = at;
        };
        define(op.result);
        if (op.function == kMinMaxPair) define(op.second);
    }
    for (const std::uint32_t slot : slots.resultSlots)
        read(slot, end - 1);
    for (std::uint32_t slot = 0; slot < current.size(); ++slot)
        close(slot);
    std::int64_t live = 0;
    std::int64_t most = 0;
    for (const std::int64_t delta : change) {
        live += delta;
        most = std::max(most, live);
    }
    return static_cast<std::size_t>(most);
}

}  // namespace pellisor::jit

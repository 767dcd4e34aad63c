#include "app/edit_history.h"

#include <algorithm>

namespace pellisor {

namespace {

// Whether two entries differ in more than the cone marks, which a mere selection changes.
bool differsBeyondMarks(const Block& a, const Block& b) {
    Block unmarked = b;
    unmarked.mark = a.mark;
    return !sameBlock(a, unmarked);
}

}  // namespace

bool sameBlock(const Block& a, const Block& b) {
    return a.inputCount == b.inputCount && a.inputs == b.inputs && a.function == b.function && a.x == b.x &&
           a.y == b.y && a.mark == b.mark && a.visible == b.visible && a.value == b.value &&
           a.depth == b.depth;
}

void EditHistory::clear() {
    undo_.clear();
    redo_.clear();
}

EditHistory::Rest EditHistory::restOf(const EditState& state) {
    return {state.blocks.size(), state.memo, state.canvas, state.hiddenBlocks, state.values, state.functions};
}

bool EditHistory::record(const EditState& before, const EditState& after, bool marksAreEdits) {
    Step step{{}, restOf(before), restOf(after)};
    bool changed = before.blocks.size() != after.blocks.size() || before.memo != after.memo ||
                   before.hiddenBlocks != after.hiddenBlocks || before.values != after.values ||
                   before.functions != after.functions;
    const std::size_t count = std::max(before.blocks.size(), after.blocks.size());
    for (std::size_t i = 0; i < count; ++i) {
        const Block old = i < before.blocks.size() ? before.blocks[i] : Block{};
        const Block now = i < after.blocks.size() ? after.blocks[i] : Block{};
        if (sameBlock(old, now)) continue;
        changed = changed || marksAreEdits || differsBeyondMarks(old, now);
        step.changes.push_back({i, old, now});
    }
    if (!changed) return false;
    undo_.push_back(std::move(step));
    if (undo_.size() > capacity_) undo_.pop_front();
    redo_.clear();
    return true;
}

void EditHistory::apply(const Step& step, bool forward, EditState& state) {
    const Rest& rest = forward ? step.after : step.before;
    state.blocks.resize(rest.blockCount);
    for (const BlockChange& change : step.changes) {
        if (change.index < state.blocks.size())
            state.blocks[change.index] = forward ? change.after : change.before;
    }
    // Only what the edit itself changed: an option set between edits stays as the user set it.
    const Rest& other = forward ? step.before : step.after;
    if (rest.memo != other.memo) state.memo = rest.memo;
    if (rest.canvas != other.canvas) state.canvas = rest.canvas;
    if (rest.hiddenBlocks != other.hiddenBlocks) state.hiddenBlocks = rest.hiddenBlocks;
    if (rest.values != other.values) state.values = rest.values;
    if (rest.functions != other.functions) state.functions = rest.functions;
}

bool EditHistory::undo(EditState& state) {
    if (undo_.empty()) return false;
    apply(undo_.back(), false, state);
    redo_.push_back(std::move(undo_.back()));
    undo_.pop_back();
    return true;
}

bool EditHistory::redo(EditState& state) {
    if (redo_.empty()) return false;
    apply(redo_.back(), true, state);
    undo_.push_back(std::move(redo_.back()));
    redo_.pop_back();
    return true;
}

}  // namespace pellisor

// The undo and redo history of the canvas edits.
#pragma once

#include "model/chromosome.h"
#include "render/geometry.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

namespace pellisor {

// One row of the function assignment table as a layout load sets it.
struct AssignedFunction {
    std::int32_t identifier = 0;
    std::string description;
    friend bool operator==(const AssignedFunction&, const AssignedFunction&) = default;
};

// What the canvas edits change: the circuit's entries, the summary memo, the canvas size, and what a
// layout load sets besides the entries (the display options "Zobrazovat skryté bloky" and
// "Zobrazovat hodnoty" and the assignment table).
struct EditState {
    std::vector<Block> blocks;
    std::vector<std::string> memo;
    CanvasSize canvas;
    bool hiddenBlocks = true;
    bool values = false;
    std::vector<AssignedFunction> functions;
};

bool sameBlock(const Block& a, const Block& b);

// Steps between edit states, at most `capacity` of them; the oldest step goes first. A step keeps only
// the entries the edit changed, before and after, so that a moved block costs one entry.
class EditHistory {
public:
    explicit EditHistory(std::size_t capacity = 100) : capacity_(capacity) {}

    void clear();
    // Records the edit from `before` to `after` as one step and forgets what could be redone; no change is
    // no step (false). Without `marksAreEdits`, a change of the marks alone is none either: a press that
    // selected a block and its cone without moving it.
    bool record(const EditState& before, const EditState& after, bool marksAreEdits = true);
    bool canUndo() const { return !undo_.empty(); }
    bool canRedo() const { return !redo_.empty(); }
    std::size_t undoCount() const { return undo_.size(); }
    // Puts the state before the last step into `state`, which holds the state after it.
    bool undo(EditState& state);
    // Puts the state after the step last undone into `state`.
    bool redo(EditState& state);

private:
    struct BlockChange {
        std::size_t index = 0;
        Block before;
        Block after;
    };
    // Everything of an edit state besides the entries.
    struct Rest {
        std::size_t blockCount = 0;
        std::vector<std::string> memo;
        CanvasSize canvas;
        bool hiddenBlocks = true;
        bool values = false;
        std::vector<AssignedFunction> functions;
    };
    struct Step {
        std::vector<BlockChange> changes;
        Rest before;
        Rest after;
    };
    static Rest restOf(const EditState& state);
    static void apply(const Step& step, bool forward, EditState& state);

    std::size_t capacity_;
    std::deque<Step> undo_;
    std::deque<Step> redo_;
};

}  // namespace pellisor

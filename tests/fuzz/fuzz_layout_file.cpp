// Layout files applied to a fuzzed circuit.
//
// Input: one byte (the two display options before the load), a chromosome line up to a NUL (inputs
// whose line does not parse are skipped), then the layout file's bytes.
#include "fuzz_support.h"

#include "app/layout_commands.h"
#include "eval/function_assignment.h"
#include "model/error.h"
#include "model/settings_file.h"
#include "render/display_options.h"

#include <cstdio>
#include <string>

namespace {

using namespace pellisor;

// Every entry costs a few lookups in the file.
constexpr std::int32_t kMaxEntries = 4096;

struct State {
    Chromosome circuit;
    FunctionAssignment assignment;
    DisplayOptions options;
};

struct Outcome {
    LayoutLoadStatus status = LayoutLoadStatus::Mismatch;
    std::string error;
};

Outcome load(const std::string& path, State& state) {
    Outcome outcome;
    try {
        outcome.status = loadLayout(path, state.circuit, state.assignment, state.options).status;
    } catch (const Error& error) {
        outcome.error = error.what();
    }
    return outcome;
}

bool sameRows(const FunctionAssignment& a, const FunctionAssignment& b) {
    for (std::size_t row = 0; row < a.rows().size(); ++row) {
        const AssignmentRow& x = a.rows()[row];
        const AssignmentRow& y = b.rows()[row];
        if (x.identifier != y.identifier || x.description != y.description || x.label != y.label)
            return false;
    }
    return true;
}

// What a layout may change: positions, visibility and values; marks and depths stay.
bool sameLayout(const Chromosome& a, const Chromosome& b) {
    for (std::size_t i = 0; i < a.blocks.size(); ++i) {
        const Block& x = a.blocks[i];
        const Block& y = b.blocks[i];
        if (x.x != y.x || x.y != y.y || x.visible != y.visible || x.value != y.value) return false;
    }
    return true;
}

bool sameState(const State& a, const State& b) {
    return sameLayout(a.circuit, b.circuit) && sameRows(a.assignment, b.assignment) && a.options == b.options;
}

void checkShape(const State& after, const State& before) {
    FUZZ_CHECK(fuzz::sameShape(after.circuit, before.circuit), "a layout changed the circuit's shape");
    for (std::size_t i = 0; i < after.circuit.blocks.size(); ++i) {
        const Block& now = after.circuit.blocks[i];
        const Block& then = before.circuit.blocks[i];
        FUZZ_CHECK(now.mark == then.mark && now.depth == then.depth, "entry " + std::to_string(i));
    }
    FUZZ_CHECK(after.options.blockNumbers == before.options.blockNumbers &&
                   after.options.hiddenWires == before.options.hiddenWires &&
                   after.options.footer == before.options.footer &&
                   after.options.symbols == before.options.symbols &&
                   after.options.functionLabels == before.options.functionLabels &&
                   after.options.wiring == before.options.wiring,
               "a layout changed an option it does not keep");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::InputReader input(data, size);
    const std::uint8_t flags = input.byte();
    auto circuit = fuzz::placedCircuit(input.part(), kMaxEntries);
    if (!circuit) return 0;

    static const std::string kLayoutPath = fuzz::scratchFile("rozmisteni.ini");
    static const std::string kSavedPath = fuzz::scratchFile("ulozene.ini");
    fuzz::writeBytes(kLayoutPath, input.rest());

    State original;
    original.circuit = std::move(*circuit);
    for (std::size_t i = 0; i < original.circuit.blocks.size(); ++i) {
        original.circuit.blocks[i].mark = static_cast<std::int32_t>(i % 3);
        original.circuit.blocks[i].depth = static_cast<std::int32_t>(i);
    }
    original.circuit.inputNames = {"a", "b"};
    // The chooser as set.ini leaves it when the file is missing: every function, no labels.
    original.assignment.loadAssignment(SettingsFile(fuzz::scratchFile("chybi.ini")));
    original.options.hiddenBlocks = (flags & 1) != 0;
    original.options.values = (flags & 2) != 0;

    State state = original;
    const Outcome outcome = load(kLayoutPath, state);
    checkShape(state, original);
    FUZZ_CHECK(outcome.status != LayoutLoadStatus::Missing, "the file was written");
    if (!outcome.error.empty()) {
        const bool known = fuzz::isConversionMessage(outcome.error) ||
                           outcome.error.starts_with("List index out of bounds (");
        FUZZ_CHECK(known, outcome.error);
    } else if (outcome.status == LayoutLoadStatus::Mismatch) {
        FUZZ_CHECK(sameState(state, original), "a layout that does not match changed something");
    } else {
        const auto& chooser = state.assignment.chooser();
        for (const AssignmentRow& row : state.assignment.rows()) {
            FUZZ_CHECK(row.identifier >= 0 && static_cast<std::size_t>(row.identifier) < chooser.size(),
                       std::to_string(row.identifier));
            FUZZ_CHECK(row.description == chooser[static_cast<std::size_t>(row.identifier)], row.description);
        }
    }

    // A second load of the same file finds nothing more to change.
    State twice = state;
    const Outcome again = load(kLayoutPath, twice);
    FUZZ_CHECK(again.status == outcome.status && again.error == outcome.error,
               "a second load ended otherwise");
    FUZZ_CHECK(sameState(twice, state), "a second load changed the state again");

    if (outcome.status != LayoutLoadStatus::Applied || !outcome.error.empty()) return 0;

    // Saved and loaded into the circuit as it was, the layout comes back: values only for primary
    // inputs, the only entries whose values a save keeps.
    std::remove(kSavedPath.c_str());
    FUZZ_CHECK(saveLayout(kSavedPath, state.circuit, state.assignment, state.options, nullptr), "not saved");
    State restored = original;
    const Outcome back = load(kSavedPath, restored);
    FUZZ_CHECK(back.status == LayoutLoadStatus::Applied && back.error.empty(),
               "the saved layout: " + back.error);
    for (std::int32_t i = 0; i < state.circuit.blockTotal(); ++i) {
        const Block& now = restored.circuit.blocks[static_cast<std::size_t>(i)];
        const Block& saved = state.circuit.blocks[static_cast<std::size_t>(i)];
        const Block& before = original.circuit.blocks[static_cast<std::size_t>(i)];
        const std::int32_t value = state.circuit.isPrimaryInput(i) ? saved.value : before.value;
        FUZZ_CHECK(now.x == saved.x && now.y == saved.y && now.visible == saved.visible && now.value == value,
                   "entry " + std::to_string(i) + " after a save and a load");
    }
    FUZZ_CHECK(sameRows(restored.assignment, state.assignment), "the assignment after a save and a load");
    FUZZ_CHECK(restored.options == state.options, "the options after a save and a load");
    return 0;
}

#include "app/layout_commands.h"

#include "model/error.h"
#include "model/integer_text.h"

namespace pellisor {

static_assert(kLayoutFunctionRows == kGeneCount, "a layout keeps one identifier per gene's row");

bool saveLayout(const std::string& path, const Chromosome& circuit, const FunctionAssignment& assignment,
                const DisplayOptions& options, const AskYesNo& confirmOverwrite) {
    LayoutSettings settings;
    settings.hiddenBlocks = options.hiddenBlocks;
    settings.values = options.values;
    for (std::size_t row = 0; row < settings.identifiers.size(); ++row)
        settings.identifiers[row] = assignment.rows()[row].identifier;
    return saveLayoutFile(path, circuit, settings, confirmOverwrite);
}

LayoutLoadResult loadLayout(const std::string& path, Chromosome& circuit, FunctionAssignment& assignment,
                            DisplayOptions& options) {
    LayoutLoadResult result = loadLayoutFile(path, circuit);
    if (result.status != LayoutLoadStatus::Applied) return result;

    options.hiddenBlocks = result.hiddenBlocks;
    options.values = result.values;

    const auto& chooser = assignment.chooser();
    for (std::size_t row = 0; row < result.identifiers.size(); ++row) {
        const LayoutIdentifier& read = result.identifiers[row];
        if (!read.value) throw Error(notAnIntegerMessage(read.text));
        const std::int32_t id = *read.value;
        // The identifier is stored before its chooser entry is looked up, so an unknown one stays in
        // the row that stopped the load.
        AssignmentRow& target = assignment.rows()[row];
        target.identifier = id;
        if (id < 0 || static_cast<std::size_t>(id) >= chooser.size()) {
            throw Error("List index out of bounds (" + std::to_string(id) + ")");
        }
        // The whole entry, label part included, as picking it in the dialog leaves it.
        target.description = chooser[static_cast<std::size_t>(id)];
    }
    return result;
}

}  // namespace pellisor

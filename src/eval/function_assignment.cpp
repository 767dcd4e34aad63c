#include "eval/function_assignment.h"

#include "model/error.h"
#include "model/function_table.h"
#include "model/integer_text.h"
#include "model/settings_file.h"
#include "model/settings_keys.h"

#include <utility>

namespace pellisor {

namespace {

bool hasRow(std::int32_t gene) {
    return gene >= 0 && gene < kGeneCount;
}

}  // namespace

FunctionAssignment::FunctionAssignment() = default;

std::string FunctionAssignment::functionOf(std::int32_t gene) const {
    if (hasRow(gene)) return std::to_string(rows_[static_cast<std::size_t>(gene)].identifier);
    // Gene -1 lands on the grid's header row, whose identifier column reads "#".
    return gene == -1 ? "#" : "";
}

std::int32_t FunctionAssignment::identifierOf(std::int32_t gene) const {
    if (hasRow(gene)) return rows_[static_cast<std::size_t>(gene)].identifier;
    throw Error(notAnIntegerMessage(functionOf(gene)));
}

std::int32_t FunctionAssignment::usageMask(const Chromosome& circuit, std::int32_t index) const {
    if (index < 0 || index >= circuit.blockTotal()) return -1;
    const std::int32_t gene = circuit.blocks[static_cast<std::size_t>(index)].function;
    if (!hasRow(gene)) return -1;
    return functionReads(rows_[static_cast<std::size_t>(gene)].identifier);
}

bool FunctionAssignment::hasLabelledInputs(const Chromosome& circuit, std::int32_t index) const {
    if (index < 0 || index >= circuit.blockTotal()) return false;
    const std::int32_t gene = circuit.blocks[static_cast<std::size_t>(index)].function;
    if (!hasRow(gene)) return false;
    return functionHasLabelledInputs(rows_[static_cast<std::size_t>(gene)].identifier);
}

std::string FunctionAssignment::descriptionPart(const std::string& entry) {
    return entry.substr(0, entry.find('|'));
}

std::string FunctionAssignment::labelPart(const std::string& entry) {
    const auto bar = entry.find('|');
    return bar == std::string::npos ? std::string() : entry.substr(bar + 1);
}

std::string FunctionAssignment::chooserEntry(std::int32_t id) const {
    if (id < 0 || static_cast<std::size_t>(id) >= chooser_.size()) return {};
    return chooser_[static_cast<std::size_t>(id)];
}

void FunctionAssignment::loadAssignment(const SettingsFile& settings) {
    chooser_.assign(1, std::string());
    for (std::int32_t id = 1; id <= kFunctionCount; ++id) {
        const std::string label = settings.readString(settings::kDotSection, settings::labelKey(id), "");
        chooser_.push_back(std::string(functionDescription(id)) + "|" + label);
    }
    for (std::int32_t gene = 0; gene < kGeneCount; ++gene) {
        AssignmentRow& row = rows_[static_cast<std::size_t>(gene)];
        row.identifier = settings.readInt(settings::kFunctionSection, settings::functionKey(gene),
                                          settings::kFunctionFallback);
        row.description = descriptionPart(chooserEntry(row.identifier));
        row.label = labelOf(row.identifier);
    }
}

void FunctionAssignment::saveAssignment(SettingsFile& settings) const {
    std::vector<SettingsEntry> entries;
    for (std::int32_t gene = 0; gene < kGeneCount; ++gene) {
        entries.push_back({settings::kFunctionSection, settings::functionKey(gene),
                           std::to_string(rows_[static_cast<std::size_t>(gene)].identifier)});
    }
    // Empty labels are not written, so a label already in the file stays there.
    for (std::size_t id = 1; id < chooser_.size(); ++id) {
        const std::string label = labelPart(chooser_[id]);
        if (!label.empty()) {
            entries.push_back(
                {settings::kDotSection, settings::labelKey(static_cast<std::int32_t>(id)), label});
        }
    }
    settings.write(entries);
}

void FunctionAssignment::refreshLabels() {
    for (AssignmentRow& row : rows_)
        row.label = labelOf(row.identifier);
}

std::string FunctionAssignment::labelOf(std::int32_t id) const {
    std::string label = labelPart(chooserEntry(id));
    if (!label.empty()) return label;
    const auto found = circuitLabels_.find(id);
    return found == circuitLabels_.end() ? std::string() : found->second;
}

void FunctionAssignment::setCircuitLabels(std::map<std::int32_t, std::string> labels) {
    circuitLabels_ = std::move(labels);
    refreshLabels();
}

void FunctionAssignment::chooseFunction(std::int32_t gene, std::int32_t id) {
    if (!hasRow(gene)) return;
    AssignmentRow& row = rows_[static_cast<std::size_t>(gene)];
    row.identifier = id;
    row.description = chooserEntry(id);  // the whole entry, as the chooser shows it
    row.label.clear();
    refreshLabels();
}

void FunctionAssignment::setIdentifier(std::int32_t gene, std::int32_t id) {
    if (hasRow(gene)) rows_[static_cast<std::size_t>(gene)].identifier = id;
}

void FunctionAssignment::assignGene(std::int32_t gene, std::int32_t id) {
    if (!hasRow(gene)) return;
    AssignmentRow& row = rows_[static_cast<std::size_t>(gene)];
    row.identifier = id;
    row.description = std::string(functionDescription(id));
    row.label = labelOf(id);
}

}  // namespace pellisor

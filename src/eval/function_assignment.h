#pragma once

#include "model/chromosome.h"

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace pellisor {

class SettingsFile;

inline constexpr std::int32_t kGeneCount = 32;  // function genes 0 ... 31 have a row

// One row of the table, as the function assignment grid shows it.
struct AssignmentRow {
    std::int32_t identifier = 0;
    std::string description;
    std::string usage;
    std::string label;
};

// Maps each function gene to a function identifier. Row g holds gene g.
class FunctionAssignment {
public:
    FunctionAssignment();

    // The identifier of the gene's row as decimal text; "#" for gene -1 (the grid's header row) and
    // empty for every other gene without a row.
    std::string functionOf(std::int32_t gene) const;
    // The identifier of the gene's row, converted as the evaluator converts functionOf: a gene without
    // a row raises the conversion error of its text.
    std::int32_t identifierOf(std::int32_t gene) const;

    // Which inputs the function of entry `index` reads: -1 (all) for outputs, genes without a row.
    std::int32_t usageMask(const Chromosome& circuit, std::int32_t index) const;
    bool hasLabelledInputs(const Chromosome& circuit, std::int32_t index) const;

    // First filling of the chooser, the labels and the table from set.ini.
    void loadAssignment(const SettingsFile& settings);
    // "Uložit jako default": every row's identifier, and every non-empty label.
    void saveAssignment(SettingsFile& settings) const;
    // Puts the label part of each row's chooser entry into its label cell.
    void refreshLabels();

    // The user picked chooser entry `id` for the gene's row.
    void chooseFunction(std::int32_t gene, std::int32_t id);
    // A stored identifier (layout file); kept as given, even outside the function set.
    void setIdentifier(std::int32_t gene, std::int32_t id);
    // The loaded circuit says what its gene means: the row gets the identifier, its description and
    // label, whether the chooser has been filled or not.
    void assignGene(std::int32_t gene, std::int32_t id);

    // Labels the loaded circuit brings, by identifier; they show where set.ini gives an identifier
    // none (a label of set.ini is the user's own choice and wins). Never saved to set.ini.
    void setCircuitLabels(std::map<std::int32_t, std::string> labels);
    const std::map<std::int32_t, std::string>& circuitLabels() const { return circuitLabels_; }
    // The label shown for an identifier: the chooser's, else the circuit's, else empty.
    std::string labelOf(std::int32_t id) const;

    const std::array<AssignmentRow, kGeneCount>& rows() const { return rows_; }
    std::array<AssignmentRow, kGeneCount>& rows() { return rows_; }
    // Entry k: description of function k, "|", its label; entry 0 is empty. Empty before loading.
    const std::vector<std::string>& chooser() const { return chooser_; }

    // The text before the first "|", and the text after it (empty without a "|").
    static std::string descriptionPart(const std::string& entry);
    static std::string labelPart(const std::string& entry);
    // The chooser entry of an identifier; empty for one without an entry.
    std::string chooserEntry(std::int32_t id) const;

private:
    std::array<AssignmentRow, kGeneCount> rows_;
    std::vector<std::string> chooser_;
    std::map<std::int32_t, std::string> circuitLabels_;
};

}  // namespace pellisor

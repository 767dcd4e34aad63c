// What the circuit and its layout were when last loaded or saved, to tell whether they have changed.
#pragma once

#include "model/chromosome.h"

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace pellisor {

class SavedCircuit {
public:
    // The structure (header, connections and functions) as the circuit has it now.
    void setStructure(const Chromosome& circuit);
    // The structure a chromosome line describes; a line that does not parse matches no circuit.
    void setStructureOfLine(std::string_view line);
    // The layout (positions, visibility and the values of the primary inputs) as the circuit has it now.
    void setLayout(const Chromosome& circuit);
    void forget();

    // Whether the circuit's structure or layout differs from the saved one; with nothing saved every
    // circuit differs.
    bool differs(const Chromosome& circuit) const;

private:
    struct Placement {
        std::int32_t x = 0;
        std::int32_t y = 0;
        bool visible = true;
        std::int32_t value = 0;  // of a primary input; 0 for the other entries
        friend bool operator==(const Placement&, const Placement&) = default;
    };
    static std::vector<Placement> layoutOf(const Chromosome& circuit);

    std::optional<Chromosome> structure_;
    std::optional<std::vector<Placement>> layout_;
};

}  // namespace pellisor

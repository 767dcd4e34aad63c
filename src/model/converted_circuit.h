#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace pellisor {

// A function gene of a converted circuit and the function identifier it stands for.
struct GeneFunction {
    std::int32_t gene = 0;
    std::int32_t identifier = 0;
    friend bool operator==(const GeneFunction&, const GeneFunction&) = default;
};

// What the genes of a circuit converted from another dialect mean, as plain data: the application
// puts the genes into the function assignment and shows the labels.
struct CircuitFunctions {
    std::vector<GeneFunction> genes;
    std::map<std::int32_t, std::string> labels;  // by function identifier
};

// A chromosome line converted from another dialect, with the meaning of its genes.
struct ConvertedCircuit {
    std::string line;
    CircuitFunctions functions;
};

// Circuits beyond this many primary inputs are refused, as the chromosome parser refuses them.
inline constexpr std::int32_t kMaxConvertedInputs = std::int32_t{1} << 20;

}  // namespace pellisor

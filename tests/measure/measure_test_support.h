// Circuits the measurement tests share: the shipped gate-level and comparator examples, drawn with
// the function assignment they bring, and random circuits with random functions.
#pragma once

#include "eval/function_assignment.h"
#include "model/cgp_file.h"
#include "model/cha_file.h"
#include "model/chromosome_parser.h"
#include "support/random_circuit.h"
#include "support/test_support.h"

#include <random>
#include <string>

namespace pellisor::test {

inline std::string exampleText(const std::string& name) {
    return readBytes(std::string(PELLISOR_EXAMPLES_DIR) + "/" + name);
}

// A converted circuit as loading it would leave it: drawn, its genes assigned.
inline Chromosome convertedCircuit(const ConvertedCircuit& converted, FunctionAssignment& assignment) {
    Chromosome circuit;
    parseChromosome(converted.line, ParseMode::Draw, circuit);
    for (const GeneFunction& gene : converted.functions.genes)
        assignment.assignGene(gene.gene, gene.identifier);
    return circuit;
}

inline Chromosome exampleCircuit(const std::string& name, FunctionAssignment& assignment) {
    const std::string text = exampleText(name);
    return convertedCircuit(name.ends_with(".cha") ? convertChaText(text) : convertCgpText(text), assignment);
}

// Every gene a random function of the set (the multiplexer only where the arity allows it).
inline void assignRandomFunctions(std::mt19937& rng, FunctionAssignment& assignment, std::int32_t arity) {
    for (std::int32_t gene = 0; gene < kGeneCount; ++gene) {
        std::int32_t id = 1 + static_cast<std::int32_t>(rng() % 51);
        if (id == 15 && arity != 3) id = 16;
        assignment.setIdentifier(gene, id);
    }
}

}  // namespace pellisor::test

#include "support/random_circuit.h"

#include "model/chromosome_parser.h"

namespace pellisor::test {

std::int32_t between(std::mt19937& rng, std::int32_t low, std::int32_t high) {
    return std::uniform_int_distribution<std::int32_t>(low, high)(rng);
}

Chromosome parsed(std::string_view line) {
    Chromosome circuit;
    parseChromosome(line, ParseMode::Draw, circuit);
    return circuit;
}

CircuitShape randomShape(std::mt19937& rng, std::int32_t maxInputs, std::int32_t maxOutputs,
                         std::int32_t maxColumns, std::int32_t maxRows, std::int32_t maxArity) {
    return {between(rng, 1, maxInputs), between(rng, 0, maxOutputs), between(rng, 1, maxColumns),
            between(rng, 1, maxRows), between(rng, 1, maxArity)};
}

Chromosome randomCircuit(std::mt19937& rng, const CircuitShape& shape, bool feedForward,
                         std::int32_t maxGene) {
    Chromosome circuit;
    circuit.inputCount = shape.inputCount;
    circuit.outputCount = shape.outputCount;
    circuit.columns = shape.columns;
    circuit.rows = shape.rows;
    circuit.arity = shape.arity;
    const std::int32_t total = shape.inputCount + shape.columns * shape.rows + shape.outputCount;
    circuit.blocks.resize(static_cast<std::size_t>(total));
    for (std::int32_t i = 0; i < total; ++i) {
        Block& block = circuit.blocks[static_cast<std::size_t>(i)];
        if (i < shape.inputCount) continue;
        const bool isOutput = i >= circuit.firstOutput();
        block.inputCount = isOutput ? 1 : shape.arity;
        block.function = isOutput ? -1 : between(rng, 0, maxGene);
        // Outputs may read anything before the outputs, blocks anything before themselves.
        const std::int32_t limit = feedForward ? (isOutput ? circuit.firstOutput() : i) : total;
        for (std::int32_t k = 0; k < block.inputCount; ++k) {
            block.inputs.push_back(limit > 0 ? between(rng, 0, limit - 1) : 0);
        }
    }
    return circuit;
}

Chromosome pipelinedCircuit(std::mt19937& rng, const CircuitShape& shape, std::int32_t maxGene) {
    Chromosome circuit = randomCircuit(rng, shape, true, maxGene);
    for (std::int32_t i = circuit.inputCount; i < circuit.firstOutput(); ++i) {
        const std::int32_t columnStart =
            circuit.inputCount + (i - circuit.inputCount) / circuit.rows * circuit.rows;
        for (std::int32_t& source : circuit.blocks[static_cast<std::size_t>(i)].inputs)
            source = between(rng, 0, columnStart - 1);
    }
    return circuit;
}

std::string chromosomeLine(const Chromosome& circuit) {
    std::string line = "{" + std::to_string(circuit.inputCount) + "," + std::to_string(circuit.outputCount) +
                       "," + std::to_string(circuit.columns) + "," + std::to_string(circuit.rows) + "," +
                       std::to_string(circuit.arity) + ",1,-1}";
    for (std::int32_t i = circuit.inputCount; i < circuit.firstOutput(); ++i) {
        const Block& block = circuit.blocks[static_cast<std::size_t>(i)];
        line += "([" + std::to_string(i) + "]";
        for (const std::int32_t source : block.inputs)
            line += std::to_string(source) + ",";
        line += std::to_string(block.function) + ")";
    }
    line += "(";
    for (std::int32_t j = circuit.firstOutput(); j < circuit.blockTotal(); ++j) {
        if (j > circuit.firstOutput()) line += ",";
        line += std::to_string(circuit.blocks[static_cast<std::size_t>(j)].inputs[0]);
    }
    line += ")";
    return line;
}

std::string variedChromosomeLine(std::mt19937& rng, const Chromosome& circuit) {
    auto chance = [&](int percent) { return between(rng, 0, 99) < percent; };
    auto blanks = [&] {
        static const char kBlanks[] = {' ', '\t', '\n', '\v', '\f', '\r'};
        std::string text;
        while (chance(20))
            text += kBlanks[between(rng, 0, 5)];
        return text;
    };
    // A number with blanks before it, between its characters and before its terminator.
    auto number = [&](std::int32_t value) {
        std::string text = blanks();
        for (const char ch : std::to_string(value))
            text += std::string(1, ch) + blanks();
        return text;
    };
    auto pick = [&](char a, char b) { return chance(50) ? a : b; };

    std::string line;
    while (chance(30))
        line += static_cast<char>(between(rng, 1, 32));
    line += "{";
    const std::int32_t header[] = {circuit.inputCount, circuit.outputCount, circuit.columns,    circuit.rows,
                                   circuit.arity,      between(rng, -5, 5), between(rng, -5, 5)};
    for (const std::int32_t value : header)
        line += number(value) + pick(',', '}');
    for (std::int32_t i = circuit.inputCount; i < circuit.firstOutput(); ++i) {
        const Block& block = circuit.blocks[static_cast<std::size_t>(i)];
        line += "(";
        if (chance(50)) line += "[" + number(between(rng, -1000, 1000)) + "]";
        for (const std::int32_t source : block.inputs)
            line += number(source) + pick(',', ')');
        line += number(block.function) + pick(',', ')');
    }
    line += "(";
    for (std::int32_t j = circuit.firstOutput(); j < circuit.blockTotal(); ++j) {
        line += number(circuit.blocks[static_cast<std::size_t>(j)].inputs[0]) + pick(',', ')');
    }
    if (chance(30)) line += "trailing text is ignored";
    while (chance(30))
        line += static_cast<char>(between(rng, 1, 32));
    return line;
}

}  // namespace pellisor::test

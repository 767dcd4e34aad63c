#include "model/chromosome_line.h"

#include "model/error.h"

#include <charconv>
#include <cstdint>

namespace pellisor {

namespace {

void append(std::string& line, std::int32_t value) {
    char digits[16];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    line.append(digits, end);
}

// Only what the parser would read back as the same circuit is written.
void checkWritable(const Chromosome& circuit) {
    if (!circuit.hasCircuit()) throw Error(kNoCircuitToWrite);
    if (!circuit.hasConsistentCircuit() || circuit.columns < 1 || circuit.rows < 1 || circuit.arity < 1) {
        throw Error(kBadChromosome);
    }
    for (std::int32_t i = circuit.inputCount; i < circuit.blockTotal(); ++i) {
        const Block& block = circuit.blocks[static_cast<std::size_t>(i)];
        const std::size_t genes = circuit.isOutput(i) ? 1 : static_cast<std::size_t>(circuit.arity);
        if (block.inputs.size() != genes) throw Error(kBadChromosome);
        for (const std::int32_t source : block.inputs) {
            if (source < 0 || source >= circuit.blockTotal()) throw Error(kBadChromosome);
        }
    }
}

}  // namespace

std::string chromosomeLineOf(const Chromosome& circuit) {
    checkWritable(circuit);
    std::string line;
    // Room for numbers of a few digits each; longer ones only make the string grow.
    line.reserve(static_cast<std::size_t>(circuit.functionBlockCount()) *
                     (static_cast<std::size_t>(circuit.arity) + 2) * 6 +
                 static_cast<std::size_t>(circuit.outputCount) * 6 + 64);
    line += '{';
    for (const std::int32_t value : {circuit.inputCount, circuit.outputCount, circuit.columns, circuit.rows,
                                     circuit.arity, circuit.headerSixth}) {
        append(line, value);
        line += ',';
    }
    append(line, circuit.headerSeventh);
    line += '}';
    for (std::int32_t i = circuit.inputCount; i < circuit.firstOutput(); ++i) {
        const Block& block = circuit.blocks[static_cast<std::size_t>(i)];
        line += "([";
        append(line, i);
        line += ']';
        for (const std::int32_t source : block.inputs) {
            append(line, source);
            line += ',';
        }
        append(line, block.function);
        line += ')';
    }
    line += '(';
    for (std::int32_t j = circuit.firstOutput(); j < circuit.blockTotal(); ++j) {
        if (j > circuit.firstOutput()) line += ',';
        append(line, circuit.blocks[static_cast<std::size_t>(j)].inputs[0]);
    }
    line += ')';
    return line;
}

}  // namespace pellisor

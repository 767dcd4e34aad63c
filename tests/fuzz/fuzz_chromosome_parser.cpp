// The chromosome line parser: a draw, a redraw with nothing drawn, and a redraw over a circuit that
// was drawn and then edited (the first byte chooses).
#include "fuzz_support.h"

#include "model/chromosome_parser.h"
#include "model/error.h"

#include <string>
#include <vector>

namespace {

using namespace pellisor;
using pellisor::fuzz::printable;

// The circuit a redraw works on when the first part of the input does not parse.
constexpr std::string_view kFallbackLine = "{3,1,2,2,2,1,-1}([3]0,1,1)([4]1,2,3)([5]3,4,2)([6]4,0,5)(6)";

// What the window does to a drawn circuit between two parses: moves, hides, marks and evaluates.
void edit(Chromosome& circuit) {
    for (std::size_t i = 0; i < circuit.blocks.size(); ++i) {
        Block& block = circuit.blocks[i];
        block.x = static_cast<std::int32_t>(i * 7 + 3);
        block.y = -static_cast<std::int32_t>(i) - 1;
        block.mark = static_cast<std::int32_t>(i % 3);
        block.visible = i % 2 == 0;
        block.value = 42;
        block.depth = 5;
    }
    circuit.inputNames = {"a", "", "c"};
    circuit.outputNames = {"y"};
}

// The canonical spelling of a circuit, which must parse back to the same genes.
std::string canonicalLine(const Chromosome& circuit) {
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
    for (std::int32_t i = circuit.firstOutput(); i < circuit.blockTotal(); ++i) {
        if (i > circuit.firstOutput()) line += ",";
        line += std::to_string(circuit.blocks[static_cast<std::size_t>(i)].inputs.at(0));
    }
    return line + ")";
}

void checkConsistent(const Chromosome& circuit) {
    FUZZ_CHECK(circuit.hasConsistentCircuit(), "blocks " + std::to_string(circuit.blocks.size()));
    FUZZ_CHECK(circuit.columns >= 1 && circuit.rows >= 1 && circuit.arity >= 1, "header");
    const std::int32_t total = circuit.blockTotal();
    for (std::int32_t i = 0; i < total; ++i) {
        const Block& block = circuit.blocks[static_cast<std::size_t>(i)];
        const std::string where = "entry " + std::to_string(i);
        if (circuit.isPrimaryInput(i)) {
            FUZZ_CHECK(block.inputCount == 0 && block.inputs.empty(), where);
        } else if (circuit.isFunctionBlock(i)) {
            FUZZ_CHECK(block.inputCount == circuit.arity, where);
            FUZZ_CHECK(block.inputs.size() == static_cast<std::size_t>(circuit.arity), where);
        } else {
            FUZZ_CHECK(block.inputCount == 1 && block.inputs.size() == 1 && block.function == -1, where);
        }
        for (const std::int32_t source : block.inputs) {
            FUZZ_CHECK(source >= 0 && source < total, where + " source " + std::to_string(source));
        }
        FUZZ_CHECK(block.visible && block.value == 0, where + " not reset");
    }
}

void checkParse(std::string_view text, ParseMode mode, Chromosome& circuit) {
    const Chromosome before = circuit;
    ParseMode used = mode;
    try {
        used = parseChromosome(text, mode, circuit);
    } catch (const Error& error) {
        const std::string message = error.what();
        FUZZ_CHECK(!circuit.hasCircuit(), "a failed parse left a circuit");
        FUZZ_CHECK(message == kBadChromosome || fuzz::isConversionMessage(message), message);
        FUZZ_CHECK(circuit.inputNames == before.inputNames && circuit.outputNames == before.outputNames,
                   "names changed");
        return;
    }
    checkConsistent(circuit);
    FUZZ_CHECK(circuit.inputNames == before.inputNames && circuit.outputNames == before.outputNames,
               "names changed");

    const bool sameSize = before.hasCircuit() && before.blockTotal() == circuit.blockTotal();
    if (mode == ParseMode::Redraw && sameSize) {
        FUZZ_CHECK(used == ParseMode::Redraw, "a redraw of the same size was drawn afresh");
        for (std::size_t i = 0; i < circuit.blocks.size(); ++i) {
            const Block& now = circuit.blocks[i];
            const Block& then = before.blocks[i];
            FUZZ_CHECK(now.x == then.x && now.y == then.y && now.mark == then.mark,
                       "entry " + std::to_string(i) + " lost its place or mark");
        }
    } else {
        FUZZ_CHECK(used == ParseMode::Draw, "no circuit to redraw, yet not drawn afresh");
        for (const Block& block : circuit.blocks) {
            FUZZ_CHECK(block.x == 0 && block.y == 0 && block.mark == 0 && block.depth == 0,
                       "fresh entry not clear");
        }
    }

    const std::string canonical = canonicalLine(circuit);
    Chromosome again;
    try {
        parseChromosome(canonical, ParseMode::Draw, again);
    } catch (const Error& error) {
        fuzz::fail(__FILE__, __LINE__, "canonical line " + printable(canonical) + " fails: " + error.what());
    }
    again.inputNames = circuit.inputNames;
    again.outputNames = circuit.outputNames;
    FUZZ_CHECK(fuzz::sameShape(circuit, again), "canonical line " + printable(canonical) + " differs");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::InputReader input(data, size);
    const std::uint8_t choice = input.byte() % 3;
    Chromosome circuit;
    if (choice == 0) {
        checkParse(input.rest(), ParseMode::Draw, circuit);
    } else if (choice == 1) {
        checkParse(input.rest(), ParseMode::Redraw, circuit);
    } else {
        const std::string_view first = input.part();
        try {
            parseChromosome(first, ParseMode::Draw, circuit);
        } catch (const Error&) {
            parseChromosome(kFallbackLine, ParseMode::Draw, circuit);
        }
        edit(circuit);
        checkParse(input.rest(), ParseMode::Redraw, circuit);
    }
    return 0;
}

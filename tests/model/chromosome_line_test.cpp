#include "model/chromosome_line.h"

#include "model/chromosome_parser.h"
#include "model/error.h"
#include "support/random_circuit.h"

#include <gtest/gtest.h>

#include <tuple>

namespace pellisor {
namespace {

using test::parsed;

// The header and every entry's genes.
void expectSameGenes(const Chromosome& expected, const Chromosome& actual) {
    EXPECT_EQ(std::tie(expected.inputCount, expected.outputCount, expected.columns, expected.rows,
                       expected.arity, expected.headerSixth, expected.headerSeventh),
              std::tie(actual.inputCount, actual.outputCount, actual.columns, actual.rows, actual.arity,
                       actual.headerSixth, actual.headerSeventh));
    ASSERT_EQ(expected.blockTotal(), actual.blockTotal());
    for (std::size_t i = 0; i < expected.blocks.size(); ++i) {
        const Block& a = expected.blocks[i];
        const Block& b = actual.blocks[i];
        EXPECT_EQ(std::tie(a.inputCount, a.inputs, a.function), std::tie(b.inputCount, b.inputs, b.function))
            << i;
    }
}

TEST(ChromosomeLine, RandomCircuitsComeBackFromTheirLine) {
    std::mt19937 rng(14);
    std::uniform_int_distribution<std::int32_t> headerValue(-20, 20);
    for (int round = 0; round < 300; ++round) {
        SCOPED_TRACE(round);
        Chromosome circuit = test::randomCircuit(rng, test::randomShape(rng), round % 3 != 0);
        // The canonical spelling of the tests' own writer, which puts 1 and -1 in the header.
        EXPECT_EQ(chromosomeLineOf(circuit), test::chromosomeLine(circuit));

        circuit.headerSixth = headerValue(rng);
        circuit.headerSeventh = headerValue(rng);
        const std::string line = chromosomeLineOf(circuit);
        const Chromosome back = parsed(line);
        expectSameGenes(circuit, back);
        EXPECT_EQ(chromosomeLineOf(back), line);
    }
}

TEST(ChromosomeLine, WritesOneSpellingAndRefusesWhatNoLineDescribes) {
    // Labels other than the index, blanks and the other separators are not kept; the header values are.
    EXPECT_EQ(chromosomeLineOf(parsed(" {2, 1 ,1,1,2,7}-3}([9]0,1)3)(2) tail")),
              "{2,1,1,1,2,7,-3}([2]0,1,3)(2)");

    auto messageOf = [](const Chromosome& circuit) -> std::string {
        try {
            return "written " + chromosomeLineOf(circuit);
        } catch (const Error& error) {
            return error.what();
        }
    };
    EXPECT_EQ(kNoCircuitToWrite, messageOf(Chromosome{}));
    const Chromosome sound = parsed("{2,1,1,1,2,1,-1}([2]0,1,3)(2)");
    Chromosome shortBlock = sound;
    shortBlock.blocks[2].inputs.pop_back();
    Chromosome outside = sound;
    outside.blocks[3].inputs[0] = 4;
    Chromosome miscounted = sound;
    miscounted.outputCount = 2;
    for (const Chromosome& bad : {shortBlock, outside, miscounted})
        EXPECT_EQ(kBadChromosome, messageOf(bad));
}

}  // namespace
}  // namespace pellisor

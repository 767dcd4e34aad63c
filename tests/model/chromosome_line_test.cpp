#include "model/chromosome_line.h"

#include "model/chromosome_file.h"
#include "model/chromosome_parser.h"
#include "model/error.h"
#include "support/random_circuit.h"

#include <gtest/gtest.h>

#include <deque>

namespace pellisor {
namespace {

using test::parsed;

void expectSameGenes(const Chromosome& expected, const Chromosome& actual) {
    ASSERT_EQ(expected.blockTotal(), actual.blockTotal());
    EXPECT_EQ(expected.inputCount, actual.inputCount);
    EXPECT_EQ(expected.outputCount, actual.outputCount);
    EXPECT_EQ(expected.columns, actual.columns);
    EXPECT_EQ(expected.rows, actual.rows);
    EXPECT_EQ(expected.arity, actual.arity);
    for (std::size_t i = 0; i < expected.blocks.size(); ++i) {
        EXPECT_EQ(expected.blocks[i].inputCount, actual.blocks[i].inputCount) << i;
        EXPECT_EQ(expected.blocks[i].inputs, actual.blocks[i].inputs) << i;
        EXPECT_EQ(expected.blocks[i].function, actual.blocks[i].function) << i;
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
        EXPECT_EQ(back.headerSixth, circuit.headerSixth);
        EXPECT_EQ(back.headerSeventh, circuit.headerSeventh);
        EXPECT_EQ(chromosomeLineOf(back), line);

        // Any other spelling the grammar accepts is written in the one form, its header values kept.
        const Chromosome varied = parsed(test::variedChromosomeLine(rng, circuit));
        expectSameGenes(circuit, varied);
        const Chromosome again = parsed(chromosomeLineOf(varied));
        expectSameGenes(circuit, again);
        EXPECT_EQ(again.headerSixth, varied.headerSixth);
        EXPECT_EQ(again.headerSeventh, varied.headerSeventh);
    }
}

TEST(ChromosomeLine, AConvertedVrcLineIsWrittenAsItWasConverted) {
    // The conversion labels every group with the block's own index and puts 1 and -1 in the header.
    std::deque<std::string> answers{"2", "1", "0"};
    const auto converted = convertVrcText("0 1 5 | 1 2 3 |\n0 1 2 | 3 1 4 |\n",
                                          [&](const std::string&, const std::string&, const std::string&) {
                                              std::optional<std::string> answer = answers.front();
                                              answers.pop_front();
                                              return answer;
                                          });
    ASSERT_TRUE(converted);
    EXPECT_EQ(chromosomeLineOf(parsed(*converted)), *converted);
    // Labels that are not the index, blanks and the other separators are not kept.
    EXPECT_EQ(chromosomeLineOf(parsed(" {2, 1 ,1,1,2,7}-3}([9]0,1)3)(2) tail")),
              "{2,1,1,1,2,7,-3}([2]0,1,3)(2)");
}

TEST(ChromosomeLine, RefusesWhatNoLineDescribes) {
    Chromosome none;
    EXPECT_THROW(
        {
            try {
                chromosomeLineOf(none);
            } catch (const Error& error) {
                EXPECT_STREQ(error.what(), kNoCircuitToWrite);
                throw;
            }
        },
        Error);

    const Chromosome sound = parsed("{2,1,1,1,2,1,-1}([2]0,1,3)(2)");
    auto expectBad = [](const Chromosome& circuit) {
        try {
            chromosomeLineOf(circuit);
            ADD_FAILURE() << "written";
        } catch (const Error& error) {
            EXPECT_STREQ(error.what(), kBadChromosome);
        }
    };
    Chromosome shortBlock = sound;
    shortBlock.blocks[2].inputs.pop_back();
    expectBad(shortBlock);
    Chromosome outside = sound;
    outside.blocks[3].inputs[0] = 4;
    expectBad(outside);
    Chromosome miscounted = sound;
    miscounted.outputCount = 2;
    expectBad(miscounted);
}

}  // namespace
}  // namespace pellisor

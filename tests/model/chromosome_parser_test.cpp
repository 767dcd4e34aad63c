#include "model/chromosome_parser.h"

#include "model/error.h"
#include "support/random_circuit.h"

#include <gtest/gtest.h>

#include <random>

namespace pellisor {
namespace {

// The message of the error a parse raises, or "" when it succeeds.
std::string parseError(std::string_view line, Chromosome& circuit, ParseMode mode = ParseMode::Draw) {
    try {
        parseChromosome(line, mode, circuit);
        return "";
    } catch (const Error& error) {
        return error.what();
    }
}

std::string parseError(std::string_view line) {
    Chromosome circuit;
    return parseError(line, circuit);
}

void expectSameGenes(const Chromosome& expected, const Chromosome& actual) {
    ASSERT_EQ(expected.inputCount, actual.inputCount);
    ASSERT_EQ(expected.outputCount, actual.outputCount);
    ASSERT_EQ(expected.columns, actual.columns);
    ASSERT_EQ(expected.rows, actual.rows);
    ASSERT_EQ(expected.arity, actual.arity);
    ASSERT_EQ(expected.blocks.size(), actual.blocks.size());
    for (std::size_t i = 0; i < expected.blocks.size(); ++i) {
        const Block& want = expected.blocks[i];
        const Block& got = actual.blocks[i];
        EXPECT_EQ(want.inputCount, got.inputCount) << "entry " << i;
        EXPECT_EQ(want.inputs, got.inputs) << "entry " << i;
        if (want.inputCount > 0) {
            EXPECT_EQ(want.function, got.function) << "entry " << i;
        }
        EXPECT_TRUE(got.visible);
        EXPECT_EQ(0, got.value);
    }
}

TEST(ChromosomeParser, ReadsTheSmallestCircuitWithAndWithoutLabel) {
    for (const char* line : {"{2,1,1,1,2,1,-1}([2]0,1,3)(2)", "{2,1,1,1,2,1,-1}(0,1,3)(2)",
                             "  \t{2,1,1,1,2,1,-1}([2]0,1,3)(2) \r\n", "{2, 1 ,1,1,2,1,-1}([2] 0, 1 ,3)(2)",
                             "{2,1,1,1,2,1,-1}([2]0,1,3)(2)xyz", "{2,1,1,1,2,1}-1}([2]0)1)3,(2,"}) {
        SCOPED_TRACE(line);
        Chromosome circuit;
        EXPECT_EQ(ParseMode::Draw, parseChromosome(line, ParseMode::Draw, circuit));
        ASSERT_EQ(4, circuit.blockTotal());
        EXPECT_EQ(2, circuit.inputCount);
        EXPECT_EQ(0, circuit.blocks[0].inputCount);
        EXPECT_TRUE(circuit.blocks[1].inputs.empty());
        EXPECT_EQ((std::vector<std::int32_t>{0, 1}), circuit.blocks[2].inputs);
        EXPECT_EQ(2, circuit.blocks[2].inputCount);
        EXPECT_EQ(3, circuit.blocks[2].function);
        EXPECT_EQ(1, circuit.blocks[3].inputCount);
        EXPECT_EQ((std::vector<std::int32_t>{2}), circuit.blocks[3].inputs);
        EXPECT_EQ(-1, circuit.blocks[3].function);
    }
}

TEST(ChromosomeParser, IndexSpaceRunsColumnByColumn) {
    Chromosome circuit;
    // 4 inputs, 2 columns of 3 rows, arity 3: the block in column 1, row 0 is entry 7, the output entry 10.
    parseChromosome("{4,1,2,3,3,1,-1}(0,1,2,0)(1,2,3,1)(2,3,0,2)(4,5,6,3)(4,5,6,4)(4,5,6,5)(7)",
                    ParseMode::Draw, circuit);
    ASSERT_EQ(11, circuit.blockTotal());
    EXPECT_EQ(7, circuit.blockIndex(1, 0));
    EXPECT_EQ(3, circuit.blocks[7].function);
    EXPECT_EQ(10, circuit.firstOutput());
    EXPECT_EQ(1, circuit.blocks[10].inputCount);
    EXPECT_EQ(-1, circuit.blocks[10].function);
}

TEST(ChromosomeParser, GrammarFailuresSayChybnyChromozom) {
    for (const char* line : {
             "",                                // empty
             "   \t ",                          // only blanks
             "2,1,1,1,2,1,-1}(0,1,3)(2)",       // no brace
             "{2,1,1,1,2,1,-1} ([2]0,1,3)(2)",  // blank before a group
             "{2,1,1,1,2,1,-1}( [2]0,1,3)(2)",  // blank between ( and [
             "{2,1,1,1,2,1,-1}([2]0,1,3)(2",    // line ends before the last terminator
             "{2,1,1,1,2,1,-1}([2]0,1,3)2)",    // no ( before the outputs
             "{2,1,1,1,2,1,-1}([2)0,1,3)(2)",   // a label ends only with ]
             "{2,1,1,1,2,1,-1)([2]0,1,3)(2)",   // a header field ends only with , or }
             "{2,1,1,1,2,1,-1}([2]0;1,3)(2)",   // a gene ends only with , or )
             "{2,1,1,1,2,1,+1}(0,1,3)(2)",      // a plus sign is not collected
             "{2,1,1,1,2,1",                    // header cut short
         }) {
        EXPECT_EQ("Chybny chromozom", parseError(line)) << line;
    }
}

TEST(ChromosomeParser, FieldsThatAreNotIntegersFailTheConversion) {
    EXPECT_EQ("'' is not a valid integer value", parseError("{2,1,1,1,2,1,-1}([2]0,,3)(2)"));
    EXPECT_EQ("'-' is not a valid integer value", parseError("{2,1,1,1,2,1,-1}([2]0,-,3)(2)"));
    EXPECT_EQ("'1-2' is not a valid integer value", parseError("{2,1,1,1,2,1,-1}([2]0,1-2,3)(2)"));
    EXPECT_EQ("'99999999999' is not a valid integer value",
              parseError("{99999999999,1,1,1,2,1,-1}(0,1,3)(2)"));
    EXPECT_EQ("'' is not a valid integer value", parseError("{2,1,1,1,2,,-1}([2]0,1,3)(2)"));
    EXPECT_EQ("'' is not a valid integer value", parseError("{2,1,1,1,2,1,-1}([]0,1,3)(2)"));
    // Blanks inside a field are skipped, so "1 2" is 12: out of range here.
    EXPECT_EQ("Chybny chromozom", parseError("{2,1,1,1,2,1,-1}([2]0,1 2,3)(2)"));
    Chromosome circuit;
    parseChromosome("{13,1,1,1,2,1,-1}([2]0,1 2,3)(2)", ParseMode::Draw, circuit);
    EXPECT_EQ(12, circuit.blocks[13].inputs[1]);
}

TEST(ChromosomeParser, RejectsHeadersAndSourcesThatDescribeNoSoundCircuit) {
    for (const char* line : {
             "{-1,1,1,1,2,1,-1}(0,1,3)(2)",          // negative inputs
             "{2,-1,1,1,2,1,-1}(0,1,3)(2)",          // negative outputs
             "{2,1,0,1,2,1,-1}(2)",                  // no columns
             "{2,1,1,0,2,1,-1}(2)",                  // no rows
             "{2,1,1,1,0,1,-1}(3)(2)",               // no connection genes
             "{2,1,1,1,-2,1,-1}(3)(2)",              // negative arity
             "{2,1,1,1,2,1,-1}(0,4,3)(2)",           // source past the last entry
             "{2,1,1,1,2,1,-1}(0,-1,3)(2)",          // negative source
             "{2,1,1,1,2,1,-1}(0,1,3)(4)",           // output source past the last entry
             "{2,1,65536,65536,2,1,-1}(0,1,3)(2)",   // more entries than an index can name
             "{2000000000,1,1,1,2,1,-1}(0,1,3)(2)",  // absurdly many primary inputs
         }) {
        Chromosome circuit;
        EXPECT_EQ("Chybny chromozom", parseError(line, circuit)) << line;
        EXPECT_FALSE(circuit.hasCircuit()) << line;
    }
    // Indices up to the last entry are accepted, even pointing forwards or at an output.
    EXPECT_EQ("", parseError("{2,1,1,1,2,1,-1}(3,2,3)(3)"));
    // No outputs at all is a circuit too.
    EXPECT_EQ("", parseError("{2,0,1,1,2,1,-1}(0,1,3)("));
}

TEST(ChromosomeParser, AFailureLeavesNoCircuitAndKeepsTheNames) {
    Chromosome circuit;
    circuit.inputNames = {"a", "b"};
    circuit.outputNames = {"y"};
    parseChromosome("{2,1,1,1,2,1,-1}(0,1,3)(2)", ParseMode::Draw, circuit);
    ASSERT_TRUE(circuit.hasCircuit());
    EXPECT_EQ("'' is not a valid integer value", parseError("{2,1,1,1,2,1,-1}([2]0,,3)(2)", circuit));
    EXPECT_FALSE(circuit.hasCircuit());
    EXPECT_EQ(0, circuit.blockTotal());
    EXPECT_EQ((std::vector<std::string>{"a", "b"}), circuit.inputNames);
    EXPECT_EQ((std::vector<std::string>{"y"}), circuit.outputNames);

    parseChromosome("{2,1,1,1,2,1,-1}(0,1,3)(2)", ParseMode::Draw, circuit);
    EXPECT_EQ("Chybny chromozom", parseError("{2,1,1,1,2,1,-1}(0,1,3)(2", circuit, ParseMode::Redraw));
    EXPECT_FALSE(circuit.hasCircuit());
}

TEST(ChromosomeParser, RedrawKeepsPositionsAndMarksAndResetsTheRest) {
    Chromosome circuit;
    parseChromosome("{2,1,1,2,2,1,-1}(0,1,3)(0,2,4)(3)", ParseMode::Draw, circuit);
    for (Block& block : circuit.blocks) {
        block.x = 11;
        block.y = 22;
        block.mark = 2;
        block.visible = false;
        block.value = 99;
    }
    EXPECT_EQ(ParseMode::Redraw,
              parseChromosome("{2,1,1,2,2,1,-1}(1,0,5)(2,2,6)(2)", ParseMode::Redraw, circuit));
    for (const Block& block : circuit.blocks) {
        EXPECT_EQ(11, block.x);
        EXPECT_EQ(22, block.y);
        EXPECT_EQ(2, block.mark);
        EXPECT_TRUE(block.visible);
        EXPECT_EQ(0, block.value);
    }
    EXPECT_EQ((std::vector<std::int32_t>{1, 0}), circuit.blocks[2].inputs);
    EXPECT_EQ(6, circuit.blocks[3].function);
    EXPECT_EQ((std::vector<std::int32_t>{2}), circuit.blocks[4].inputs);
}

TEST(ChromosomeParser, RedrawOfAnotherSizeOrWithoutCircuitIsADraw) {
    Chromosome circuit;
    EXPECT_EQ(ParseMode::Draw, parseChromosome("{2,1,1,1,2,1,-1}(0,1,3)(2)", ParseMode::Redraw, circuit));
    for (Block& block : circuit.blocks)
        block.x = 5;
    EXPECT_EQ(ParseMode::Draw,
              parseChromosome("{2,1,1,2,2,1,-1}(0,1,3)(0,2,4)(3)", ParseMode::Redraw, circuit));
    ASSERT_EQ(5, circuit.blockTotal());
    for (const Block& block : circuit.blocks)
        EXPECT_EQ(0, block.x);
    // Another shape with the same number of entries is still a redraw.
    for (Block& block : circuit.blocks)
        block.x = 5;
    EXPECT_EQ(ParseMode::Redraw,
              parseChromosome("{1,2,1,2,2,1,-1}(0,0,3)(0,1,4)(1,2)", ParseMode::Redraw, circuit));
    EXPECT_EQ(5, circuit.blocks[4].x);
    EXPECT_EQ(1, circuit.blocks[3].inputCount);
}

TEST(ChromosomeParser, GeneratedLinesParseBackToTheirCircuit) {
    std::mt19937 rng(20261208);
    for (int round = 0; round < 2000; ++round) {
        const bool feedForward = round % 3 != 0;
        const Chromosome expected = test::randomCircuit(rng, test::randomShape(rng, 12, 5, 9, 9, 4),
                                                        feedForward, round % 2 ? 31 : 60);
        const std::string line =
            round % 4 == 0 ? test::chromosomeLine(expected) : test::variedChromosomeLine(rng, expected);
        SCOPED_TRACE(line);
        Chromosome circuit;
        ASSERT_NO_THROW(parseChromosome(line, ParseMode::Draw, circuit));
        expectSameGenes(expected, circuit);
    }
}

// Random damage to valid lines: every result is either a circuit or one of the two messages, never a
// crash or a half-built circuit. Under the sanitizer build this also proves every access in bounds.
TEST(ChromosomeParser, MutatedLinesParseOrFailCleanly) {
    std::mt19937 rng(7);
    const std::string alphabet = "0123456789-,(){}[] \t\n9x";
    auto between = [&](std::size_t low, std::size_t high) {
        return std::uniform_int_distribution<std::size_t>(low, high)(rng);
    };
    int parsed = 0;
    int failed = 0;
    Chromosome previous;
    for (int round = 0; round < 100000; ++round) {
        const Chromosome source =
            test::randomCircuit(rng, test::randomShape(rng, 5, 3, 4, 4, 3), round % 2 == 0);
        std::string line = test::variedChromosomeLine(rng, source);
        const std::size_t edits = between(1, 4);
        for (std::size_t e = 0; e < edits && !line.empty(); ++e) {
            const std::size_t at = between(0, line.size() - 1);
            switch (between(0, 4)) {
                case 0:
                    line.erase(at, 1);
                    break;
                case 1:
                    line.insert(at, 1, alphabet[between(0, alphabet.size() - 1)]);
                    break;
                case 2:
                    line[at] = alphabet[between(0, alphabet.size() - 1)];
                    break;
                case 3:
                    line.resize(at);
                    break;
                default:
                    line.insert(at, std::to_string(static_cast<std::int32_t>(rng())));
                    break;
            }
        }
        // Alternate draws and redraws over whatever the last round left.
        Chromosome& circuit = previous;
        const ParseMode mode = round % 2 ? ParseMode::Redraw : ParseMode::Draw;
        try {
            parseChromosome(line, mode, circuit);
            ++parsed;
            ASSERT_TRUE(circuit.hasCircuit());
            ASSERT_EQ(circuit.inputCount + circuit.columns * circuit.rows + circuit.outputCount,
                      circuit.blockTotal());
            for (const Block& block : circuit.blocks) {
                ASSERT_EQ(block.inputCount, static_cast<std::int32_t>(block.inputs.size()));
                for (const std::int32_t index : block.inputs) {
                    ASSERT_GE(index, 0);
                    ASSERT_LT(index, circuit.blockTotal());
                }
            }
        } catch (const Error& error) {
            ++failed;
            const std::string message = error.what();
            ASSERT_TRUE(message == "Chybny chromozom" ||
                        (message.front() == '\'' && message.ends_with("' is not a valid integer value")))
                << message << " for " << line;
            ASSERT_FALSE(circuit.hasCircuit());
        }
    }
    // The mutations must exercise both outcomes substantially.
    EXPECT_GT(parsed, 5000);
    EXPECT_GT(failed, 20000);
}

}  // namespace
}  // namespace pellisor

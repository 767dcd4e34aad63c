// The lexer of vector lines is compiled once per instruction set and one is chosen at run time; every
// one this processor can run must read a script as the plain state machine does.

#include "eval/script_lexer.h"

#include "eval/function_assignment.h"
#include "eval/script_runner.h"
#include "model/error.h"
#include "support/random_circuit.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include "hwy/targets.h"

#include <random>
#include <string>
#include <vector>

namespace pellisor {
namespace {

// Vector lines with blanks, token ends, long numbers and line ends at and around the 64-byte window
// edges, tokens the lexer leaves to the state machine, and a last line without its line end (read,
// never evaluated).
std::string edgeScript(std::int32_t inputs) {
    std::mt19937 rng(11);
    std::string script = "o 0 1 b 3\n";
    for (int line = 0; line < 300; ++line) {
        std::string text(static_cast<std::size_t>(line % 5), line % 3 ? ' ' : '\t');
        for (std::int32_t i = 0; i < inputs; ++i) {
            const int digits = static_cast<int>(rng() % 11);  // leading zeros included
            text += std::to_string(rng() % static_cast<unsigned>(inputs)) + ":" +
                    std::string(static_cast<std::size_t>(digits), '0') + std::to_string(rng() % 1000);
            text += std::string(1 + rng() % 3, rng() % 2 ? ' ' : '\t');
        }
        if (line % 17 == 0) text += "2:o1 3:i0 # a comment 0:9\n";
        script += text + "\n";
    }
    return script + "0:5 1:6";
}

struct Outcome {
    std::string error;
    std::vector<std::string> log;
    std::vector<std::int32_t> values;
};

Outcome runWith(bool fast, const std::string& path, Chromosome circuit,
                const FunctionAssignment& assignment) {
    Outcome run;
    try {
        if (fast) {
            runScript(path, circuit, assignment, "", run.log, '.');
        } else {
            runScriptPlain(path, circuit, assignment, "", run.log, '.');
        }
    } catch (const Error& error) {
        run.error = error.what();
    }
    for (const Block& block : circuit.blocks)
        run.values.push_back(block.value);
    return run;
}

TEST(ScriptLexer, EveryInstructionSetReadsAsThePlainRunner) {
    std::mt19937 rng(4);
    const Chromosome circuit = test::randomCircuit(rng, {24, 3, 5, 4, 2}, true, 15);
    FunctionAssignment assignment;
    for (std::int32_t gene = 0; gene < 16; ++gene)
        assignment.setIdentifier(gene, gene % 2 ? 24 : 3);
    test::TempDir dir;
    const std::string path = dir.file("edges.csd");
    test::writeBytes(path, edgeScript(circuit.inputCount));
    const Outcome plain = runWith(false, path, circuit, assignment);
    ASSERT_EQ("", plain.error);
    ASSERT_EQ(301u, plain.log.size());

    const std::vector<std::int64_t> targets = hwy::SupportedAndGeneratedTargets();
    EXPECT_FALSE(targets.empty());
    for (const std::int64_t target : targets) {
        hwy::SetSupportedTargetsForTest(target);
        EXPECT_EQ(std::string(hwy::TargetName(target)), scriptLexerTarget());
        const Outcome fast = runWith(true, path, circuit, assignment);
        EXPECT_EQ(plain.error, fast.error) << hwy::TargetName(target);
        EXPECT_EQ(plain.log, fast.log) << hwy::TargetName(target);
        EXPECT_EQ(plain.values, fast.values) << hwy::TargetName(target);
    }
    hwy::SetSupportedTargetsForTest(0);
}

// Lines of digits and colons alone, where a window whose tokens are all "t:v" is read without checking
// token by token: tokens without a colon, with two, with one at either end, numbers of nine digits and
// more, and targets past the inputs, anywhere in the window, now and then or two in a window. Each
// script stops at its first error.
TEST(ScriptLexer, TokensOfDigitsAndColonsReadAsThePlainRunner) {
    std::mt19937 rng(9);
    const Chromosome circuit = test::randomCircuit(rng, {20, 2, 4, 3, 2}, true, 15);
    FunctionAssignment assignment;
    test::TempDir dir;
    const auto digits = [&rng](int count) {
        std::string text;
        for (int k = 0; k < count; ++k)
            text += static_cast<char>('0' + rng() % 10);
        return text;
    };
    for (int script = 0; script < 60; ++script) {
        std::string text;
        for (int line = 0; line < 40; ++line) {
            for (int token = 0; token < 12; ++token) {
                const auto odd = rng() % (script % 2 ? 400 : 40);
                std::string target = std::to_string(rng() % 20);
                if (odd == 0) target = std::to_string(20 + rng() % 5);
                std::string value = digits(1 + static_cast<int>(rng() % (odd == 1 ? 12 : 4)));
                text += odd == 2   ? target
                        : odd == 3 ? target + ":" + value + ":" + digits(1)
                        : odd == 4 ? ":" + value
                        : odd == 5 ? target + ":"
                                   : target + ":" + value;
                text += std::string(1 + rng() % 2, ' ');
            }
            text += "\n";
        }
        const std::string path = dir.file("s" + std::to_string(script) + ".csd");
        test::writeBytes(path, text);
        const Outcome plain = runWith(false, path, circuit, assignment);
        const Outcome fast = runWith(true, path, circuit, assignment);
        EXPECT_EQ(plain.error, fast.error) << script;
        EXPECT_EQ(plain.log, fast.log) << script;
        EXPECT_EQ(plain.values, fast.values) << script;
    }
}

}  // namespace
}  // namespace pellisor

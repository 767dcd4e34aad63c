#include "eval/script_runner.h"

#include "eval/evaluator.h"
#include "eval/function_assignment.h"
#include "model/chromosome_parser.h"
#include "model/error.h"
#include "support/random_circuit.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

namespace pellisor {
namespace {

using test::parsed;

// Gene 0 is AND, 1 is in1, 2 is "in1 + in2 (8b)", 3 the multiplexer; every other gene gives 0.
FunctionAssignment standardAssignment() {
    FunctionAssignment assignment;
    assignment.setIdentifier(0, 1);
    assignment.setIdentifier(1, 4);
    assignment.setIdentifier(2, 24);
    assignment.setIdentifier(3, 15);
    return assignment;
}

// Writes a script into a fresh directory and runs it, keeping what a caller would see.
class ScriptFixture {
public:
    explicit ScriptFixture(Chromosome initial, FunctionAssignment table = standardAssignment())
        : circuit(std::move(initial)), assignment(std::move(table)) {}

    // The error message, or empty when the run succeeded (then `clipboard` holds its text).
    std::string run(const std::string& script, const std::string& name = "t.csd", char separator = '.') {
        const std::string path = dir.file(name);
        test::writeBytes(path, script);
        return runPath(path, separator);
    }
    std::string runPath(const std::string& path, char separator = '.') {
        clipboard.reset();
        try {
            clipboard = runScript(path, circuit, assignment, "popis", log, separator);
            return "";
        } catch (const Error& error) {
            return error.what();
        }
    }
    // The log without its header line.
    std::vector<std::string> results() const {
        return log.empty() ? log : std::vector<std::string>(log.begin() + 1, log.end());
    }
    std::int32_t value(std::int32_t index) const {
        return circuit.blocks[static_cast<std::size_t>(index)].value;
    }

    test::TempDir dir;
    Chromosome circuit;
    FunctionAssignment assignment;
    std::vector<std::string> log;
    std::optional<std::string> clipboard;
};

using Lines = std::vector<std::string>;

// Two inputs ANDed into one output.
Chromosome andCircuit() {
    return parsed("{2,1,1,1,2,1,-1}(0,1,0)(2)");
}

TEST(ScriptRunner, DecimalLineSeparatesInputsFromOutputsByTwoTabs) {
    ScriptFixture fixture(andCircuit());
    ASSERT_EQ("", fixture.run("0:1 1:1\n"));
    EXPECT_EQ((Lines{"# popis/t.csd Vstupů: 2  Výstupů: 1", "1\t1\t\t1"}), fixture.log);
}

TEST(ScriptRunner, BinaryLinePacksValuesAndSums) {
    ScriptFixture fixture(parsed("{3,1,1,1,2,1,-1}(0,2,0)(3)"));
    ASSERT_EQ("", fixture.run("0:1 1:0 2:1\n", "t.csb"));
    EXPECT_EQ((Lines{"101\t5\t1\t1"}), fixture.results());

    ASSERT_EQ("", fixture.run("o 0 f\n0:1 1:0 2:1\n", "t.csb"));
    EXPECT_EQ((Lines{"101\t5\t0.0390625\t1\t1\t0.0078125"}), fixture.results());
    ASSERT_EQ("", fixture.run("o f 0\n0:1 1:0 2:1\n", "t.csb", ','));
    EXPECT_EQ((Lines{"101\t5\t0,0390625\t1\t1\t0,0078125"}), fixture.results());
}

TEST(ScriptRunner, BinarySumCountsOnlyPositiveValuesAndOmitsAnEmptyInputSide) {
    FunctionAssignment assignment = standardAssignment();
    assignment.setIdentifier(0, 5);  // in2
    ScriptFixture fixture(parsed("{3,2,1,2,2,1,-1}(0,1,0)(0,2,0)(3,4)"), assignment);
    // Values 7, -4, 0: only position 0 counts; the outputs repeat inputs 1 and 2.
    fixture.circuit.blocks[1].value = -4;
    ASSERT_EQ("", fixture.run("0:7\n", "t.csb"));
    EXPECT_EQ("7-40\t1\t-40\t0", fixture.results()[0]);
    ASSERT_EQ("", fixture.run("0:7 1:3 2:0\n", "t.csb"));
    EXPECT_EQ("730\t3\t30\t1", fixture.results()[0]);
    // An emptied input list prints no input sum, but its fixed-point column follows the flag alone.
    ASSERT_EQ("", fixture.run("i\n0:0 1:3 2:9\n", "t.csb"));
    EXPECT_EQ("\t39\t3", fixture.results()[0]);
    ASSERT_EQ("", fixture.run("i f\n0:0 1:3 2:9\n", "t.csb"));
    EXPECT_EQ("\t0\t39\t3\t0.0234375", fixture.results()[0]);
}

TEST(ScriptRunner, FourLineExampleGivesTwoResultLinesAndTheClipboardHoldsOnlyThem) {
    ScriptFixture fixture(andCircuit());
    ASSERT_EQ("", fixture.run("# test\no 0\n0:1 1:0\n0:1 1:1\n"));
    EXPECT_EQ((Lines{"1\t0\t\t0", "1\t1\t\t1"}), fixture.results());
    EXPECT_EQ("# popis/t.csd Vstupů: 2  Výstupů: 1", fixture.log[0]);
    EXPECT_EQ("1\t0\t\t0\n1\t1\t\t1\n", fixture.clipboard);
}

TEST(ScriptRunner, HeaderNamesTheScriptWithoutItsDirectory) {
    ScriptFixture fixture(parsed("{3,2,2,2,2,1,-1}(0,1,0)(0,1,0)(0,1,0)(0,1,0)(3,4)"));
    ASSERT_EQ("", fixture.run("", "vektory.csb"));
    EXPECT_EQ((Lines{"# popis/vektory.csb Vstupů: 3  Výstupů: 2"}), fixture.log);
    EXPECT_EQ("", fixture.clipboard);
}

TEST(ScriptRunner, EveryTopLevelLineEndAfterTheFirstVectorEvaluates) {
    ScriptFixture fixture(andCircuit());
    // Line ends before the first assignment, of comments and of lists do not evaluate.
    ASSERT_EQ("", fixture.run("\n  \n# a\no 0\n0:1 1:1\n\n# b\ni 0 1\n\t\n"));
    EXPECT_EQ((Lines{"1\t1\t\t1", "1\t1\t\t1", "1\t1\t\t1"}), fixture.results());
}

TEST(ScriptRunner, ACommentAfterAVectorSwallowsItsLineEnd) {
    ScriptFixture fixture(andCircuit());
    ASSERT_EQ("", fixture.run("0:1 1:1# not evaluated\n0:0\n"));
    EXPECT_EQ((Lines{"0\t1\t\t0"}), fixture.results());
}

TEST(ScriptRunner, ALastLineWithoutLineEndIsNeitherAssignedNorEvaluated) {
    ScriptFixture fixture(andCircuit());
    ASSERT_EQ("", fixture.run("0:1 1:1\n1:0"));
    EXPECT_EQ((Lines{"1\t1\t\t1"}), fixture.results());
    EXPECT_EQ(1, fixture.value(1));
    EXPECT_EQ("1\t1\t\t1\n", fixture.clipboard);
}

TEST(ScriptRunner, InputsKeepTheirValuesBetweenLinesAndFromBeforeTheRun) {
    ScriptFixture fixture(andCircuit());
    fixture.circuit.blocks[1].value = 1;
    ASSERT_EQ("", fixture.run("0:1\n0:0\n"));
    EXPECT_EQ((Lines{"1\t1\t\t1", "0\t1\t\t0"}), fixture.results());
}

TEST(ScriptRunner, BlanksSeparateItems) {
    ScriptFixture fixture(andCircuit());
    ASSERT_EQ("", fixture.run("0:1\t\v\f 1:1 \r\n i\t1\t0\r\n\n"));
    EXPECT_EQ((Lines{"1\t1\t\t1", "1\t1\t\t1"}), fixture.results());
}

TEST(ScriptRunner, CrLfLineEndsRunLikeLf) {
    for (const std::string script :
         {"# c\no 0 f\n0:1 1:1\n\n1:0 # x\n0:o0\n", "i 1\n0:1\n5\n", "0:\n", "o 0\n0:1 1:1"}) {
        std::string crlf;
        for (const char c : script)
            crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
        ScriptFixture lf(andCircuit());
        ScriptFixture dos(andCircuit());
        EXPECT_EQ(lf.run(script, "t.csb"), dos.run(crlf, "t.csb")) << script;
        EXPECT_EQ(lf.log, dos.log) << script;
        EXPECT_EQ(lf.value(0), dos.value(0)) << script;
        EXPECT_EQ(lf.value(1), dos.value(1)) << script;
    }
}

// A byte-order mark at the start is skipped, and a lone CR ends a line as LF does, also where the
// 256 KiB pieces the script is read in part a CR from its LF.
TEST(ScriptRunner, AByteOrderMarkAndLoneCarriageReturnsRunLikeLf) {
    const std::string mark = "\xEF\xBB\xBF";
    const std::string pad = "#" + std::string((std::size_t{1} << 18) - 2 - 3, '-');
    for (const std::string& script : Lines{"# c\no 0 f\n0:1 1:1\n\n1:0 # x\n0:o0\n", "i 1\n0:1\n5\n", "0:\n",
                                           "o 0\n0:1 1:1", pad + "\n0:1 1:1\n"}) {
        std::string cr;
        std::string mixed;
        for (const char c : script) {
            cr += c == '\n' ? '\r' : c;
            mixed += c != '\n' ? std::string(1, c) : mixed.size() % 2 ? "\r" : "\r\n";
        }
        ScriptFixture lf(andCircuit());
        const std::string error = lf.run(script, "t.csb");
        for (const std::string& variant : {mark + script, cr, mark + mixed}) {
            ScriptFixture other(andCircuit());
            EXPECT_EQ(error, other.run(variant, "t.csb")) << script;
            EXPECT_EQ(lf.log, other.log) << script;
            EXPECT_EQ(lf.value(1), other.value(1)) << script;
        }
    }
    ScriptFixture fixture(andCircuit());
    EXPECT_EQ("", fixture.run(mark + "0:1\r\r1:1\r\n\r"));
    EXPECT_EQ((Lines{"1\t0\t\t0", "1\t0\t\t0", "1\t1\t\t1", "1\t1\t\t1"}), fixture.results());
    // Only at the start, and only whole.
    EXPECT_EQ("Chybny znak v souboru #01", fixture.run("0:1\n" + mark + "0:1\n"));
    EXPECT_EQ("Chybny znak v souboru #01", fixture.run(mark.substr(0, 2) + "0:1\n"));
}

// Thirteen outputs and sixteen blocks: block 12 passes input 0, output 12 reads input 1.
Chromosome thirteenOutputs() {
    std::string line = "{2,13,4,4,2,1,-1}";
    for (int i = 0; i < 16; ++i)
        line += "(0,0,1)";
    line += "(0,0,0,0,0,0,0,0,0,0,0,0,1)";
    return parsed(line);
}

TEST(ScriptRunner, OutputListsNameOutputsUnlessSwitchedToBlockIndices) {
    ScriptFixture fixture(thirteenOutputs());
    ASSERT_EQ("", fixture.run("o b 12\n0:5 1:9\no 12\n\no 12 b 12 1\n\no 0\n\n"));
    EXPECT_EQ((Lines{"5\t9\t\t5", "5\t9\t\t9", "5\t9\t\t9\t5\t9", "5\t9\t\t5"}), fixture.results());
}

TEST(ScriptRunner, InputListsTakeAbsoluteIndicesInTheirOrder) {
    ScriptFixture fixture(thirteenOutputs());
    ASSERT_EQ("", fixture.run("i 1 12 b\n0:5 1:9\ni 14 1\n\n"));
    EXPECT_EQ("9\t5\t\t5\t5\t5\t5\t5\t5\t5\t5\t5\t5\t5\t5\t9", fixture.results()[0]);
    EXPECT_EQ("5\t9\t\t5\t5\t5\t5\t5\t5\t5\t5\t5\t5\t5\t5\t9", fixture.results()[1]);
    // Lists start afresh with every run.
    ASSERT_EQ("", fixture.run("\n0:1\n"));
    EXPECT_EQ("1\t9\t\t1\t1\t1\t1\t1\t1\t1\t1\t1\t1\t1\t1\t9", fixture.results()[0]);
}

TEST(ScriptRunner, FractionFlagIsSetByEitherListAndClearedByAnOutputList) {
    ScriptFixture fixture(andCircuit());
    ASSERT_EQ("", fixture.run("i f 0 1\n0:1 1:1\no 0\n\ni 0 1\n\no 0 f\n\n", "t.csb"));
    EXPECT_EQ((Lines{"11\t3\t0.0234375\t1\t1\t0.0078125", "11\t3\t1\t1", "11\t3\t1\t1",
                     "11\t3\t0.0234375\t1\t1\t0.0078125"}),
              fixture.results());
}

TEST(ScriptRunner, SourcesCopyOutputsOfThePreviousEvaluationAndInputsOfTheSameLine) {
    // Output 0 is input 0 + input 1, so feeding it back counts up.
    ScriptFixture fixture(parsed("{2,1,1,1,2,1,-1}(0,1,2)(2)"));
    ASSERT_EQ("", fixture.run("1:1\n0:o0\n0:o\n0:5 1:i0\n1:i\n0:000 1:0007\n"));
    EXPECT_EQ((Lines{"0\t1\t\t1", "1\t1\t\t2", "2\t1\t\t3", "5\t5\t\t10", "5\t5\t\t10", "0\t7\t\t7"}),
              fixture.results());
}

TEST(ScriptRunner, OnlyTheExactLowerCaseCsbExtensionIsBinary) {
    ScriptFixture fixture(andCircuit());
    const std::string script = "0:1 1:1\n";
    ASSERT_EQ("", fixture.run(script, "a.csb"));
    EXPECT_EQ("11\t3\t1\t1", fixture.results()[0]);
    for (const char* name : {"a.CSB", "a.csd", "a.txt", "a.csb.txt", "csb"}) {
        ASSERT_EQ("", fixture.run(script, name)) << name;
        EXPECT_EQ("1\t1\t\t1", fixture.results()[0]) << name;
    }
}

TEST(ScriptRunner, FormatErrorsStopWithTheirMessages) {
    // Four inputs, one output.
    const std::string circuit = "{4,1,2,2,2,1,-1}(0,1,0)(2,3,0)(4,5,0)(4,5,0)(6)";
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"5:1\n", "Chybny index vstupu"},
        {"0:o9\n", "Chybny index vystupu [:o]"},
        {"0:o1\n", "Chybny index vystupu [:o]"},
        {"0:i4\n", "Chybny index vstupu [:i]"},
        {"0:x\n", "Chybny znak v souboru [num:?]"},
        {"0:\n", "Chybny znak v souboru [num:?]"},
        {"0,1\n", "Chybny znak v souboru #02"},
        {"7\n", "Chybny znak v souboru #02"},
        {"o 0 # outputs\n", "Chybny znak v souboru #03"},
        {"i 0 -1\n", "Chybny znak v souboru #03"},
        {"x\n", "Chybny znak v souboru #01"},
        {"-1:0\n", "Chybny znak v souboru #01"},
        {"0:1:2\n", "Chybny znak v souboru #01"},
        {"0:1,1:1\n", "Chybny znak v souboru #01"},
        // The target is checked before the source.
        {"4:o9\n", "Chybny index vstupu"},
    };
    for (const auto& [script, message] : cases) {
        ScriptFixture fixture(parsed(circuit));
        EXPECT_EQ(message, fixture.run(script)) << script;
        EXPECT_EQ(1u, fixture.log.size()) << script;
        EXPECT_FALSE(fixture.clipboard) << script;
    }
}

TEST(ScriptRunner, AFailureKeepsTheLinesAndInputsSoFar) {
    ScriptFixture fixture(parsed("{4,1,2,2,2,1,-1}(0,1,0)(2,3,0)(4,5,0)(4,5,0)(6)"));
    EXPECT_EQ("Chybny index vstupu", fixture.run("0:7 1:3\n\n0:2 5:1 1:9\n0:4\n"));
    EXPECT_EQ((Lines{"7\t3\t0\t0\t\t0", "7\t3\t0\t0\t\t0"}), fixture.results());
    EXPECT_EQ(2, fixture.value(0));
    EXPECT_EQ(3, fixture.value(1));
}

TEST(ScriptRunner, AnEvaluationErrorStopsTheRun) {
    // A multiplexer in a circuit of arity 2.
    ScriptFixture fixture(parsed("{2,1,1,1,2,1,-1}(0,1,3)(2)"));
    EXPECT_EQ("MUX pro 2 vstup. hradla", fixture.run("0:1\n0:2\n"));
    EXPECT_EQ(1u, fixture.log.size());
    EXPECT_EQ(1, fixture.value(0));
    EXPECT_FALSE(fixture.clipboard);
}

TEST(ScriptRunner, ListsLongerThanTheirCapacityAreRejected) {
    // Two inputs; four blocks, so an output list holds three entries and one place ends it.
    const std::string circuit = "{2,1,2,2,2,1,-1}(0,1,0)(0,1,0)(0,1,0)(0,1,0)(5)";
    ScriptFixture fixture(parsed(circuit));
    EXPECT_EQ("", fixture.run("i 0 1\no 0 0 0\n0:1 1:1\n"));
    EXPECT_EQ("1\t1\t\t1\t1\t1", fixture.results()[0]);
    EXPECT_EQ("Prilis mnoho vstupu v seznamu", fixture.run("i 0 1 0\n"));
    EXPECT_EQ("Prilis mnoho vystupu v seznamu", fixture.run("o 0 0 0 0\n"));
    EXPECT_EQ("Prilis mnoho vystupu v seznamu", fixture.run("o b 2 3 4 5\n"));
    EXPECT_EQ(1u, fixture.log.size());
}

TEST(ScriptRunner, TheDefaultOutputListAlwaysFits) {
    // Three outputs but one block: the list has room for the outputs, and no more.
    ScriptFixture fixture(parsed("{1,3,1,1,2,1,-1}(0,0,1)(1,0,1)"));
    ASSERT_EQ("", fixture.run("0:4\no 2 1 0\n\n"));
    EXPECT_EQ((Lines{"4\t\t4\t4\t4", "4\t\t4\t4\t4"}), fixture.results());
    EXPECT_EQ("Prilis mnoho vystupu v seznamu", fixture.run("o 0 1 2 0\n"));
}

TEST(ScriptRunner, ListEntriesMustNameABlock) {
    ScriptFixture fixture(andCircuit());  // entries 0 ... 3, one output
    EXPECT_EQ("", fixture.run("o b 2\ni 3 2\n0:1 1:1\n"));
    EXPECT_EQ("1\t1\t\t1", fixture.results()[0]);
    EXPECT_EQ("Chybny index bloku v seznamu", fixture.run("o 1\n"));
    EXPECT_EQ("Chybny index bloku v seznamu", fixture.run("o b 4\n"));
    EXPECT_EQ("Chybny index bloku v seznamu", fixture.run("i 4\n"));
    EXPECT_EQ("Chybny index bloku v seznamu", fixture.run("o 2147483647\n"));
}

TEST(ScriptRunner, NumbersMustFitThirtyTwoBits) {
    ScriptFixture fixture(andCircuit());
    EXPECT_EQ("", fixture.run("0:2147483647 00000000000000000001:0000000000000000000000001\n"));
    EXPECT_EQ("2147483647\t1\t\t1", fixture.results()[0]);
    for (const char* script : {"0:2147483648\n", "0:99999999999999999999999\n", "4294967296:1\n",
                               "o 99999999999\n", "i 2147483648\n"}) {
        EXPECT_EQ("Prilis dlouhe cislo v souboru", fixture.run(script)) << script;
    }
    // The character after a target is checked before its length.
    EXPECT_EQ("Chybny znak v souboru #02", fixture.run("99999999999x\n"));
}

TEST(ScriptRunner, AScriptThatCannotBeOpenedFailsAfterTheHeader) {
    ScriptFixture fixture(andCircuit());
    fixture.log = {"old"};
    const std::string path = fixture.dir.file("missing.csd");
    EXPECT_EQ("Soubor nelze otevrit: " + path, fixture.runPath(path));
    EXPECT_EQ((Lines{"# popis/missing.csd Vstupů: 2  Výstupů: 1"}), fixture.log);
    EXPECT_EQ("Soubor nelze otevrit: " + fixture.dir.path(), fixture.runPath(fixture.dir.path()));
    // Only regular files: a FIFO would block for ever and /dev/zero never ends.
    const std::string fifo = fixture.dir.file("fifo.csd");
    ASSERT_EQ(0, ::mkfifo(fifo.c_str(), 0600));
    EXPECT_EQ("Soubor nelze otevrit: " + fifo, fixture.runPath(fifo));
    EXPECT_EQ("Soubor nelze otevrit: /dev/zero", fixture.runPath("/dev/zero"));
}

TEST(ScriptRunner, WithoutACircuitNothingRuns) {
    ScriptFixture fixture(Chromosome{});
    fixture.log = {"old"};
    EXPECT_EQ("Neni nacten zadny obvod", fixture.run("0:1\n"));
    EXPECT_EQ((Lines{"old"}), fixture.log);
}

// One input, 72 blocks passing it on, one output; "o b" lists watch the blocks.
Chromosome wideCircuit() {
    std::string line = "{1,1,8,9,2,1,-1}";
    for (int i = 0; i < 72; ++i)
        line += "(0,0,1)";
    line += "(1)";
    return parsed(line);
}

std::string watchBlocks(int count) {
    std::string list = "o f b";
    for (int i = 0; i < count; ++i)
        list += " 1";
    return list + "\n";
}

TEST(ScriptRunner, BinarySumsOfLongListsAreExact) {
    ScriptFixture fixture(wideCircuit());
    ASSERT_EQ("", fixture.run(watchBlocks(64) + "0:1\n", "t.csb"));
    EXPECT_EQ("1\t1\t0.0078125\t" + std::string(64, '1') + "\t18446744073709551615\t1.44115188075856e+17",
              fixture.results()[0]);
    ASSERT_EQ("", fixture.run(watchBlocks(70) + "0:1\n", "t.csb"));
    EXPECT_EQ("1\t1\t0.0078125\t" + std::string(70, '1') + "\t1180591620717411303423\t9.22337203685478e+18",
              fixture.results()[0]);
    ASSERT_EQ("", fixture.run(watchBlocks(71) + "0:0\n", "t.csb"));
    EXPECT_EQ("0\t0\t0\t" + std::string(71, '0') + "\t0\t0", fixture.results()[0]);
    EXPECT_EQ("Prilis mnoho vystupu v seznamu", fixture.run(watchBlocks(72), "t.csb"));
}

TEST(ScriptRunner, FixedPointForm) {
    EXPECT_EQ("1", fixedPointText(128, '.'));
    EXPECT_EQ("-0.9921875", fixedPointText(129, '.'));
    EXPECT_EQ("-0.0078125", fixedPointText(255, '.'));
    EXPECT_EQ("-0,0078125", fixedPointText(255, ','));
    EXPECT_EQ("0,0390625", fixedPointText(5, ','));
    EXPECT_EQ("0", fixedPointText(0, ','));
    EXPECT_EQ("0", fixedPointText(256, '.'));
    EXPECT_EQ("7.9921875", fixedPointText(1279, '.'));
    // The shortest general form with 15 significant digits, as printf's "%.15g" in the C locale.
    std::mt19937_64 rng(7);
    for (int i = 0; i < 20000; ++i) {
        const std::int64_t sum = i < 10000 ? i : static_cast<std::int64_t>(rng() >> (1 + rng() % 63));
        double x = static_cast<double>(sum) / 128;
        if (x > 1) x -= 2;
        char expected[64];
        std::snprintf(expected, sizeof expected, "%.15g", x);
        if (sum < (std::int64_t{1} << 53)) {
            ASSERT_EQ(expected, fixedPointText(sum, '.')) << sum;
        }
    }
    EXPECT_EQ('.', localeDecimalSeparator());  // tests run in the C locale
}

TEST(ScriptRunner, DecimalRunsMatchDirectEvaluationOfRandomCircuits) {
    std::mt19937 rng(2024);
    std::uniform_int_distribution<std::int32_t> anyFunction(0, 51);
    for (int round = 0; round < 60; ++round) {
        FunctionAssignment assignment;
        for (std::int32_t gene = 0; gene < kGeneCount; ++gene) {
            const std::int32_t id = anyFunction(rng);
            assignment.setIdentifier(gene, id == 15 ? 1 : id);
        }
        const test::CircuitShape shape = test::randomShape(rng, 9, 4, 6, 6, 2);
        Chromosome reference = test::randomCircuit(rng, shape);
        ScriptFixture fixture(reference, assignment);

        std::string script;
        Lines expected;
        std::uniform_int_distribution<std::int32_t> byte(0, 255);
        for (int vector = 0; vector < 20; ++vector) {
            for (std::int32_t i = 0; i < reference.inputCount; ++i) {
                if (vector > 0 && byte(rng) < 64) continue;  // some inputs keep the previous value
                const std::int32_t value = byte(rng);
                script += std::to_string(i) + ":" + std::to_string(value) + " ";
                reference.blocks[static_cast<std::size_t>(i)].value = value;
            }
            script += "\n";
            evaluate(reference, assignment);
            std::string line;
            for (std::int32_t i = 0; i < reference.inputCount; ++i) {
                if (i > 0) line += "\t";
                line += std::to_string(reference.blocks[static_cast<std::size_t>(i)].value);
            }
            line += "\t";
            for (std::int32_t k = 0; k < reference.outputCount; ++k) {
                line += '\t';
                line += std::to_string(
                    reference.blocks[static_cast<std::size_t>(reference.firstOutput() + k)].value);
            }
            expected.push_back(line);
        }
        ASSERT_EQ("", fixture.run(script)) << test::chromosomeLine(reference);
        ASSERT_EQ(expected.size(), fixture.results().size());
        EXPECT_EQ(expected, fixture.results()) << test::chromosomeLine(reference) << "\n" << script;
    }
}

}  // namespace
}  // namespace pellisor

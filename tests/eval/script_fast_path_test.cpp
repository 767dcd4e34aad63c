// runScript reads common assignments in one go and evaluates vectors in batches; runScriptPlain
// reads every character through the state machine and evaluates every vector alone. Whatever the
// circuit and the script, both must give the same log, clipboard text or error, and leave every value
// of the circuit the same.

#include "eval/function_assignment.h"
#include "eval/script_batch.h"
#include "eval/script_runner.h"
#include "model/error.h"
#include "support/random_circuit.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <optional>
#include <random>
#include <string>
#include <vector>

namespace pellisor {
namespace {

using Runner = std::string (*)(const std::string&, Chromosome&, const FunctionAssignment&, const std::string&,
                               std::vector<std::string>&, char);

struct Outcome {
    std::string error;
    std::vector<std::string> log;
    std::optional<std::string> clipboard;
    std::vector<std::int32_t> values;
};

Outcome runWith(Runner runner, const std::string& path, const Chromosome& start,
                const FunctionAssignment& assignment) {
    Chromosome circuit = start;
    Outcome outcome;
    outcome.log = {"from an earlier run"};
    try {
        outcome.clipboard = runner(path, circuit, assignment, "popis", outcome.log, ',');
    } catch (const Error& error) {
        outcome.error = error.what();
    }
    for (const Block& block : circuit.blocks)
        outcome.values.push_back(block.value);
    return outcome;
}

// Compares the two runs; on a difference names the first line or value that differs rather than
// printing thousands of lines.
void expectSameRuns(const std::string& path, const Chromosome& circuit, const FunctionAssignment& assignment,
                    const std::string& context) {
    const Outcome plain = runWith(&runScriptPlain, path, circuit, assignment);
    const Outcome fast = runWith(&runScript, path, circuit, assignment);
    EXPECT_EQ(plain.error, fast.error) << context;
    EXPECT_EQ(plain.log.size(), fast.log.size()) << context;
    for (std::size_t i = 0; i < std::min(plain.log.size(), fast.log.size()); ++i) {
        if (plain.log[i] != fast.log[i]) {
            ADD_FAILURE() << "log line " << i << ": \"" << plain.log[i] << "\" against \"" << fast.log[i]
                          << "\"\n"
                          << context;
            break;
        }
    }
    EXPECT_EQ(plain.clipboard.has_value(), fast.clipboard.has_value()) << context;
    if (plain.clipboard && fast.clipboard) {
        EXPECT_TRUE(*plain.clipboard == *fast.clipboard) << context;
    }
    EXPECT_EQ(plain.values, fast.values) << context;
}

// Each script goes into a file of its own: truncating a file that was just written makes ext4 write it
// out first, which would take most of the test's time.
std::string scriptFile(const test::TempDir& dir, const std::string& extension, const std::string& text) {
    static int count = 0;
    const std::string path = dir.file("s" + std::to_string(++count) + extension);
    test::writeBytes(path, text);
    return path;
}

std::int32_t between(std::mt19937& rng, std::int32_t low, std::int32_t high) {
    return std::uniform_int_distribution<std::int32_t>(low, high)(rng);
}
bool chance(std::mt19937& rng, int percent) {
    return between(rng, 0, 99) < percent;
}

// Scripts of every kind of line the format has, spelled in the ways it allows, with a mistake
// part-way through some of them.
class ScriptWriter {
public:
    ScriptWriter(std::mt19937& rng, const Chromosome& circuit) : rng_(rng), circuit_(circuit) {}

    std::string script(int lines, bool withMistake) {
        // Sometimes a byte-order mark; line ends LF, CR LF, lone CR or any of them.
        std::string text = chance(rng_, 10) ? "\xEF\xBB\xBF" : "";
        const int mistakeAt = withMistake ? between(rng_, 0, lines) : -1;
        lineEnds_ = between(rng_, 0, 9);
        for (int line = 0; line < lines; ++line) {
            if (line == mistakeAt) text += mistake();
            const int kind = between(rng_, 0, 99);
            if (kind < 70) {
                text += vectorLine();
            } else if (kind < 78) {
                text += listLine();
            } else if (kind < 86) {
                text += "#" + std::string(static_cast<std::size_t>(between(rng_, 0, 30)), 'c') + " 0:1 o";
            } else if (kind < 94) {
                text += blanks(true);  // a line end that repeats the last result
            } else {
                text += vectorLine() + blanks(true) + "# " + vectorLine();
            }
            if (line + 1 < lines || chance(rng_, 80)) text += lineEnd();
        }
        return text;
    }

    std::string vectorLine() {
        std::string line = blanks(false);
        const int count = between(rng_, 1, circuit_.inputCount + 2);
        for (int k = 0; k < count; ++k) {
            if (k > 0) line += blanks(false);
            line += number(between(rng_, 0, circuit_.inputCount - 1)) + ":" + source();
        }
        return line + blanks(false);
    }

    std::string listLine() {
        std::string line = chance(rng_, 50) ? "o" : "i";
        const bool outputs = line == "o";
        bool numbering = outputs;
        const std::size_t capacity = outputs
                                         ? static_cast<std::size_t>(std::max<std::int32_t>(
                                               circuit_.columns * circuit_.rows - 1, circuit_.outputCount))
                                         : static_cast<std::size_t>(circuit_.inputCount);
        const std::size_t count =
            static_cast<std::size_t>(between(rng_, 0, static_cast<std::int32_t>(capacity)));
        for (std::size_t k = 0; k < count; ++k) {
            line += blanks(false);
            if (chance(rng_, 10)) line += "f ";
            if (outputs && numbering && chance(rng_, 15)) {
                line += "b ";
                numbering = false;
            }
            if (numbering && circuit_.outputCount > 0) {
                line += number(between(rng_, 0, circuit_.outputCount - 1));
            } else if (!numbering) {
                line += number(between(rng_, 0, circuit_.blockTotal() - 1));
            }
        }
        if (chance(rng_, 20)) line += " f";
        return line;
    }

    std::string mistake() {
        switch (between(rng_, 0, 9)) {
            case 0:
                return number(circuit_.inputCount + between(rng_, 0, 3)) + ":1\n";  // no such input
            case 1:
                return "0:o" + number(circuit_.outputCount) + "\n";
            case 2:
                return "0:i" + number(circuit_.inputCount) + "\n";
            case 3:
                return "0:x\n";
            case 4:
                return "0,1\n";
            case 5:
                return "0:" + std::string(12, '9') + "\n";  // longer than 32 bits
            case 6:
                return "o " + std::to_string(circuit_.outputCount) + "\n";
            case 7:
                return "0:1:2\n";
            case 8:
                return "@\n";
            default:
                return "0:1 " + number(circuit_.inputCount) + ":2\n";
        }
    }

private:
    std::string lineEnd() {
        static const char* const kLineEnds[] = {"\n", "\r\n", "\r"};
        return kLineEnds[lineEnds_ < 6 ? 0 : lineEnds_ < 8 ? 1 : lineEnds_ < 9 ? 2 : between(rng_, 0, 2)];
    }

    // Mostly one space; sometimes runs of tabs, vertical tabs, form feeds and lone carriage returns
    // (which end the line).
    std::string blanks(bool mayBeEmpty) {
        static const char kBlanks[] = {' ', '\t', '\v', '\f', '\r'};
        if (mayBeEmpty && chance(rng_, 50)) return "";
        if (!chance(rng_, 15)) return mayBeEmpty ? "" : " ";
        std::string text;
        for (int n = between(rng_, 1, 4); n > 0; --n)
            text += kBlanks[between(rng_, 0, 4)];
        return text;
    }

    // Decimal digits, sometimes with leading zeros (up to twelve digits in all).
    std::string number(std::int32_t value) {
        std::string text = std::to_string(value);
        if (chance(rng_, 8)) text = std::string(static_cast<std::size_t>(between(rng_, 1, 6)), '0') + text;
        return text;
    }

    std::string source() {
        const int kind = between(rng_, 0, 99);
        if (kind < 8 && circuit_.outputCount > 0) {
            return "o" + (chance(rng_, 20) ? "" : number(between(rng_, 0, circuit_.outputCount - 1)));
        }
        if (kind < 16)
            return "i" + (chance(rng_, 20) ? "" : number(between(rng_, 0, circuit_.inputCount - 1)));
        if (kind < 60) return number(between(rng_, 0, 255));
        if (kind < 75) return number(between(rng_, 0, 1));
        if (kind < 90) return number(between(rng_, 0, 99999999));
        return number(between(rng_, 0, 2147483647));
    }

    std::mt19937& rng_;
    const Chromosome& circuit_;
    int lineEnds_ = 0;
};

// Feed-forward circuits, some with outputs that read earlier outputs; one in six reads any entry, so
// that its values depend on earlier evaluations. Genes up to 33 (32 and 33 have no row), identifiers
// over the whole set, the multiplexer too (an error below arity 3).
struct RandomCase {
    Chromosome circuit;
    FunctionAssignment assignment;
};

RandomCase randomCase(std::mt19937& rng, std::int32_t maxInputs) {
    RandomCase result;
    const test::CircuitShape shape = test::randomShape(rng, maxInputs, 4, 6, 6, 3);
    const bool feedForward = !chance(rng, 16);
    result.circuit = test::randomCircuit(rng, shape, feedForward, chance(rng, 10) ? 33 : 31);
    Chromosome& circuit = result.circuit;
    for (std::int32_t k = 1; k < circuit.outputCount; ++k) {
        if (chance(rng, 30)) {
            const std::int32_t index = circuit.firstOutput() + k;
            circuit.blocks[static_cast<std::size_t>(index)].inputs[0] =
                between(rng, circuit.firstOutput(), index - 1);
        }
    }
    for (Block& block : circuit.blocks)
        block.value = between(rng, -3, 300);  // a state from before the run
    const bool withMultiplexer = chance(rng, 25);
    for (std::int32_t gene = 0; gene < kGeneCount; ++gene) {
        std::int32_t id = between(rng, 0, 51);
        if (id == 15 && !withMultiplexer) id = 10;
        result.assignment.setIdentifier(gene, id);
    }
    return result;
}

TEST(ScriptFastPath, RandomScriptsOnRandomCircuitsRunAsThePlainRunner) {
    test::TempDir dir;
    std::mt19937 rng(20261208);
    for (int round = 0; round < 400; ++round) {
        const RandomCase c = randomCase(rng, round % 10 == 0 ? 40 : 9);
        ScriptWriter writer(rng, c.circuit);
        const bool binary = chance(rng, 40);
        const int lines = chance(rng, 10) ? between(rng, 200, 900) : between(rng, 0, 40);
        const std::string script = writer.script(lines, chance(rng, 30));
        expectSameRuns(scriptFile(dir, binary ? ".csb" : ".csd", script), c.circuit, c.assignment,
                       "round " + std::to_string(round) + ": " + test::chromosomeLine(c.circuit) +
                           (lines <= 40 ? "\n" + script : ""));
        if (HasFailure()) return;
    }
}

// A long history-free circuit, and vectors numbered so that every line differs.
RandomCase wideCase(std::int32_t inputs) {
    std::mt19937 rng(5);
    RandomCase result;
    result.circuit = test::randomCircuit(rng, {inputs, 3, 5, 4, 2}, true, 15);
    for (std::int32_t gene = 0; gene < 16; ++gene)
        result.assignment.setIdentifier(gene, gene % 2 ? 24 : 3);
    return result;
}

std::string vectors(int first, int count, std::int32_t inputs) {
    std::string text;
    for (int v = first; v < first + count; ++v) {
        for (std::int32_t i = 0; i < inputs; ++i)
            text += std::to_string(i) + ":" + std::to_string((v * 7 + i) % 256) + " ";
        text += "\n";
    }
    return text;
}

TEST(ScriptFastPath, BatchBoundariesChangeNothing) {
    test::TempDir dir;
    const RandomCase c = wideCase(4);
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"exactly one batch", vectors(0, 256, 4)},
        {"one more", vectors(0, 257, 4)},
        {"two batches and one", vectors(0, 513, 4)},
        {"an output source right after a full batch",
         vectors(0, 256, 4) + "0:o2 1:o0\n" + vectors(300, 3, 4)},
        {"an output source as the 257th vector", vectors(0, 256, 4) + "3:o1\n\n"},
        {"an output source on every line",
         [] {
             std::string text;
             for (int v = 0; v < 600; ++v)
                 text += "0:o1 1:" + std::to_string(v % 9) + "\n";
             return text;
         }()},
        {"a list line at the boundary",
         vectors(0, 256, 4) + "o 2 0 f\n" + vectors(9, 300, 4) + "i 3 b 5\n\n"},
        {"a mistake right after a full batch", vectors(0, 256, 4) + "7:1\n" + vectors(0, 5, 4)},
        {"a mistake inside the second batch", vectors(0, 300, 4) + "0:1 1:x\n"},
        {"inputs assigned after the last vector", vectors(0, 260, 4) + "0:77 2:o0"},
    };
    for (const auto& [name, script] : cases) {
        expectSameRuns(scriptFile(dir, ".csd", script), c.circuit, c.assignment, name);
    }
    // The lines themselves, not only their agreement.
    Chromosome circuit = c.circuit;
    std::vector<std::string> log;
    runScript(scriptFile(dir, ".csd", vectors(0, 257, 4)), circuit, c.assignment, "", log, '.');
    ASSERT_EQ(258u, log.size());
    EXPECT_EQ("0\t1\t2\t3\t\t", log[1].substr(0, 9));
    EXPECT_EQ("0\t1\t2\t3\t\t", log[257].substr(0, 9));  // vector 256: 1792 + i is i modulo 256
}

// A batch of a wide circuit holds as many vectors as keep it within a few MB, down to one; the lines
// are the same, whether their batches are printed aside or (over 1 MB) at once, lists changing the
// batch's size between them.
TEST(ScriptFastPath, WideCircuitsTakeFewerVectorsPerBatch) {
    const auto capacity = [](const RandomCase& c, std::size_t columns) {
        auto batch = ScriptBatch::create(c.circuit, c.assignment);
        std::vector<std::int32_t> entries(columns, 0);
        entries.back() = c.circuit.firstOutput();
        return batch && batch->watch(entries) ? batch->capacity() : 0;
    };
    EXPECT_EQ(256u, capacity(wideCase(16), 24));
    EXPECT_EQ(1u, capacity(wideCase(1000000), 1000003));
    const RandomCase c = wideCase(20000);
    EXPECT_EQ(26u, capacity(c, 20003));

    std::mt19937 rng(8);
    std::string all = "i";
    for (std::int32_t i = 0; i < c.circuit.inputCount; ++i)
        all += " " + std::to_string(i);
    const auto few = [&](int lines) {
        std::string text;
        for (int line = 0; line < lines; ++line) {
            for (int k = 0; k < 5; ++k)
                text +=
                    std::to_string(between(rng, 0, 19999)) + ":" + std::to_string(between(rng, 0, 255)) + " ";
            text += line % 50 == 7 ? "0:o1\n" : "\n";
        }
        return text;
    };
    test::TempDir dir;
    const std::string script = few(60) + "i 3 0 f\n" + few(600) + all + "\no b 20001 0 2\n" + few(70);
    expectSameRuns(scriptFile(dir, ".csb", script), c.circuit, c.assignment, "wide");
}

// The script is read in pieces of 256 KiB: a long comment puts the piece boundary at every place in
// and around a line of assignments, and long lines put it inside blanks and tokens of all lengths.
TEST(ScriptFastPath, ReadingInPiecesChangesNothing) {
    test::TempDir dir;
    const RandomCase c = wideCase(12);
    const std::size_t piece = std::size_t{1} << 18;
    const std::string line = "0:1 11:00000007 5:123456789 2:o2 3:i0\t\t4:255\r\n";
    for (std::size_t offset = 0; offset <= line.size() + 1; ++offset) {
        const std::string comment = "#" + std::string(piece - offset - 2, '-') + "\n";
        expectSameRuns(scriptFile(dir, ".csd", comment + line + line), c.circuit, c.assignment,
                       "boundary at byte " + std::to_string(offset));
    }
    std::mt19937 rng(3);
    ScriptWriter writer(rng, c.circuit);
    expectSameRuns(scriptFile(dir, ".csd", writer.script(30000, false)), c.circuit, c.assignment,
                   "long random script");
}

// The fast reading takes tokens 64 bytes at a time; these lines put blanks, token ends, long numbers
// and the line end at and around the window edges.
TEST(ScriptFastPath, LongLinesAndOddTokensAsThePlainRunner) {
    test::TempDir dir;
    const RandomCase c = wideCase(40);
    std::string script;
    for (int pad = 0; pad < 70; ++pad) {
        std::string line = std::string(static_cast<std::size_t>(pad % 7), ' ');
        for (std::int32_t i = 0; i < 40; ++i) {
            const int digits = (i + pad) % 11;  // 0 ... 10 digits, leading zeros included
            line += std::to_string(i) + ":" + std::string(static_cast<std::size_t>(digits), '0') +
                    std::to_string((i * pad) % 1000) +
                    std::string(static_cast<std::size_t>(1 + (i * pad) % 3), ' ');
        }
        script += line + "\n";
    }
    script += "0:1#comment right after a value\n1:2\t#\n000000000000000000001:3 2:0000000000000000000004\n";
    script += "3:o 4:i 5:o0000001 6:i000000039\n39:1\n";
    expectSameRuns(scriptFile(dir, ".csd", script), c.circuit, c.assignment, "long lines");
    for (const std::string bad :
         {"0:1 1:2:3\n", "0:1 1::3\n", "0:1 :3\n", "0:1 1:3x\n", "0:1 1:\n", "0:1 o\n", "0:1 99999999999:3\n",
          "0:1 1:99999999999\n", "0:1 1:2147483648\n"}) {
        expectSameRuns(scriptFile(dir, ".csd", script + bad), c.circuit, c.assignment, bad);
    }
}

}  // namespace
}  // namespace pellisor

// The real consumer: GHDL must analyse and elaborate every filter we write, and a simulated filter
// must compute what the evaluator computes, each output after its pipeline latency.

#include "export/vhdl_writer.h"

#include "eval/evaluator.h"
#include "eval/function_assignment.h"
#include "support/random_circuit.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace pellisor {
namespace {

using test::haveProgram;
using test::readBytes;
using test::runCommand;
using test::TempDir;
using test::writeBytes;

std::int32_t between(std::mt19937& rng, std::int32_t low, std::int32_t high) {
    return std::uniform_int_distribution<std::int32_t>(low, high)(rng);
}

std::string dataFile(const std::string& name) {
    const char* dir = std::getenv("PELLISOR_TEST_DATA");
    return std::string(dir ? dir : "tests/data") + "/vhdl/" + name;
}

std::string replaced(std::string text, const std::string& marker, const std::string& with) {
    const auto at = text.find(marker);
    if (at != std::string::npos) text.replace(at, marker.size(), with);
    return text;
}

// A file name as a user might have it, with bytes that end a VHDL comment line among others.
std::string awkwardFileName(std::mt19937& rng) {
    static const std::array<const char*, 9> kPieces{"run", " ",  "\n",       "\r", "\v",
                                                    "\f",  "--", "\xc4\x8d", "\""};
    std::string name = "/data/";
    for (int p = between(rng, 0, 5); p > 0; --p) {
        name +=
            kPieces[static_cast<std::size_t>(between(rng, 0, static_cast<std::int32_t>(kPieces.size()) - 1))];
    }
    return name + ".chr";
}

TEST(VhdlGhdl, RandomFiltersAnalyseAndElaborate) {
    if (!haveProgram("ghdl")) GTEST_SKIP() << "GHDL is not installed";
    const TempDir dir;
    std::mt19937 rng(4402);
    std::vector<std::string> texts;
    for (int n = 0; n < 210; ++n) {
        test::CircuitShape shape = test::randomShape(rng, 9, 4, 8, 6, 3);
        shape.arity = n % 3 + 1;
        // Every fourth circuit names any entry as a source: later columns, outputs, itself.
        const Chromosome circuit = test::randomCircuit(rng, shape, n % 4 != 3, 31);
        texts.push_back(buildVhdl(circuit, awkwardFileName(rng)));
    }
    Chromosome stale = test::randomCircuit(rng, test::CircuitShape{}, true);
    stale.clearCircuit();
    texts.push_back(buildVhdl(stale, "stale.chr"));
    texts.push_back(buildVhdl(test::randomCircuit(rng, {3, 0, 3, 2, 2}, true), "no-outputs.chr"));
    texts.push_back(buildVhdl(test::randomCircuit(rng, {0, 2, 3, 2, 2}, false), "no-inputs.chr"));

    // Every file declares `filter`, so each gets a library of its own; two at a time.
    for (std::size_t n = 0; n < texts.size(); ++n)
        writeBytes(dir.file("c" + std::to_string(n) + ".vhd"), texts[n]);
    const std::string flags = "--std=93c -fsynopsys --workdir=w$1";
    writeBytes(dir.file("check.sh"), "mkdir w$1 && ghdl -a " + flags + " '" + dataFile("vrc_alu.vhd") +
                                         "' '" + dataFile("reg.vhd") + "' c$1.vhd && ghdl -r " + flags +
                                         " filter --no-run || echo \"FAILED c$1.vhd\"\n");
    const auto result = runCommand("cd '" + dir.path() + "' && seq 0 " + std::to_string(texts.size() - 1) +
                                   " | xargs -P 2 -n 1 sh check.sh");
    EXPECT_EQ(result.status, 0);
    EXPECT_TRUE(result.output.empty()) << result.output.substr(0, 3000);
    if (const auto at = result.output.find("FAILED c"); at != std::string::npos) {
        const std::size_t n = std::stoul(result.output.substr(at + 8));
        ADD_FAILURE() << "first refused file:\n" << texts[n];
    }
}

// Functions whose results stay within 0 ... 255 for 8-bit operands, and their 8-bit VHDL.
struct HardwareFunction {
    std::int32_t id;
    const char* statement;
};

const std::vector<HardwareFunction>& hardwareFunctions() {
    static const std::vector<HardwareFunction> functions{
        {1, "r := a and b;"},
        {2, "r := a or b;"},
        {3, "r := a xor b;"},
        {4, "r := a;"},
        {5, "r := b;"},
        {6, "r := bit8(not a(0));"},
        {7, "r := bit8(not b(0));"},
        {8, "r := bit8(not (a(0) and b(0)));"},
        {9, "r := bit8(not (a(0) or b(0)));"},
        {10, "if a > b then r := a; else r := b; end if;"},
        {11, "if a < b then r := a; else r := b; end if;"},
        {12, "r := bit8(a(0) and not b(0));"},
        {16, "r := bit8(not (a(0) xor b(0)));"},
        {17, "r := to_unsigned(255, 8);"},
        {18, "r := to_unsigned(255, 8) - a;"},
        {19, "r := (to_unsigned(255, 8) - a) or b;"},
        {20, "r := to_unsigned(255, 8) - (a and b);"},
        {21, "r := shift_right(a, 1);"},
        {22, "r := shift_right(a, 2);"},
        {23, "r := a(3 downto 0) & b(7 downto 4);"},
        {24, "r := a + b;"},
        {25, "if s > 255 then r := to_unsigned(255, 8); else r := s(7 downto 0); end if;"},
        {26, "r := s(8 downto 1);"},
        {27, "if a = 255 then r := (others => '0'); else r := a; end if;"},
        {28, "r := shift_right(a, 3);"},
        {29, "r := shift_right(a, 4);"},
        {30, "r := shift_right(a, 5);"},
        {31, "r := shift_right(a, 6);"},
        {32, "r := shift_right(a, 7);"},
        {33, "r := shift_right(a, 8);"},
        {42, "r := a - b;"},
    };
    return functions;
}

// Sources of a block lie in earlier columns only (inputs count as column 0), so every operand goes
// through as many registers as the columns it skips and the pipeline is exact.
Chromosome pipelinedCircuit(std::mt19937& rng, std::int32_t arity) {
    Chromosome circuit;
    circuit.inputCount = between(rng, 1, 9);
    circuit.outputCount = between(rng, 1, 4);
    circuit.columns = between(rng, 1, 6);
    circuit.rows = between(rng, 1, 4);
    circuit.arity = arity;
    circuit.blocks.resize(static_cast<std::size_t>(circuit.firstOutput() + circuit.outputCount));
    for (std::int32_t column = 0; column < circuit.columns; ++column) {
        for (std::int32_t row = 0; row < circuit.rows; ++row) {
            Block& block = circuit.blocks[static_cast<std::size_t>(circuit.blockIndex(column, row))];
            block.inputCount = arity;
            block.function = between(rng, 0, 15);
            for (std::int32_t k = 0; k < arity; ++k) {
                block.inputs.push_back(between(rng, 0, circuit.blockIndex(column, 0) - 1));
            }
        }
    }
    for (std::int32_t i = circuit.firstOutput(); i < circuit.blockTotal(); ++i) {
        Block& output = circuit.blocks[static_cast<std::size_t>(i)];
        output.inputCount = 1;
        output.inputs = {between(rng, 0, circuit.firstOutput() - 1)};
    }
    return circuit;
}

std::string select(std::int32_t gene) {
    std::string bits;
    for (int bit = 3; bit >= 0; --bit)
        bits += ((gene >> bit) & 1) != 0 ? '1' : '0';
    return bits;
}

std::string testBench(const Chromosome& circuit) {
    std::string signals, ports, reads, writes;
    for (std::int32_t n = 0; n < circuit.inputCount; ++n) {
        const std::string name = "tb_in" + std::to_string(n);
        signals += "  signal " + name + " : std_logic_vector(7 downto 0) := (others => '0');\n";
        ports += "    sig_in" + std::to_string(n) + " => " + name + ",\n";
        reads +=
            "      read(source, value);\n      " + name + " <= std_logic_vector(to_unsigned(value, 8));\n";
    }
    for (std::int32_t n = 0; n < circuit.outputCount; ++n) {
        const std::string name = "tb_out" + std::to_string(n);
        signals += "  signal " + name + " : std_logic_vector(7 downto 0);\n";
        ports +=
            "    sig_out" + std::to_string(n) + " => " + name + (n + 1 < circuit.outputCount ? ",\n" : "\n");
        writes +=
            "      write(sink, to_integer(unsigned(" + name + ")));\n      write(sink, string'(\" \"));\n";
    }
    std::string bench = readBytes(dataFile("tb.vhd.in"));
    bench = replaced(bench, "@SIGNALS@\n", signals);
    bench = replaced(bench, "@PORTS@\n", ports);
    bench = replaced(bench, "@READ@\n", reads);
    return replaced(bench, "@WRITE@\n", writes);
}

TEST(VhdlGhdl, SimulatedFiltersComputeWhatTheEvaluatorComputes) {
    if (!haveProgram("ghdl")) GTEST_SKIP() << "GHDL is not installed";
    std::mt19937 rng(4403);
    constexpr int kVectors = 1200;
    for (int round = 0; round < 6; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        const TempDir dir;
        Chromosome circuit = pipelinedCircuit(rng, round % 3 + 1);
        // An output wired straight to an input has no latency at all.
        if (round == 0) circuit.blocks[static_cast<std::size_t>(circuit.firstOutput())].inputs = {0};

        FunctionAssignment assignment;
        std::string cases;
        for (std::int32_t gene = 0; gene < 16; ++gene) {
            const auto& functions = hardwareFunctions();
            const HardwareFunction& chosen = functions[static_cast<std::size_t>(
                between(rng, 0, static_cast<std::int32_t>(functions.size()) - 1))];
            assignment.setIdentifier(gene, chosen.id);
            cases += "        when \"" + select(gene) + "\" => " + chosen.statement + "\n";
        }
        writeBytes(dir.file("alu.vhd"),
                   replaced(readBytes(dataFile("vrc_alu_sim.vhd.in")), "@CASES@\n", cases));
        writeBytes(dir.file("filter.vhd"), buildVhdl(circuit, "sim.chr"));
        writeBytes(dir.file("tb.vhd"), testBench(circuit));

        std::vector<std::vector<std::int32_t>> expected;
        std::string vectors;
        for (int t = 0; t < kVectors; ++t) {
            for (std::int32_t n = 0; n < circuit.inputCount; ++n) {
                const std::int32_t value = between(rng, 0, 255);
                circuit.blocks[static_cast<std::size_t>(n)].value = value;
                vectors += std::to_string(value) + " ";
            }
            vectors += "\n";
            evaluate(circuit, assignment);
            std::vector<std::int32_t>& outputs = expected.emplace_back();
            for (std::int32_t i = circuit.firstOutput(); i < circuit.blockTotal(); ++i) {
                outputs.push_back(circuit.blocks[static_cast<std::size_t>(i)].value);
            }
        }
        writeBytes(dir.file("vectors.txt"), vectors);

        const std::string flags = "--std=08 -fsynopsys";
        const auto result =
            runCommand("cd '" + dir.path() + "' && ghdl -a " + flags + " '" + dataFile("reg.vhd") +
                       "' alu.vhd filter.vhd tb.vhd && ghdl -r " + flags + " tb");
        ASSERT_EQ(result.status, 0) << result.output;

        std::istringstream lines(readBytes(dir.file("outputs.txt")));
        std::vector<std::vector<std::int32_t>> seen;
        for (std::string line; std::getline(lines, line);) {
            std::istringstream fields(line);
            std::vector<std::int32_t>& outputs = seen.emplace_back();
            for (std::int32_t value = 0; fields >> value;)
                outputs.push_back(value);
        }
        ASSERT_EQ(seen.size(), static_cast<std::size_t>(kVectors));

        for (std::int32_t n = 0; n < circuit.outputCount; ++n) {
            const std::int32_t source =
                circuit.blocks[static_cast<std::size_t>(circuit.firstOutput() + n)].inputs[0];
            // An output shows its source's value after one clock per processing element on the way.
            const std::int32_t latency =
                source < circuit.inputCount ? 0 : (source - circuit.inputCount) / circuit.rows + 1;
            int mismatches = 0;
            for (int t = latency; t < kVectors && mismatches < 5; ++t) {
                const auto& outputs = seen[static_cast<std::size_t>(t)];
                ASSERT_EQ(outputs.size(), static_cast<std::size_t>(circuit.outputCount)) << "clock " << t;
                const std::int32_t want =
                    expected[static_cast<std::size_t>(t - latency)][static_cast<std::size_t>(n)];
                if (outputs[static_cast<std::size_t>(n)] != want) {
                    ++mismatches;
                    ADD_FAILURE() << "output " << n << " at clock " << t << ": "
                                  << outputs[static_cast<std::size_t>(n)] << " instead of " << want << "\n"
                                  << test::chromosomeLine(circuit);
                }
            }
        }
    }
}

}  // namespace
}  // namespace pellisor

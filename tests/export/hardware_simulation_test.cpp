// The real consumers of the hardware exports: GHDL and Icarus Verilog simulate the filter, its
// processing elements and its testbench as written, Verilator lints the Verilog and yosys synthesises
// it. Expected values come from the evaluator, so PASS means the hardware computes what it computes.

#include "eval/evaluator.h"
#include "eval/function_assignment.h"
#include "eval/test_vectors.h"
#include "export/processing_element_writer.h"
#include "export/testbench_writer.h"
#include "export/verilog_writer.h"
#include "export/vhdl_writer.h"
#include "model/function_table.h"
#include "support/random_circuit.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace pellisor {
namespace {

using test::haveProgram;
using test::runCommand;
using test::TempDir;
using test::writeBytes;

using test::between;

// Functions whose results stay within 0 ... 255 for operands in 0 ... 255, and that the processing
// element computes from X and Y alone (not the multiplexer, whose third input it lacks).
std::vector<std::int32_t> byteKeepingFunctions() {
    std::vector<std::int32_t> ids;
    for (std::int32_t id = 1; id <= kFunctionCount; ++id) {
        if (id != kMuxFunction && resultRange(id, kByteValues, kByteValues, kByteValues).within(0, 255))
            ids.push_back(id);
    }
    return ids;
}

FunctionAssignment randomByteAssignment(std::mt19937& rng) {
    static const std::vector<std::int32_t> ids = byteKeepingFunctions();
    FunctionAssignment assignment;
    for (std::int32_t gene = 0; gene < kGeneCount; ++gene)
        assignment.setIdentifier(gene, ids[static_cast<std::size_t>(between(rng, 0, int(ids.size()) - 1))]);
    return assignment;
}

Chromosome randomPipeline(std::mt19937& rng, std::int32_t arity) {
    const test::CircuitShape shape{between(rng, 1, 9), between(rng, 1, 4), between(rng, 1, 8),
                                   between(rng, 1, 5), arity};
    return test::pipelinedCircuit(rng, shape, 15);
}

// Every file of one filter in a directory of its own: the simulators each want `filter` once.
void writeHardware(const std::string& dir, const Chromosome& filterCircuit, const Chromosome& benchCircuit,
                   const FunctionAssignment& assignment) {
    const TestVectors vectors = randomTestVectors(benchCircuit, assignment);
    std::filesystem::create_directories(dir);
    writeBytes(dir + "/filter.vhd", buildVhdl(filterCircuit, "c.chr"));
    writeBytes(dir + "/filter.v", buildVerilog(filterCircuit, "c.chr"));
    writeBytes(dir + "/pe.vhd", buildProcessingElementsVhdl(assignment));
    writeBytes(dir + "/pe.v", buildProcessingElementsVerilog(assignment));
    writeBytes(dir + "/tb.vhd", buildVhdlTestbench(benchCircuit, vectors, "c.chr"));
    writeBytes(dir + "/tb.v", buildVerilogTestbench(benchCircuit, vectors, "c.chr"));
}

// Each simulation prints one line: its directory, the simulator's status and the last line printed.
const char* kSimulate =
    "cd \"$1\" || exit\n"
    "if [ \"$2\" = vhdl ]; then\n"
    "  out=$( (ghdl -a --std=08 -fsynopsys pe.vhd filter.vhd tb.vhd && ghdl -r --std=08 -fsynopsys "
    "filter_tb) "
    "2>&1)\n"
    "else\n"
    "  out=$( (iverilog -o tb.vvp pe.v filter.v tb.v && vvp -n tb.vvp) 2>&1)\n"
    "fi\n"
    "status=$?\n"
    "printf '%s\\n' \"$out\" > sim.log\n"
    "echo \"$1 $status $(printf '%s\\n' \"$out\" | tail -n 1)\"\n";

// Runs every directory through a simulator, two at a time; returns the lines that are not "0 PASS".
std::vector<std::string> simulate(const TempDir& dir, std::size_t count, const std::string& language) {
    writeBytes(dir.file("simulate.sh"), kSimulate);
    const auto result = runCommand("cd '" + dir.path() + "' && seq 0 " + std::to_string(count - 1) +
                                   " | xargs -P 2 -I{} sh simulate.sh c{} " + language);
    std::vector<std::string> failures;
    std::istringstream lines(result.output);
    std::size_t seen = 0;
    for (std::string line; std::getline(lines, line);) {
        ++seen;
        if (line.find(" 0 PASS") == std::string::npos || line.back() != 'S') failures.push_back(line);
    }
    if (seen != count) failures.push_back("lines: " + std::to_string(seen));
    return failures;
}

TEST(HardwareSimulation, RandomFiltersPassTheirTestbenchesInGhdlAndIcarus) {
    if (!haveProgram("ghdl") || !haveProgram("iverilog")) GTEST_SKIP() << "GHDL or Icarus Verilog missing";
    const TempDir dir;
    std::mt19937 rng(1606);
    constexpr std::size_t kCircuits = 300;
    for (std::size_t n = 0; n < kCircuits; ++n) {
        const Chromosome circuit = randomPipeline(rng, static_cast<std::int32_t>(n % 3) + 1);
        writeHardware(dir.file("c" + std::to_string(n)), circuit, circuit, randomByteAssignment(rng));
    }
    for (const char* language : {"vhdl", "verilog"}) {
        SCOPED_TRACE(language);
        const std::vector<std::string> failures = simulate(dir, kCircuits, language);
        EXPECT_TRUE(failures.empty()) << failures.size() << " failed, first: " << failures.front();
    }
}

// A testbench of one circuit run against the filter of the same circuit with one gene changed, where
// the change shows at some output: both simulators must report it and fail.
TEST(HardwareSimulation, ATestbenchFailsAFilterWithOneGeneChanged) {
    if (!haveProgram("ghdl") || !haveProgram("iverilog")) GTEST_SKIP() << "GHDL or Icarus Verilog missing";
    const TempDir dir;
    std::mt19937 rng(1607);
    const FunctionAssignment assignment = randomByteAssignment(rng);
    Chromosome circuit = randomPipeline(rng, 2);
    Chromosome changed = circuit;
    // The last block changed until its output differs for the testbench's vectors; an output reads it.
    const std::int32_t block = circuit.firstOutput() - 1;
    changed.blocks[static_cast<std::size_t>(circuit.firstOutput())].inputs = {block};
    circuit.blocks[static_cast<std::size_t>(circuit.firstOutput())].inputs = {block};
    for (std::int32_t gene = 0; gene < 16; ++gene) {
        changed.blocks[static_cast<std::size_t>(block)].function = gene;
        if (randomTestVectors(changed, assignment).expected !=
            randomTestVectors(circuit, assignment).expected)
            break;
    }
    ASSERT_NE(randomTestVectors(changed, assignment).expected,
              randomTestVectors(circuit, assignment).expected);
    writeHardware(dir.file("c0"), changed, circuit, assignment);

    for (const char* language : {"vhdl", "verilog"}) {
        SCOPED_TRACE(language);
        const std::vector<std::string> failures = simulate(dir, 1, language);
        ASSERT_EQ(failures.size(), 1U);
        EXPECT_NE(failures[0].find("c0 1 "), std::string::npos) << failures[0];
        // The testbench's own lines: the mismatches, their count, then FAIL; what follows is the
        // simulator's report of the failure.
        const std::string log = test::readBytes(dir.file("c0/sim.log"));
        const auto fail = log.find("\nFAIL\n");
        ASSERT_NE(fail, std::string::npos) << log;
        EXPECT_EQ(log.find("PASS"), std::string::npos);
        EXPECT_LT(log.find("mismatch: vector "), fail);
        EXPECT_EQ(log.find("mismatch: vector ", fail), std::string::npos);
        EXPECT_NE(log.find("mismatches: "), std::string::npos);
        EXPECT_NE(log.find(std::string(language) == "vhdl" ? "(report failure): FAIL" : "FATAL"),
                  std::string::npos)
            << log;
    }
}

// Verilator's strictest lint passes the filter and the processing elements of any circuit and any
// assignment, and yosys synthesises them; the file names are the user's, so the one rule that wants
// them to match the module names is off.
TEST(HardwareSimulation, VerilatorLintsCleanAndYosysSynthesises) {
    if (!haveProgram("verilator") || !haveProgram("yosys")) GTEST_SKIP() << "Verilator or yosys missing";
    const TempDir dir;
    std::mt19937 rng(1608);
    constexpr std::size_t kCircuits = 12;
    std::string script;
    for (std::size_t n = 0; n < kCircuits; ++n) {
        test::CircuitShape shape = test::randomShape(rng, 9, 4, 6, 4, 3);
        shape.outputCount = std::max(shape.outputCount, 1);
        // Any assignment: every function of the set somewhere in these circuits.
        FunctionAssignment assignment;
        for (std::int32_t gene = 0; gene < 16; ++gene)
            assignment.setIdentifier(gene, static_cast<std::int32_t>((n * 16 + std::size_t(gene)) % 53));
        const std::string sub = dir.file("c" + std::to_string(n));
        std::filesystem::create_directories(sub);
        writeBytes(sub + "/filter.v", buildVerilog(test::randomCircuit(rng, shape, n % 2 == 0, 31), "c.chr"));
        writeBytes(sub + "/pe.v", buildProcessingElementsVerilog(assignment));
        script += "cd '" + sub +
                  "' && verilator --lint-only -Wall -Wno-DECLFILENAME --top-module filter pe.v filter.v";
        script += n % 4 == 0
                      ? " && yosys -q -p 'read_verilog pe.v filter.v; synth -top filter' || echo FAILED " +
                            sub + "\n"
                      : " || echo FAILED " + sub + "\n";
    }
    writeBytes(dir.file("check.sh"), script);
    const auto result = runCommand("sh '" + dir.file("check.sh") + "'");
    EXPECT_EQ(result.output.find("FAILED"), std::string::npos) << result.output.substr(0, 4000);
    EXPECT_EQ(result.output.find("%Warning"), std::string::npos) << result.output.substr(0, 4000);
}

}  // namespace
}  // namespace pellisor

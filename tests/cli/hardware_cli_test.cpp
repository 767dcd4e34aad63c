// End-to-end runs of "-o:v", "-o:hdl", "-o:tb" and "-o:c" on the shipped examples, checked by the
// real consumers: the simulators run the testbench of a script, yosys synthesises the median filter
// and the C compiler builds its model.

#include "cli/cli_fixture.h"

#include <gtest/gtest.h>

#include <iostream>
#include <string>

namespace pellisor {
namespace {

using namespace cli;

std::size_t countLines(const std::string& text) {
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

class HardwareCli : public Cli {};

// The testbench of a script applies the vectors "-s" evaluates: as many as the result lines, and the
// filter passes it in both simulators.
TEST_F(HardwareCli, TheTestbenchOfAScriptPassesInBothSimulators) {
    const Outcome run =
        this->run({"median9.cha", "median9.csd", "-s", "-o:vhd", "-o:v", "-o:hdl", "-o:tb", "-x"});
    ASSERT_EQ(run.status, 0) << run.err;
    for (const char* name : {"median9.v", "median9.pe.vhd", "median9.pe.v", "median9_tb.vhd", "median9_tb.v"})
        EXPECT_TRUE(exists(name)) << name;
    const std::size_t results = countLines(readBytes(workFile("median9.tst"))) - 1;  // without the header
    EXPECT_GT(results, 10U);
    EXPECT_NE(readBytes(workFile("median9_tb.vhd"))
                  .find("constant VECTORS : integer := " + std::to_string(results) + ";"),
              std::string::npos);
    if (haveProgram("ghdl")) {
        const auto ghdl =
            runCommand("cd " + quoted(work()) +
                       " && ghdl -a --std=08 -fsynopsys median9.pe.vhd median9.vhd median9_tb.vhd && "
                       "ghdl -r --std=08 -fsynopsys filter_tb");
        EXPECT_EQ(ghdl.status, 0);
        EXPECT_TRUE(ghdl.output.ends_with("\nPASS\n") || ghdl.output == "PASS\n") << ghdl.output;
    }
    if (haveProgram("iverilog")) {
        const auto icarus =
            runCommand("cd " + quoted(work()) +
                       " && iverilog -o tb.vvp median9.pe.v median9.v median9_tb.v && vvp -n tb.vvp");
        EXPECT_EQ(icarus.status, 0);
        EXPECT_EQ(icarus.output, "PASS\n");
    }
}

// The median filter with its layout's function assignment: Verilator lints it clean, yosys
// synthesises it (the cell count goes to the test's output), and its C model compiles cleanly.
TEST_F(HardwareCli, TheMedianFilterSynthesisesAndItsModelCompiles) {
    const Outcome run = this->run({"median3x3.chr", "median3x3.ini", "-o:v", "-o:hdl", "-o:c", "-x"});
    ASSERT_EQ(run.status, 0) << run.err;
    if (haveProgram("verilator")) {
        const auto lint = runCommand("cd " + quoted(work()) +
                                     " && verilator --lint-only -Wall -Wno-DECLFILENAME --top-module filter "
                                     "median3x3.pe.v median3x3.v");
        EXPECT_EQ(lint.status, 0) << lint.output;
        EXPECT_EQ(lint.output, "");
    }
    if (haveProgram("yosys")) {
        const auto yosys =
            runCommand("cd " + quoted(work()) +
                       " && yosys -p 'read_verilog median3x3.pe.v median3x3.v; synth -top filter; stat'");
        ASSERT_EQ(yosys.status, 0) << yosys.output.substr(0, 3000);
        // The last count is the whole design's.
        const std::string label = "Number of cells:";
        const auto at = yosys.output.rfind(label);
        ASSERT_NE(at, std::string::npos);
        std::string count;
        for (std::size_t k = at + label.size(); k < yosys.output.size() && yosys.output[k] != '\n'; ++k) {
            if (yosys.output[k] != ' ') count += yosys.output[k];
        }
        ASSERT_FALSE(count.empty());
        EXPECT_GT(std::stoi(count), 0);
        std::cout << "yosys cells of median3x3 (synth -top filter): " << count << "\n";
    }
    const std::string source = readBytes(workFile("median3x3.c"));
    EXPECT_NE(source.find("void pellisor_median3x3(const int32_t *in, int32_t *out) {"), std::string::npos);
    if (haveProgram("cc")) {
        const auto compile = runCommand("cd " + quoted(work()) +
                                        " && cc -std=c99 -Wall -Wextra -pedantic -Werror -c median3x3.c");
        EXPECT_EQ(compile.status, 0) << compile.output;
    }
}

}  // namespace
}  // namespace pellisor

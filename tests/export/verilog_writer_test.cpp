// The Verilog of a filter has the structure of its VHDL: the same ports, signals, instances, port
// connections, selects and assignments, in the same order, for any circuit.

#include "export/verilog_writer.h"

#include "export/vhdl_writer.h"
#include "support/random_circuit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace pellisor {
namespace {

// Each line that states structure, in one neutral form: "input", "output", "signal", "instance KIND
// NAME", "port PORT SIGNAL", "assign TARGET SOURCE" or "zero NAME". Plain string matching keeps
// the compiler's regex machinery (and its false warnings under the sanitizers) out.
std::string word(const std::string& text, std::size_t from) {
    std::size_t end = from;
    while (end < text.size() && (std::isalnum(static_cast<unsigned char>(text[end])) || text[end] == '_'))
        ++end;
    return text.substr(from, end - from);
}

std::string vhdlFact(const std::string& line) {
    if (line.starts_with("    sig_in") && line.find(" : in ") != std::string::npos)
        return "input " + word(line, 4);
    if (line.starts_with("    sig_out") && line.find(" : out ") != std::string::npos)
        return "output " + word(line, 4);
    if (line.starts_with("  signal ")) return "signal " + word(line, 9);
    if (const auto at = line.find(": entity work."); at != std::string::npos)
        return "instance " + word(line, at + 14) + " " + line.substr(0, at);
    if (const auto at = line.find(" => "); line.starts_with("  ") && at != std::string::npos) {
        const std::size_t value = at + 4 + (line[at + 4] == '"' ? 1 : 0);
        return "port " + word(line, 2) + " " + word(line, value);
    }
    if (line == "sig_zero <= (others => '0');") return "zero sig_zero";
    if (const auto at = line.find(" <= "); at != std::string::npos)
        return "assign " + word(line, 0) + " " + word(line, at + 4);
    return "";
}

std::string verilogFact(const std::string& line) {
    if (line.starts_with("    input [DATA_WIDTH-1:0] ")) return "input " + word(line, 27);
    if (line.starts_with("    output [DATA_WIDTH-1:0] ")) return "output " + word(line, 28);
    if (line.starts_with("  wire [DATA_WIDTH-1:0] ")) return "signal " + word(line, 24);
    if (line.starts_with("vrc_alu #(.DATA_WIDTH(DATA_WIDTH)) ")) return "instance vrc_alu " + word(line, 35);
    if (line.starts_with("\\reg  #(.DATA_WIDTH(DATA_WIDTH)) ")) return "instance reg " + word(line, 33);
    if (line.starts_with("  .")) {
        const std::size_t open = line.find('(');
        const std::size_t value = open + 1 + (line.compare(open + 1, 3, "4'b") == 0 ? 3 : 0);
        return "port " + word(line, 3) + " " + word(line, value);
    }
    if (line == "assign sig_zero = {DATA_WIDTH{1'b0}};") return "zero sig_zero";
    if (const auto at = line.find(" = "); line.starts_with("assign ") && at != std::string::npos)
        return "assign " + word(line, 7) + " " + word(line, at + 3);
    return "";
}

std::vector<std::string> structure(const std::string& text, std::string (*fact)(const std::string&)) {
    std::vector<std::string> facts;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        if (std::string found = fact(line); !found.empty()) facts.push_back(std::move(found));
    }
    return facts;
}

TEST(VerilogWriter, EveryFilterHasTheStructureOfItsVhdl) {
    std::mt19937 rng(1617);
    for (int n = 0; n < 150; ++n) {
        test::CircuitShape shape = test::randomShape(rng, 9, 4, 7, 5, 3);
        shape.arity = n % 3 + 1;
        // Some read any entry: later columns, outputs, themselves.
        const Chromosome circuit = test::randomCircuit(rng, shape, n % 3 != 2, 40);
        const std::string vhdl = buildVhdl(circuit, "c.chr");
        const std::string verilog = buildVerilog(circuit, "c.chr");
        const std::vector<std::string> expected = structure(vhdl, vhdlFact);
        ASSERT_EQ(structure(verilog, verilogFact), expected) << test::chromosomeLine(circuit) << "\n"
                                                             << verilog;
        const auto instances = std::count_if(expected.begin(), expected.end(), [](const std::string& fact) {
            return fact.starts_with("instance ");
        });
        std::size_t entities = 0;
        for (auto at = vhdl.find("entity work."); at != std::string::npos;
             at = vhdl.find("entity work.", at + 1))
            ++entities;
        EXPECT_EQ(static_cast<std::size_t>(instances), entities)
            << "every instance of the VHDL is recognised";
    }
    // The worked example: block 4 reads block 3 directly and input 0 through two registers.
    const std::string verilog = buildVerilog(
        test::parsed("{2,1,3,1,2,1,-1}([2]0,1,5)([3]2,1,21)([4]3,0,6)(4)"), "/data/run/example.chr");
    EXPECT_TRUE(verilog.starts_with("// example.chr\nmodule filter #(parameter DATA_WIDTH = 8) (\n"))
        << verilog;
    EXPECT_NE(verilog.find("  .X(sig_vrc3),\n  .Y(sig_reg_4_0_l2),\n  .SEL(4'b0110),\n  .Q(sig_vrc4)\n);\n"
                           "\\reg  #(.DATA_WIDTH(DATA_WIDTH)) r4_0_l2 (\n  .RESET(RESET),\n  .CLK(CLK),\n"
                           "  .X(sig_reg_4_0_l1),\n  .Q(sig_reg_4_0_l2)\n);\n"),
              std::string::npos)
        << verilog;
}

}  // namespace
}  // namespace pellisor

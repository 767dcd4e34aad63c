// The Verilog of a filter has the structure of its VHDL: the same ports, signals, instances, port
// connections, selects and assignments, in the same order, for any circuit.

#include "export/verilog_writer.h"

#include "export/vhdl_writer.h"
#include "support/random_circuit.h"

#include <gtest/gtest.h>

#include <random>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace pellisor {
namespace {

// Each line that states structure, in one neutral form; "" for lines of neither.
using Rule = std::pair<std::regex, std::string>;

std::vector<std::string> structure(const std::string& text, const std::vector<Rule>& rules) {
    std::vector<std::string> facts;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        for (const auto& [pattern, format] : rules) {
            std::smatch match;
            if (std::regex_match(line, match, pattern)) {
                facts.push_back(match.format(format));
                break;
            }
        }
    }
    return facts;
}

const std::vector<Rule>& vhdlRules() {
    static const std::vector<Rule> rules{
        {std::regex(R"(    (sig_in\d+) : in std_logic_vector\(DATA_WIDTH-1 downto 0\);? )"), "input $1"},
        {std::regex(R"(    (sig_out\d+) : out std_logic_vector\(DATA_WIDTH-1 downto 0\);?)"), "output $1"},
        {std::regex(R"(  signal (\w+) : std_logic_vector\(DATA_WIDTH-1 downto 0\);)"), "signal $1"},
        {std::regex(R"((\w+): entity work\.(\w+) generic map\(DATA_WIDTH  => DATA_WIDTH\) port map\()"),
         "instance $2 $1"},
        {std::regex(R"(  (RESET|CLK|X|Y|Q) +=> (\w+),?)"), "port $1 $2"},
        {std::regex(R"re(  SEL   => "([01]{4})",)re"), "port SEL $1"},
        {std::regex(R"((\w+) <= (sig_\w+);)"), "assign $1 $2"},
        {std::regex(R"((sig_zero) <= \(others => '0'\);)"), "zero $1"},
    };
    return rules;
}

const std::vector<Rule>& verilogRules() {
    static const std::vector<Rule> rules{
        {std::regex(R"(    input \[DATA_WIDTH-1:0\] (sig_in\d+),?)"), "input $1"},
        {std::regex(R"(    output \[DATA_WIDTH-1:0\] (sig_out\d+),?)"), "output $1"},
        {std::regex(R"(  wire \[DATA_WIDTH-1:0\] (\w+);)"), "signal $1"},
        {std::regex(R"((vrc_alu) #\(\.DATA_WIDTH\(DATA_WIDTH\)\) (\w+) \()"), "instance $1 $2"},
        {std::regex(R"(\\(reg)  #\(\.DATA_WIDTH\(DATA_WIDTH\)\) (\w+) \()"), "instance $1 $2"},
        {std::regex(R"(  \.(RESET|CLK|X|Y|Q)\((\w+)\),?)"), "port $1 $2"},
        {std::regex(R"(  \.SEL\(4'b([01]{4})\),)"), "port SEL $1"},
        {std::regex(R"(assign (sig_zero) = \{DATA_WIDTH\{1'b0\}\};)"), "zero $1"},
        {std::regex(R"(assign (\w+) = (sig_\w+);)"), "assign $1 $2"},
    };
    return rules;
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
        const std::vector<std::string> expected = structure(vhdl, vhdlRules());
        ASSERT_EQ(structure(verilog, verilogRules()), expected) << test::chromosomeLine(circuit) << "\n"
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

#include "export/vhdl_writer.h"

#include "support/circuit_builder.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

namespace pellisor {
namespace {

using test::circuitOf;
using test::functionBlock;
using test::outputBlock;

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

std::size_t count(const std::string& text, const std::string& part) {
    std::size_t n = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size()))
        ++n;
    return n;
}

const std::string kHeader =
    "library ieee;\n"
    "use ieee.std_logic_1164.all;\n"
    "use ieee.std_logic_arith.all;\n"
    "use ieee.std_logic_unsigned.all;\n"
    "\n"
    "entity filter is\n"
    "  generic(DATA_WIDTH : integer := 8);\n"
    "  port(\n"
    "    RESET : in std_logic;\n";

std::string peHead(int index) {
    return "vrc_pe" + std::to_string(index) +
           ": entity work.vrc_alu generic map(DATA_WIDTH  => DATA_WIDTH) port map(\n"
           "  RESET => RESET,\n"
           "  CLK   => CLK,\n";
}

std::string regHead(const std::string& name) {
    return name +
           ": entity work.reg generic map(DATA_WIDTH  => DATA_WIDTH) port map(\n"
           "  RESET => RESET,\n"
           "  CLK   => CLK,\n";
}

// Two inputs, three columns of one block, one output; block 4 reads block 3 and input 0 with gene 6.
TEST(VhdlWriter, WholeFileOfAThreeColumnPipeline) {
    const Chromosome circuit = circuitOf(
        2, 3, 1, 2,
        {functionBlock({0, 1}, 5), functionBlock({2, 1}, 21), functionBlock({3, 0}, 6), outputBlock(4)});
    EXPECT_EQ(buildVhdl(circuit, "/data/run/example.chr"),
              "--example.chr\n" + kHeader +
                  "    CLK   : in std_logic;\n"
                  "    sig_in0 : in std_logic_vector(DATA_WIDTH-1 downto 0); \n"
                  "    sig_in1 : in std_logic_vector(DATA_WIDTH-1 downto 0); \n"
                  "    sig_out0 : out std_logic_vector(DATA_WIDTH-1 downto 0)\n"
                  "  );\n"
                  "end entity;\n"
                  "\n"
                  "architecture main of filter is\n"
                  "  signal sig_vrc2 : std_logic_vector(DATA_WIDTH-1 downto 0);\n"
                  "  signal sig_vrc3 : std_logic_vector(DATA_WIDTH-1 downto 0);\n"
                  "  signal sig_vrc4 : std_logic_vector(DATA_WIDTH-1 downto 0);\n"
                  "  signal sig_reg_3_1_l1 : std_logic_vector(DATA_WIDTH-1 downto 0);\n"
                  "  signal sig_reg_4_0_l2 : std_logic_vector(DATA_WIDTH-1 downto 0);\n"
                  "  signal sig_reg_4_0_l1 : std_logic_vector(DATA_WIDTH-1 downto 0);\n"
                  "begin\n" +
                  peHead(2) +
                  "  X     => sig_in0,\n"
                  "  Y     => sig_in1,\n"
                  "  SEL   => \"0101\",\n"
                  "  Q     => sig_vrc2\n"
                  ");\n" +
                  peHead(3) +
                  "  X     => sig_vrc2,\n"
                  "  Y     => sig_reg_3_1_l1,\n"
                  "  SEL   => \"0101\",\n"
                  "  Q     => sig_vrc3\n"
                  ");\n" +
                  regHead("r3_1_l1") +
                  "  X     => sig_in1,\n"
                  "  Q     => sig_reg_3_1_l1\n"
                  ");\n" +
                  peHead(4) +
                  "  X     => sig_vrc3,\n"
                  "  Y     => sig_reg_4_0_l2,\n"
                  "  SEL   => \"0110\",\n"
                  "  Q     => sig_vrc4\n"
                  ");\n" +
                  regHead("r4_0_l2") +
                  "  X     => sig_reg_4_0_l1,\n"
                  "  Q     => sig_reg_4_0_l2\n"
                  ");\n" +
                  regHead("r4_0_l1") +
                  "  X     => sig_in0,\n"
                  "  Q     => sig_reg_4_0_l1\n"
                  ");\n"
                  "\n"
                  "\n"
                  "sig_out0 <= sig_vrc4;\n"
                  "end main;\n");
}

TEST(VhdlWriter, SelectIsTheLowFourBitsOfTheGene) {
    const Chromosome circuit =
        circuitOf(1, 1, 5, 2,
                  {functionBlock({0, 0}, 5), functionBlock({0, 0}, 21), functionBlock({0, 0}, 16),
                   functionBlock({0, 0}, 0), functionBlock({0, 0}, 15)});
    const std::string vhdl = buildVhdl(circuit, "c.chr");
    EXPECT_TRUE(contains(vhdl, "  SEL   => \"0101\",\n  Q     => sig_vrc1\n"));
    EXPECT_TRUE(contains(vhdl, "  SEL   => \"0101\",\n  Q     => sig_vrc2\n"));
    EXPECT_TRUE(contains(vhdl, "  SEL   => \"0000\",\n  Q     => sig_vrc3\n"));
    EXPECT_TRUE(contains(vhdl, "  SEL   => \"0000\",\n  Q     => sig_vrc4\n"));
    EXPECT_TRUE(contains(vhdl, "  SEL   => \"1111\",\n  Q     => sig_vrc5\n"));
}

TEST(VhdlWriter, SameDistantSourceTwiceMakesOneChain) {
    const Chromosome circuit = circuitOf(
        1, 3, 1, 2,
        {functionBlock({0, 0}, 1), functionBlock({1, 1}, 1), functionBlock({0, 0}, 1), outputBlock(3)});
    const std::string vhdl = buildVhdl(circuit, "c.chr");
    EXPECT_TRUE(contains(vhdl, "  X     => sig_reg_3_0_l2,\n  Y     => sig_reg_3_0_l2,\n"));
    EXPECT_EQ(count(vhdl, ": entity work.reg "), 2U);
    EXPECT_EQ(count(vhdl, "  signal sig_reg_3_0_l"), 2U);
    // Block 2 reads block 1 of the column before: direct.
    EXPECT_TRUE(contains(vhdl, "  X     => sig_vrc1,\n  Y     => sig_vrc1,\n"));
}

TEST(VhdlWriter, EveryBlockGetsItsOwnChain) {
    const Chromosome circuit =
        circuitOf(1, 3, 2, 2,
                  {functionBlock({0, 0}, 1), functionBlock({0, 0}, 1), functionBlock({1, 0}, 1),
                   functionBlock({2, 0}, 1), functionBlock({0, 3}, 1), functionBlock({4, 0}, 1),
                   outputBlock(5), outputBlock(6)});
    const std::string vhdl = buildVhdl(circuit, "c.chr");
    EXPECT_TRUE(contains(vhdl, "  X     => sig_vrc1,\n  Y     => sig_reg_3_0_l1,\n"));
    EXPECT_TRUE(contains(vhdl, "  X     => sig_vrc2,\n  Y     => sig_reg_4_0_l1,\n"));
    EXPECT_TRUE(contains(vhdl, "  X     => sig_reg_5_0_l2,\n  Y     => sig_vrc3,\n"));
    EXPECT_TRUE(contains(vhdl, "  X     => sig_vrc4,\n  Y     => sig_reg_6_0_l2,\n"));
    EXPECT_TRUE(contains(vhdl, regHead("r6_0_l2") + "  X     => sig_reg_6_0_l1,\n"));
    EXPECT_TRUE(contains(vhdl, regHead("r6_0_l1") + "  X     => sig_in0,\n"));
    EXPECT_EQ(count(vhdl, ": entity work.reg "), 6U);
    // Chain declarations follow all block signals, in the order the blocks are visited.
    EXPECT_TRUE(contains(vhdl,
                         "  signal sig_vrc6 : std_logic_vector(DATA_WIDTH-1 downto 0);\n"
                         "  signal sig_reg_3_0_l1 : std_logic_vector(DATA_WIDTH-1 downto 0);\n"
                         "  signal sig_reg_4_0_l1 : std_logic_vector(DATA_WIDTH-1 downto 0);\n"
                         "  signal sig_reg_5_0_l2 : std_logic_vector(DATA_WIDTH-1 downto 0);\n"
                         "  signal sig_reg_5_0_l1 : std_logic_vector(DATA_WIDTH-1 downto 0);\n"
                         "  signal sig_reg_6_0_l2 : std_logic_vector(DATA_WIDTH-1 downto 0);\n"
                         "  signal sig_reg_6_0_l1 : std_logic_vector(DATA_WIDTH-1 downto 0);\nbegin\n"));
    EXPECT_TRUE(contains(vhdl,
                         "    sig_out0 : out std_logic_vector(DATA_WIDTH-1 downto 0);\n"
                         "    sig_out1 : out std_logic_vector(DATA_WIDTH-1 downto 0)\n  );\n"));
    EXPECT_TRUE(contains(vhdl, "\n\nsig_out0 <= sig_vrc5;\nsig_out1 <= sig_vrc6;\nend main;\n"));
}

TEST(VhdlWriter, SameOrLaterColumnIsDirectAndOutputsOnlyReadSignals) {
    // Block 1 reads block 2 below it, block 2 reads block 3 of the next column, block 3 reads output 5,
    // which output 6 reads too.
    const Chromosome circuit =
        circuitOf(1, 2, 2, 2,
                  {functionBlock({2, 0}, 1), functionBlock({3, 3}, 1), functionBlock({5, 1}, 1),
                   functionBlock({1, 2}, 1), outputBlock(0), outputBlock(5)});
    const std::string vhdl = buildVhdl(circuit, "c.chr");
    EXPECT_TRUE(contains(vhdl, "  X     => sig_vrc2,\n  Y     => sig_in0,\n"));
    EXPECT_TRUE(contains(vhdl, "  X     => sig_vrc3,\n  Y     => sig_vrc3,\n"));
    // An output named as a source gets a signal of its own carrying that output's source.
    EXPECT_TRUE(contains(vhdl, "  X     => sig_vrc5,\n  Y     => sig_vrc1,\n"));
    EXPECT_TRUE(contains(vhdl,
                         "  signal sig_vrc4 : std_logic_vector(DATA_WIDTH-1 downto 0);\n"
                         "  signal sig_vrc5 : std_logic_vector(DATA_WIDTH-1 downto 0);\nbegin\n"));
    EXPECT_TRUE(
        contains(vhdl, "\n\nsig_out0 <= sig_in0;\nsig_out1 <= sig_vrc5;\nsig_vrc5 <= sig_in0;\nend main;\n"));
    EXPECT_EQ(count(vhdl, "entity work.reg"), 0U);
}

// Y of a one-input block reads zero, as the evaluator reads a missing connection, through one signal
// driven with zeros.
TEST(VhdlWriter, ArityOneReadsZeroOnYAndArityThreeHasNoThird) {
    const Chromosome single =
        circuitOf(1, 2, 1, 1, {functionBlock({0}, 3), functionBlock({0}, 3), outputBlock(2)});
    const std::string vhdl = buildVhdl(single, "c.chr");
    EXPECT_TRUE(contains(
        vhdl, "  X     => sig_in0,\n  Y     => sig_zero,\n  SEL   => \"0011\",\n  Q     => sig_vrc1\n"));
    EXPECT_TRUE(contains(
        vhdl,
        "  X     => sig_reg_2_0_l1,\n  Y     => sig_zero,\n  SEL   => \"0011\",\n  Q     => sig_vrc2\n"));
    EXPECT_TRUE(contains(vhdl,
                         "  signal sig_vrc2 : std_logic_vector(DATA_WIDTH-1 downto 0);\n"
                         "  signal sig_zero : std_logic_vector(DATA_WIDTH-1 downto 0);\n"
                         "  signal sig_reg_2_0_l1 : std_logic_vector(DATA_WIDTH-1 downto 0);\nbegin\n"));
    EXPECT_TRUE(contains(vhdl, "sig_out0 <= sig_vrc2;\nsig_zero <= (others => '0');\nend main;\n"));

    const Chromosome triple = circuitOf(3, 1, 1, 3, {functionBlock({0, 1, 2}, 15), outputBlock(3)});
    const std::string mux = buildVhdl(triple, "c.chr");
    EXPECT_TRUE(contains(mux, "  X     => sig_in0,\n  Y     => sig_in1,\n  SEL   => \"1111\",\n"));
    EXPECT_EQ(count(mux, "sig_in2"), 1U);  // its port only
    EXPECT_EQ(count(mux, "sig_zero"), 0U);
}

TEST(VhdlWriter, PortListNeverEndsInASemicolon) {
    const Chromosome noOutputs = circuitOf(2, 1, 1, 2, {functionBlock({0, 1}, 1)});
    EXPECT_TRUE(contains(buildVhdl(noOutputs, "c.chr"),
                         "    CLK   : in std_logic;\n"
                         "    sig_in0 : in std_logic_vector(DATA_WIDTH-1 downto 0); \n"
                         "    sig_in1 : in std_logic_vector(DATA_WIDTH-1 downto 0) \n"
                         "  );\n"));
    const Chromosome noInputs = circuitOf(0, 1, 1, 2, {functionBlock({1, 1}, 1), outputBlock(0)});
    EXPECT_TRUE(contains(buildVhdl(noInputs, "c.chr"),
                         "    CLK   : in std_logic;\n"
                         "    sig_out0 : out std_logic_vector(DATA_WIDTH-1 downto 0)\n"
                         "  );\n"));
}

TEST(VhdlWriter, NoCircuitGivesAnEmptyFilterWhateverTheHeaderSays) {
    Chromosome circuit;
    circuit.inputCount = 3;
    circuit.outputCount = 2;
    circuit.columns = 4;
    circuit.rows = 2;
    EXPECT_EQ(buildVhdl(circuit, "dir/c.chr"), "--c.chr\n" + kHeader +
                                                   "    CLK   : in std_logic\n"
                                                   "  );\n"
                                                   "end entity;\n"
                                                   "\n"
                                                   "architecture main of filter is\n"
                                                   "begin\n"
                                                   "\n"
                                                   "\n"
                                                   "end main;\n");
}

TEST(VhdlWriter, FileNameCannotLeaveTheCommentLine) {
    const std::string vhdl = buildVhdl(Chromosome(), "/d/a\nb\rc\vd\fe.chr");
    EXPECT_EQ(vhdl.substr(0, vhdl.find('\n') + 1), "--a b c d e.chr\n");
}

}  // namespace
}  // namespace pellisor

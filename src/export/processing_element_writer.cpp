#include "export/processing_element_writer.h"

#include "export/buffered_sink.h"
#include "export/hdl_functions.h"

namespace pellisor {

namespace {

constexpr std::int32_t kSelectCodes = 16;

std::string selectBits(std::int32_t code) {
    std::string bits;
    for (int bit = 3; bit >= 0; --bit)
        bits += ((code >> bit) & 1) != 0 ? '1' : '0';
    return bits;
}

// "gene 3: 24 in1 + in2 (8b)": the identifier and the operation, without the type signature.
std::string geneComment(const FunctionAssignment& assignment, std::int32_t gene) {
    const std::int32_t id = assignment.rows()[static_cast<std::size_t>(gene)].identifier;
    const std::string description(functionOperation(id));
    return "gene " + std::to_string(gene) + ": " + std::to_string(id) +
           (description.empty() ? " (no function)" : " " + description);
}

FunctionId functionOfGene(const FunctionAssignment& assignment, std::int32_t gene) {
    return functionIdOf(assignment.rows()[static_cast<std::size_t>(gene)].identifier);
}

void writeVhdl(BufferedSink& out, const FunctionAssignment& assignment) {
    out << "-- The processing element: for select code g the function the assignment gives gene g,\n"
           "-- modulo 2**DATA_WIDTH on unsigned operands, registered; and one register stage.\n"
           "library ieee;\nuse ieee.std_logic_1164.all;\nuse ieee.numeric_std.all;\n\n"
           "entity vrc_alu is\n"
           "  generic(DATA_WIDTH : integer := 8);\n"
           "  port(\n"
           "    RESET : in std_logic;\n"
           "    CLK   : in std_logic;\n"
           "    X     : in std_logic_vector(DATA_WIDTH-1 downto 0);\n"
           "    Y     : in std_logic_vector(DATA_WIDTH-1 downto 0);\n"
           "    SEL   : in std_logic_vector(3 downto 0);\n"
           "    Q     : out std_logic_vector(DATA_WIDTH-1 downto 0)\n"
           "  );\nend entity;\n\n"
           "architecture behaviour of vrc_alu is\n"
           "  -- Wide enough that no sum, difference or shift loses a bit the result keeps.\n"
           "  constant W : integer := DATA_WIDTH + 16;\n"
           "  function bit_of(v : std_logic) return unsigned is\n"
           "    variable result : unsigned(W-1 downto 0) := (others => '0');\n"
           "  begin\n    result(0) := v;\n    return result;\n  end function;\n"
           "begin\n"
           "  process(CLK)\n"
           "    variable a, b, r : unsigned(W-1 downto 0);\n"
           "  begin\n"
           "    if rising_edge(CLK) then\n"
           "      if RESET = '1' then\n"
           "        Q <= (others => '0');\n"
           "      else\n"
           "        a := resize(unsigned(X), W);\n"
           "        b := resize(unsigned(Y), W);\n"
           "        case SEL is\n";
    for (std::int32_t gene = 0; gene < kSelectCodes; ++gene) {
        out << "          -- " << geneComment(assignment, gene) << "\n";
        out << "          when \"" << selectBits(gene) << "\" => "
            << vhdlStatement(functionOfGene(assignment, gene)) << "\n";
    }
    out << "          when others => r := (others => '0');\n"
           "        end case;\n"
           "        Q <= std_logic_vector(r(DATA_WIDTH-1 downto 0));\n"
           "      end if;\n"
           "    end if;\n"
           "  end process;\n"
           "end architecture;\n\n"
           "library ieee;\nuse ieee.std_logic_1164.all;\n\n"
           "entity reg is\n"
           "  generic(DATA_WIDTH : integer := 8);\n"
           "  port(\n"
           "    RESET : in std_logic;\n"
           "    CLK   : in std_logic;\n"
           "    X     : in std_logic_vector(DATA_WIDTH-1 downto 0);\n"
           "    Q     : out std_logic_vector(DATA_WIDTH-1 downto 0)\n"
           "  );\nend entity;\n\n"
           "architecture behaviour of reg is\n"
           "begin\n"
           "  process(CLK)\n"
           "  begin\n"
           "    if rising_edge(CLK) then\n"
           "      if RESET = '1' then\n"
           "        Q <= (others => '0');\n"
           "      else\n"
           "        Q <= X;\n"
           "      end if;\n"
           "    end if;\n"
           "  end process;\n"
           "end architecture;\n";
}

void writeVerilog(BufferedSink& out, const FunctionAssignment& assignment) {
    out << "// The processing element: for select code g the function the assignment gives gene g,\n"
           "// modulo 2**DATA_WIDTH on unsigned operands, registered; and one register stage.\n"
           "module vrc_alu #(parameter DATA_WIDTH = 8) (\n"
           "    input RESET,\n"
           "    input CLK,\n"
           "    input [DATA_WIDTH-1:0] X,\n"
           "    input [DATA_WIDTH-1:0] Y,\n"
           "    input [3:0] SEL,\n"
           "    output reg [DATA_WIDTH-1:0] Q\n"
           ");\n"
           "  // Wide enough that no sum, difference or shift loses a bit the result keeps.\n"
           "  localparam W = DATA_WIDTH + 16;\n";
    std::string statements[kSelectCodes];
    std::string used;
    for (std::int32_t gene = 0; gene < kSelectCodes; ++gene) {
        statements[gene] = verilogStatement(functionOfGene(assignment, gene));
        used += statements[gene];
    }
    // Only the constants some select code uses: an unused one is a lint warning.
    const std::pair<const char*, const char*> constants[] = {{"K255", "{{(W-8){1'b0}}, 8'hFF}"},
                                                             {"KF0", "{{(W-8){1'b0}}, 8'hF0}"},
                                                             {"K65535", "{{(W-16){1'b0}}, 16'hFFFF}"}};
    for (const auto& [name, value] : constants) {
        if (used.find(name) != std::string::npos)
            out << "  localparam [W-1:0] " << name << " = " << value << ";\n";
    }
    out << ""
           "  wire [W-1:0] a = {16'b0, X};\n"
           "  wire [W-1:0] b = {16'b0, Y};\n"
           "  reg [W-1:0] r;\n"
           "  always @(*) begin\n"
           "    case (SEL)\n";
    for (std::int32_t gene = 0; gene < kSelectCodes; ++gene) {
        out << "      // " << geneComment(assignment, gene) << "\n";
        out << "      4'b" << selectBits(gene) << ": " << statements[gene] << "\n";
    }
    out << "      default: r = {W{1'b0}};\n"
           "    endcase\n"
           "  end\n"
           "  always @(posedge CLK) begin\n"
           "    if (RESET) Q <= {DATA_WIDTH{1'b0}};\n"
           "    else Q <= r[DATA_WIDTH-1:0];\n"
           "  end\n"
           "  // What the modulo drops, and operands no assigned function reads.\n"
           "  wire unused_bits = &{1'b0, r[W-1:DATA_WIDTH], a, b};\n"
           "endmodule\n\n"
           "// `reg` is a keyword of the language: the module's name is the escaped identifier.\n"
           "module \\reg  #(parameter DATA_WIDTH = 8) (\n"
           "    input RESET,\n"
           "    input CLK,\n"
           "    input [DATA_WIDTH-1:0] X,\n"
           "    output reg [DATA_WIDTH-1:0] Q\n"
           ");\n"
           "  always @(posedge CLK) begin\n"
           "    if (RESET) Q <= {DATA_WIDTH{1'b0}};\n"
           "    else Q <= X;\n"
           "  end\n"
           "endmodule\n";
}

}  // namespace

void writeProcessingElementsVhdl(const ByteSink& sink, const FunctionAssignment& assignment) {
    BufferedSink out(sink);
    writeVhdl(out, assignment);
    out.finish();
}

void writeProcessingElementsVerilog(const ByteSink& sink, const FunctionAssignment& assignment) {
    BufferedSink out(sink);
    writeVerilog(out, assignment);
    out.finish();
}

std::string buildProcessingElementsVhdl(const FunctionAssignment& assignment) {
    return collectText([&](const ByteSink& sink) { writeProcessingElementsVhdl(sink, assignment); });
}

std::string buildProcessingElementsVerilog(const FunctionAssignment& assignment) {
    return collectText([&](const ByteSink& sink) { writeProcessingElementsVerilog(sink, assignment); });
}

}  // namespace pellisor

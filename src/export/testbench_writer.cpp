#include "export/testbench_writer.h"

#include "export/buffered_sink.h"
#include "export/filter_structure.h"
#include "model/file_names.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <vector>

namespace pellisor {

namespace {

constexpr int kResetClocks = 2;
constexpr std::size_t kNumbersPerLine = 16;

std::string commentText(std::string text) {
    for (char& ch : text) {
        if (ch == '\n' || ch == '\r' || ch == '\v' || ch == '\f') ch = ' ';
    }
    return text;
}

// What both testbenches need of the filter: its ports and the clocks each output lags behind.
struct BenchShape {
    std::int32_t inputs = 0;
    std::int32_t outputs = 0;
    std::size_t vectors = 0;
    std::vector<std::int32_t> latencies;
    std::int32_t longestLatency = 0;
};

BenchShape benchShape(const Chromosome& circuit, const TestVectors& vectors) {
    const FilterStructure filter(circuit);
    BenchShape shape;
    shape.inputs = filter.inputCount();
    shape.outputs = filter.outputCount();
    // Vectors of another circuit would not fit the ports: then there are none to apply.
    if (vectors.inputCount == shape.inputs && vectors.outputCount == shape.outputs)
        shape.vectors = vectors.size();
    for (std::int32_t n = 0; n < shape.outputs; ++n) {
        const std::int32_t source = filter.outputSource(filter.firstOutput() + n);
        const bool block = source >= filter.inputCount() && source < filter.firstOutput();
        shape.latencies.push_back(block ? filter.columnOf(source) : 0);
        shape.longestLatency = std::max(shape.longestLatency, shape.latencies.back());
    }
    return shape;
}

std::string header(const char* comment, const TestVectors& vectors, const std::string& chromosomeFileName) {
    return std::string(comment) + " Testbench of " + commentText(fileNamePart(chromosomeFileName)) + ": " +
           commentText(vectors.origin) + ", one per clock, against the evaluator's results.\n";
}

// VHDL has no literal for the most negative integer.
void vhdlInteger(BufferedSink& out, std::int32_t value) {
    if (value == std::numeric_limits<std::int32_t>::min()) {
        out << "(-2147483647 - 1)";
    } else {
        out << value;
    }
}

void vhdlTable(BufferedSink& out, const char* name, const std::vector<std::int32_t>& values,
               std::size_t count) {
    out << "  constant " << name << " : integer_table(0 to " << static_cast<std::int64_t>(count) - 1
        << ") := (";
    for (std::size_t k = 0; k < count; ++k) {
        out << (k % kNumbersPerLine == 0 ? "\n    " : " ");
        vhdlInteger(out, values[k]);
        out << ",";
    }
    out << (count == 0 ? "" : "\n    ") << "others => 0);\n";
}

void writeVhdl(BufferedSink& out, const Chromosome& circuit, const TestVectors& vectors,
               const std::string& chromosomeFileName) {
    const BenchShape shape = benchShape(circuit, vectors);
    const auto inputs = static_cast<std::size_t>(shape.inputs);
    const auto outputs = static_cast<std::size_t>(shape.outputs);
    out << header("--", vectors, chromosomeFileName);
    out << "library ieee;\nuse ieee.std_logic_1164.all;\nuse ieee.numeric_std.all;\nuse std.textio.all;\n\n"
           "entity filter_tb is\nend entity;\n\n"
           "architecture test of filter_tb is\n"
           "  constant DATA_WIDTH : integer := 8;\n"
           "  constant VECTORS : integer := "
        << shape.vectors << ";\n  constant INPUTS : integer := " << shape.inputs
        << ";\n  constant OUTPUTS : integer := " << shape.outputs
        << ";\n  type integer_table is array (natural range <>) of integer;\n"
           "  -- Input n of vector j at j * INPUTS + n, output n at j * OUTPUTS + n.\n";
    vhdlTable(out, "STIMULI", vectors.inputs, shape.vectors * inputs);
    vhdlTable(out, "EXPECTED", vectors.expected, shape.vectors * outputs);
    out << "  -- The clocks from a vector to the outputs that show it: the column of each output's source.\n";
    vhdlTable(out, "LATENCY", shape.latencies, outputs);
    out << "  signal RESET : std_logic := '1';\n  signal CLK : std_logic := '0';\n";
    for (std::size_t n = 0; n < inputs; ++n)
        out << "  signal tb_in" << n << " : std_logic_vector(DATA_WIDTH-1 downto 0) := (others => '0');\n";
    for (std::size_t n = 0; n < outputs; ++n)
        out << "  signal tb_out" << n << " : std_logic_vector(DATA_WIDTH-1 downto 0);\n";
    out << "begin\n"
           "  dut: entity work.filter generic map(DATA_WIDTH => DATA_WIDTH) port map(\n"
           "    RESET => RESET,\n    CLK   => CLK";
    for (std::size_t n = 0; n < inputs; ++n)
        out << ",\n    sig_in" << n << " => tb_in" << n;
    for (std::size_t n = 0; n < outputs; ++n)
        out << ",\n    sig_out" << n << " => tb_out" << n;
    out << "\n  );\n\n"
           "  stimulate: process\n"
           "    variable errors : natural := 0;\n"
           "    variable text : line;\n"
           "    procedure check(index : natural; step : natural; actual : std_logic_vector) is\n"
           "      variable vector : integer;\n"
           "      variable got : integer;\n"
           "    begin\n"
           "      vector := step - LATENCY(index);\n"
           "      if vector < 0 or vector >= VECTORS then\n"
           "        return;\n"
           "      end if;\n"
           "      got := to_integer(unsigned(actual));\n"
           "      if got /= EXPECTED(vector * OUTPUTS + index) then\n"
           "        errors := errors + 1;\n"
           "        write(text, string'(\"mismatch: vector \"));\n"
           "        write(text, vector);\n"
           "        write(text, string'(\" output \"));\n"
           "        write(text, index);\n"
           "        write(text, string'(\" expected \"));\n"
           "        write(text, EXPECTED(vector * OUTPUTS + index));\n"
           "        write(text, string'(\" got \"));\n"
           "        write(text, got);\n"
           "        writeline(output, text);\n"
           "      end if;\n"
           "    end procedure;\n"
           "  begin\n"
           "    for k in 1 to "
        << kResetClocks
        << " loop\n"
           "      CLK <= '0';\n      wait for 5 ns;\n      CLK <= '1';\n      wait for 5 ns;\n"
           "    end loop;\n"
           "    RESET <= '0';\n"
           "    for step in 0 to VECTORS + "
        << shape.longestLatency
        << " - 1 loop\n"
           "      CLK <= '0';\n"
           "      if step < VECTORS then\n";
    for (std::size_t n = 0; n < inputs; ++n) {
        out << "        tb_in" << n << " <= std_logic_vector(to_unsigned(STIMULI(step * INPUTS + " << n
            << ") mod 2**DATA_WIDTH, DATA_WIDTH));\n";
    }
    out << "      end if;\n      wait for 5 ns;\n";
    for (std::size_t n = 0; n < outputs; ++n)
        out << "      check(" << n << ", step, tb_out" << n << ");\n";
    out << "      CLK <= '1';\n      wait for 5 ns;\n"
           "    end loop;\n"
           "    if errors = 0 then\n"
           "      write(text, string'(\"PASS\"));\n"
           "      writeline(output, text);\n"
           "    else\n"
           "      write(text, string'(\"mismatches: \"));\n"
           "      write(text, errors);\n"
           "      writeline(output, text);\n"
           "      write(text, string'(\"FAIL\"));\n"
           "      writeline(output, text);\n"
           "      report \"FAIL\" severity failure;\n"
           "    end if;\n"
           "    wait;\n"
           "  end process;\n"
           "end architecture;\n";
}

// Values as 32 bits: the most negative one has no decimal literal of its own.
void verilogTable(BufferedSink& out, const char* name, const std::vector<std::int32_t>& values,
                  std::size_t count) {
    for (std::size_t k = 0; k < count; ++k) {
        out << (k % kNumbersPerLine == 0 ? "    " : " ") << name << "[" << k << "] = ";
        if (values[k] < 0) {
            out << "-32'sd" << -static_cast<std::int64_t>(values[k]);
        } else {
            out << values[k];
        }
        out << ";" << ((k + 1) % kNumbersPerLine == 0 || k + 1 == count ? "\n" : "");
    }
}

void writeVerilog(BufferedSink& out, const Chromosome& circuit, const TestVectors& vectors,
                  const std::string& chromosomeFileName) {
    const BenchShape shape = benchShape(circuit, vectors);
    const auto inputs = static_cast<std::size_t>(shape.inputs);
    const auto outputs = static_cast<std::size_t>(shape.outputs);
    const auto rows = [](std::size_t count) { return std::max<std::size_t>(count, 1) - 1; };
    out << header("//", vectors, chromosomeFileName);
    out << "`timescale 1ns / 1ps\n"
           "module filter_tb;\n"
           "  localparam DATA_WIDTH = 8;\n"
           "  localparam VECTORS = "
        << shape.vectors << ";\n  localparam INPUTS = " << shape.inputs
        << ";\n  localparam OUTPUTS = " << shape.outputs << ";\n  localparam STEPS = VECTORS + "
        << shape.longestLatency
        << ";\n"
           "  // Input n of vector j at j * INPUTS + n, output n at j * OUTPUTS + n.\n"
           "  reg signed [31:0] stimuli [0:"
        << rows(shape.vectors * inputs)
        << "];\n  reg signed [31:0] expected [0:" << rows(shape.vectors * outputs)
        << "];\n"
           "  // The clocks from a vector to the outputs that show it: the column of each output's source.\n"
           "  integer latency [0:"
        << rows(outputs) << "];\n  reg RESET = 1'b1;\n  reg CLK = 1'b0;\n";
    for (std::size_t n = 0; n < inputs; ++n)
        out << "  reg [DATA_WIDTH-1:0] tb_in" << n << " = {DATA_WIDTH{1'b0}};\n";
    for (std::size_t n = 0; n < outputs; ++n)
        out << "  wire [DATA_WIDTH-1:0] tb_out" << n << ";\n";
    out << "  integer step;\n  integer errors;\n\n"
           "  filter #(.DATA_WIDTH(DATA_WIDTH)) dut (\n"
           "    .RESET(RESET),\n    .CLK(CLK)";
    for (std::size_t n = 0; n < inputs; ++n)
        out << ",\n    .sig_in" << n << "(tb_in" << n << ")";
    for (std::size_t n = 0; n < outputs; ++n)
        out << ",\n    .sig_out" << n << "(tb_out" << n << ")";
    out << "\n  );\n\n"
           "  task check(input integer index, input [DATA_WIDTH-1:0] actual);\n"
           "    integer vector;\n"
           "    begin\n"
           "      vector = step - latency[index];\n"
           "      if (vector >= 0 && vector < VECTORS) begin\n"
           "        if ($signed({1'b0, actual}) != expected[vector * OUTPUTS + index]) begin\n"
           "          errors = errors + 1;\n"
           "          $display(\"mismatch: vector %0d output %0d expected %0d got %0d\", vector, index,\n"
           "                   expected[vector * OUTPUTS + index], actual);\n"
           "        end\n"
           "      end\n"
           "    end\n"
           "  endtask\n\n"
           "  initial begin\n";
    verilogTable(out, "stimuli", vectors.inputs, shape.vectors * inputs);
    verilogTable(out, "expected", vectors.expected, shape.vectors * outputs);
    verilogTable(out, "latency", shape.latencies, outputs);
    out << "    errors = 0;\n"
           "    repeat ("
        << kResetClocks
        << ") begin\n"
           "      CLK = 1'b0;\n      #5;\n      CLK = 1'b1;\n      #5;\n"
           "    end\n"
           "    RESET = 1'b0;\n"
           "    for (step = 0; step < STEPS; step = step + 1) begin\n"
           "      CLK = 1'b0;\n"
           "      if (step < VECTORS) begin\n";
    for (std::size_t n = 0; n < inputs; ++n)
        out << "        tb_in" << n << " = stimuli[step * INPUTS + " << n << "][DATA_WIDTH-1:0];\n";
    out << "      end\n      #5;\n";
    for (std::size_t n = 0; n < outputs; ++n)
        out << "      check(" << n << ", tb_out" << n << ");\n";
    out << "      CLK = 1'b1;\n      #5;\n"
           "    end\n"
           "    if (errors == 0) begin\n"
           "      $display(\"PASS\");\n"
           "    end else begin\n"
           "      $display(\"mismatches: %0d\", errors);\n"
           "      $display(\"FAIL\");\n"
           "      $fatal(1, \"FAIL\");\n"
           "    end\n"
           "  end\n"
           "endmodule\n";
}

}  // namespace

void writeVhdlTestbench(const ByteSink& sink, const Chromosome& circuit, const TestVectors& vectors,
                        const std::string& chromosomeFileName) {
    BufferedSink out(sink);
    writeVhdl(out, circuit, vectors, chromosomeFileName);
    out.finish();
}

void writeVerilogTestbench(const ByteSink& sink, const Chromosome& circuit, const TestVectors& vectors,
                           const std::string& chromosomeFileName) {
    BufferedSink out(sink);
    writeVerilog(out, circuit, vectors, chromosomeFileName);
    out.finish();
}

std::string buildVhdlTestbench(const Chromosome& circuit, const TestVectors& vectors,
                               const std::string& chromosomeFileName) {
    return collectText(
        [&](const ByteSink& sink) { writeVhdlTestbench(sink, circuit, vectors, chromosomeFileName); });
}

std::string buildVerilogTestbench(const Chromosome& circuit, const TestVectors& vectors,
                                  const std::string& chromosomeFileName) {
    return collectText(
        [&](const ByteSink& sink) { writeVerilogTestbench(sink, circuit, vectors, chromosomeFileName); });
}

}  // namespace pellisor

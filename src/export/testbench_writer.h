#pragma once

#include "eval/test_vectors.h"
#include "model/chromosome.h"
#include "model/file_io.h"

#include <string>

namespace pellisor {

// Testbenches (entity and module `filter_tb`) of the filter that writeVhdlText and writeVerilogText
// write for the circuit, at DATA_WIDTH 8. After two clocks of reset they apply one vector per clock,
// each input modulo 2^8, and compare every output with the expected value of the vector it shows:
// an output whose source lies in column c (a primary input: 0) shows the vector of c clocks before.
// Every mismatch prints a line; the last line the testbench prints is PASS or FAIL, and a failure then
// ends the simulation with an error (severity failure, $fatal). An expected value outside 0 ... 255
// can never be met and counts as a mismatch.
void writeVhdlTestbench(const ByteSink& sink, const Chromosome& circuit, const TestVectors& vectors,
                        const std::string& chromosomeFileName);
void writeVerilogTestbench(const ByteSink& sink, const Chromosome& circuit, const TestVectors& vectors,
                           const std::string& chromosomeFileName);

std::string buildVhdlTestbench(const Chromosome& circuit, const TestVectors& vectors,
                               const std::string& chromosomeFileName);
std::string buildVerilogTestbench(const Chromosome& circuit, const TestVectors& vectors,
                                  const std::string& chromosomeFileName);

}  // namespace pellisor

#pragma once

#include "eval/function_assignment.h"
#include "model/chromosome.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace pellisor {

// Input vectors and what the evaluator computes for them, for testbenches.
struct TestVectors {
    std::int32_t inputCount = 0;
    std::int32_t outputCount = 0;
    std::vector<std::int32_t> inputs;    // input n of vector j at j * inputCount + n
    std::vector<std::int32_t> expected;  // output n of vector j at j * outputCount + n
    std::string origin;                  // where the vectors come from, for a comment

    std::size_t size() const {
        return inputCount > 0 ? inputs.size() / static_cast<std::size_t>(inputCount)
                              : expected.size() / static_cast<std::size_t>(std::max(outputCount, 1));
    }
};

inline constexpr std::size_t kRandomTestVectors = 1000;
inline constexpr std::uint32_t kTestVectorSeed = 2463534242U;

// `count` vectors of values 0 ... 255 from a 32-bit xorshift generator (x ^= x << 13; x ^= x >> 17;
// x ^= x << 5) started at kTestVectorSeed: each input takes the low 8 bits of the next number, inputs
// in order, vector after vector. The expected values come from the plain evaluator on a copy of the
// circuit, vector after vector, so values a circuit keeps from one evaluation to the next carry over
// as in any run. Evaluation errors pass on.
TestVectors randomTestVectors(const Chromosome& circuit, const FunctionAssignment& assignment,
                              std::size_t count = kRandomTestVectors);

// The vectors a test script evaluates, as the script run of "-s" evaluates them: the inputs at each
// evaluation and the outputs it gives, from a copy of the circuit. Script errors pass on.
TestVectors scriptTestVectors(const std::string& scriptPath, const Chromosome& circuit,
                              const FunctionAssignment& assignment, const std::string& description);

}  // namespace pellisor

#pragma once

#include "eval/function_assignment.h"
#include "model/chromosome.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string_view>
#include <vector>

namespace pellisor {

// What an approximate circuit is compared with. Arithmetic operations take two operands as bits (the
// first primary inputs, operand by operand, least significant bit first; further inputs are 0) and read
// the result from bit 0 of the first outputs, least significant first: max(wa, wb) + 1 of them for add
// and sub, wa + wb for mul. The exact results are a + b, a * b and a - b; the circuit's difference is
// read as two's complement over its max(wa, wb) + 1 bits. Word operations take every primary input as
// one value in 0..255 and compare the low byte of output 0 (as the filter takes it) with the median
// (the lower middle value for an even count), the minimum, the maximum or the mean rounded down.
enum class ErrorOperation { Add, Sub, Mul, Median, Min, Max, Mean };

// The widest operand of an arithmetic operation, so that every result fits 62 bits.
inline constexpr std::int32_t kMostOperandBits = 31;

struct ErrorSettings {
    ErrorOperation operation = ErrorOperation::Add;
    std::vector<std::int32_t> widths;  // operand widths in bits; empty for word operations
    std::uint64_t seed = 1;            // for sampled runs
};

// "add", "sub", "mul", "median", "min", "max", "mean"; nothing for any other name.
std::optional<ErrorOperation> errorOperationNamed(std::string_view name);
std::string_view errorOperationName(ErrorOperation operation);
bool isWordOperation(ErrorOperation operation);

// Error statistics with e = circuit - exact, as integers.
struct ErrorFigures {
    std::int64_t vectors = 0;
    bool exhaustive = false;
    double mae = 0.0;                                // mean |e|
    std::int64_t wce = 0;                            // max |e|
    double ep = 0.0;                                 // percent of vectors with e != 0
    double mre = 0.0;                                // percent mean of |e| / max(1, |exact|)
    double mse = 0.0;                                // mean e^2
    double wcre = 0.0;                               // percent max of |e| / max(1, |exact|)
    std::map<std::int64_t, std::int64_t> histogram;  // count by e
};

// Exhaustive when all operand bits together are at most 24 (vector v has a = v's low wa bits, b the
// next wb), else a seeded uniform sample of 2^24 vectors (vector v: a from draw 2v, b from draw 2v + 1
// of sampleDraw, each the draw's top bits); word operations use a seeded sample of 2^20 vectors (input
// k of vector v: the top byte of draw v * inputs + k). Runs through the compiled evaluator, on all
// cores; a circuit it does not take runs through the plain evaluator, vector after vector. Raises an
// Error when the circuit does not fit the operation (too few inputs or outputs, bad widths) or cannot
// be evaluated.
ErrorFigures measureError(const Chromosome& circuit, const FunctionAssignment& assignment,
                          const ErrorSettings& settings);

}  // namespace pellisor

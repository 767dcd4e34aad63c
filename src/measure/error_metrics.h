#pragma once

#include "eval/function_assignment.h"
#include "model/chromosome.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string_view>
#include <vector>

namespace pellisor {

// What an approximate circuit is compared with. Arithmetic operations take operands as bits (the first
// primary inputs, operand by operand, least significant bit first; the outputs are the result's bits,
// least significant first); word operations take every primary input as one value in 0..255 and
// compare output 0.
enum class ErrorOperation { Add, Sub, Mul, Median, Min, Max, Mean };

struct ErrorSpec {
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

// Exhaustive when all operand bits together are at most 24, else a seeded uniform sample of 2^24
// vectors; word operations use a seeded sample of 2^20 vectors. Raises an Error when the circuit does
// not fit the operation (too few inputs or outputs).
ErrorFigures measureError(const Chromosome& circuit, const FunctionAssignment& assignment,
                          const ErrorSpec& spec);

}  // namespace pellisor

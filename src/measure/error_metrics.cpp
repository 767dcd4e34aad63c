#include "measure/error_metrics.h"

#include "measure/error_tally.h"
#include "measure/sample_generator.h"
#include "measure/vector_runner.h"
#include "model/error.h"

#include <algorithm>
#include <array>
#include <string>

namespace pellisor {

namespace {

constexpr std::array<std::string_view, 7> kOperationNames{"add", "sub", "mul", "median",
                                                          "min", "max", "mean"};

// Arithmetic runs: exhaustive up to this many operand bits, else this many sampled vectors.
constexpr std::int32_t kMostExhaustiveBits = 24;
constexpr std::int64_t kSampledVectors = std::int64_t{1} << 24;
// Word runs: always this many sampled vectors.
constexpr std::int64_t kWordVectors = std::int64_t{1} << 20;
// Vectors per chunk of work handed to a thread.
constexpr std::int64_t kChunkVectors = std::int64_t{1} << 16;

std::string operationText(const ErrorSettings& settings) {
    std::string text(errorOperationName(settings.operation));
    for (std::size_t k = 0; k < settings.widths.size(); ++k)
        text += (k == 0 ? ":" : ",") + std::to_string(settings.widths[k]);
    return text;
}

// What an arithmetic operation reads and writes, in bits.
struct ArithmeticShape {
    std::int32_t widthA = 0;
    std::int32_t widthB = 0;
    std::int32_t resultBits = 0;
};

ArithmeticShape arithmeticShape(const ErrorSettings& settings) {
    const std::string name(errorOperationName(settings.operation));
    if (settings.widths.size() != 2) {
        throw Error("Operace " + name + " potřebuje šířky dvou operandů, například " + name + ":8,8");
    }
    for (const std::int32_t width : settings.widths) {
        if (width < 1 || width > kMostOperandBits) {
            throw Error("Šířka operandu musí být 1 až " + std::to_string(kMostOperandBits) + " bitů, ne " +
                        std::to_string(width));
        }
    }
    ArithmeticShape shape{settings.widths[0], settings.widths[1], 0};
    shape.resultBits = settings.operation == ErrorOperation::Mul ? shape.widthA + shape.widthB
                                                                 : std::max(shape.widthA, shape.widthB) + 1;
    return shape;
}

void requireEntries(const Chromosome& circuit, const ErrorSettings& settings, std::int32_t inputs,
                    std::int32_t outputs) {
    if (!circuit.hasConsistentCircuit()) throw Error("Chybu obvodu nelze změřit: není načten žádný obvod");
    auto refuse = [&](const char* what, std::int32_t has, std::int32_t needs) {
        throw Error("Obvod má " + std::to_string(has) + " " + what + ", operace " + operationText(settings) +
                    " potřebuje alespoň " + std::to_string(needs));
    };
    if (circuit.inputCount < inputs) refuse("vstupů", circuit.inputCount, inputs);
    if (circuit.outputCount < outputs) refuse("výstupů", circuit.outputCount, outputs);
}

// The exact result of an arithmetic operation; a difference as the two's complement it is.
std::int64_t exactArithmetic(ErrorOperation operation, std::int64_t a, std::int64_t b) {
    switch (operation) {
        case ErrorOperation::Sub:
            return a - b;
        case ErrorOperation::Mul:
            return a * b;
        default:
            return a + b;
    }
}

// The circuit's result bits as a number: a difference reads them as two's complement.
std::int64_t circuitResult(ErrorOperation operation, std::uint64_t bits, std::int32_t resultBits) {
    if (operation == ErrorOperation::Sub && ((bits >> (resultBits - 1)) & 1) != 0) {
        return static_cast<std::int64_t>(bits) - (std::int64_t{1} << resultBits);
    }
    return static_cast<std::int64_t>(bits);
}

ErrorFigures measureArithmetic(const Chromosome& circuit, const FunctionAssignment& assignment,
                               const ErrorSettings& settings) {
    const ArithmeticShape shape = arithmeticShape(settings);
    requireEntries(circuit, settings, shape.widthA + shape.widthB, shape.resultBits);
    const VectorRunner runner(circuit, assignment, VectorRunner::Kind::Bits, shape.resultBits);
    const bool exhaustive = shape.widthA + shape.widthB <= kMostExhaustiveBits;
    const std::int64_t vectors =
        exhaustive ? std::int64_t{1} << (shape.widthA + shape.widthB) : kSampledVectors;
    const auto chunks = static_cast<std::size_t>((vectors + kChunkVectors - 1) / kChunkVectors);
    const std::uint64_t maskA = (std::uint64_t{1} << shape.widthA) - 1;
    const std::uint64_t maskB = (std::uint64_t{1} << shape.widthB) - 1;

    ErrorTallies tallies(chunkWorkers(runner, chunks), chunks);
    forEachChunk(runner, chunks, [&](std::size_t chunk, std::size_t worker, VectorRunner::Scratch& scratch) {
        std::array<std::uint64_t, VectorRunner::kBatch> words{};
        std::array<std::uint64_t, VectorRunner::kBatch> results{};
        const std::int64_t first = static_cast<std::int64_t>(chunk) * kChunkVectors;
        const std::int64_t last = std::min(first + kChunkVectors, vectors);
        for (std::int64_t start = first; start < last; start += VectorRunner::kBatch) {
            const auto count =
                static_cast<std::size_t>(std::min<std::int64_t>(VectorRunner::kBatch, last - start));
            for (std::size_t i = 0; i < count; ++i) {
                const auto vector = static_cast<std::uint64_t>(start) + i;
                if (exhaustive) {
                    words[i] = vector;
                } else {
                    const std::uint64_t a = sampleDraw(settings.seed, 2 * vector) >> (64 - shape.widthA);
                    const std::uint64_t b = sampleDraw(settings.seed, 2 * vector + 1) >> (64 - shape.widthB);
                    words[i] = a | b << shape.widthA;
                }
            }
            runner.runBits(scratch, words.data(), count, results.data());
            for (std::size_t i = 0; i < count; ++i) {
                const auto a = static_cast<std::int64_t>(words[i] & maskA);
                const auto b = static_cast<std::int64_t>((words[i] >> shape.widthA) & maskB);
                const std::int64_t exact = exactArithmetic(settings.operation, a, b);
                tallies.add(worker, chunk, circuitResult(settings.operation, results[i], shape.resultBits),
                            exact);
            }
        }
    });
    return tallies.figures(vectors, exhaustive);
}

std::int64_t exactWord(ErrorOperation operation, std::uint8_t* values, std::size_t count) {
    switch (operation) {
        case ErrorOperation::Min:
            return *std::min_element(values, values + count);
        case ErrorOperation::Max:
            return *std::max_element(values, values + count);
        case ErrorOperation::Mean: {
            std::int64_t sum = 0;
            for (std::size_t k = 0; k < count; ++k)
                sum += values[k];
            return sum / static_cast<std::int64_t>(count);  // floor: the sum is never negative
        }
        default: {
            // The lower of the two middle values for an even count.
            std::uint8_t* middle = values + (count - 1) / 2;
            std::nth_element(values, middle, values + count);
            return *middle;
        }
    }
}

ErrorFigures measureWords(const Chromosome& circuit, const FunctionAssignment& assignment,
                          const ErrorSettings& settings) {
    if (!settings.widths.empty()) {
        throw Error("Operace " + std::string(errorOperationName(settings.operation)) +
                    " nemá šířky operandů: každý vstup je jedna hodnota 0 až 255");
    }
    requireEntries(circuit, settings, 1, 1);
    const VectorRunner runner(circuit, assignment, VectorRunner::Kind::Bytes, 1);
    const auto inputs = static_cast<std::size_t>(circuit.inputCount);
    const auto chunks = static_cast<std::size_t>(kWordVectors / kChunkVectors);

    ErrorTallies tallies(chunkWorkers(runner, chunks), chunks);
    forEachChunk(runner, chunks, [&](std::size_t chunk, std::size_t worker, VectorRunner::Scratch& scratch) {
        constexpr std::size_t kBatch = VectorRunner::kBatch;
        std::vector<std::uint8_t> lanes(inputs * kBatch);  // input k's bytes from k * kBatch on
        std::vector<const std::uint8_t*> inputLanes(inputs);
        for (std::size_t k = 0; k < inputs; ++k)
            inputLanes[k] = lanes.data() + k * kBatch;
        std::vector<std::uint8_t> values(inputs);
        std::array<std::uint8_t, kBatch> results{};
        const auto first = static_cast<std::uint64_t>(chunk) * kChunkVectors;
        for (std::uint64_t start = first; start < first + kChunkVectors; start += kBatch) {
            for (std::size_t i = 0; i < kBatch; ++i) {
                for (std::size_t k = 0; k < inputs; ++k) {
                    lanes[k * kBatch + i] =
                        static_cast<std::uint8_t>(sampleDraw(settings.seed, (start + i) * inputs + k) >> 56);
                }
            }
            runner.runBytes(scratch, inputLanes.data(), kBatch, results.data());
            for (std::size_t i = 0; i < kBatch; ++i) {
                for (std::size_t k = 0; k < inputs; ++k)
                    values[k] = lanes[k * kBatch + i];
                tallies.add(worker, chunk, results[i], exactWord(settings.operation, values.data(), inputs));
            }
        }
    });
    return tallies.figures(kWordVectors, false);
}

}  // namespace

std::optional<ErrorOperation> errorOperationNamed(std::string_view name) {
    for (std::size_t k = 0; k < kOperationNames.size(); ++k) {
        if (kOperationNames[k] == name) return static_cast<ErrorOperation>(k);
    }
    return std::nullopt;
}

std::string_view errorOperationName(ErrorOperation operation) {
    return kOperationNames[static_cast<std::size_t>(operation)];
}

bool isWordOperation(ErrorOperation operation) {
    return operation != ErrorOperation::Add && operation != ErrorOperation::Sub &&
           operation != ErrorOperation::Mul;
}

ErrorFigures measureError(const Chromosome& circuit, const FunctionAssignment& assignment,
                          const ErrorSettings& settings) {
    return isWordOperation(settings.operation) ? measureWords(circuit, assignment, settings)
                                               : measureArithmetic(circuit, assignment, settings);
}

}  // namespace pellisor

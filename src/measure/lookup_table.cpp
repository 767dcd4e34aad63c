#include "measure/lookup_table.h"

#include "measure/vector_runner.h"
#include "model/error.h"

#include <algorithm>
#include <array>

namespace pellisor {

std::vector<std::uint16_t> lookupTable(const Chromosome& circuit, const FunctionAssignment& assignment,
                                       std::int32_t widthA, std::int32_t widthB) {
    if (!circuit.hasConsistentCircuit()) throw Error("Tabulku obvodu nelze zapsat: není načten žádný obvod");
    const std::string shape = std::to_string(widthA) + "+" + std::to_string(widthB);
    if (widthA < 1 || widthB < 1 || widthA + widthB > kMostLookupBits) {
        throw Error("Tabulku obvodu nelze zapsat: operandy " + shape +
                    " bitů, tabulka bere dva operandy po " + "nejvýše " + std::to_string(kMostLookupBits) +
                    " bitech celkem");
    }
    if (circuit.inputCount < widthA + widthB) {
        throw Error("Tabulku obvodu nelze zapsat: operandy " + shape + " bitů potřebují " +
                    std::to_string(widthA + widthB) + " vstupů, obvod má " +
                    std::to_string(circuit.inputCount));
    }
    if (circuit.outputCount > kMostLookupBits) {
        throw Error("Tabulku obvodu nelze zapsat: obvod má " + std::to_string(circuit.outputCount) +
                    " výstupů, do 16 bitů se vejde nejvýše " + std::to_string(kMostLookupBits));
    }
    const VectorRunner runner(circuit, assignment, VectorRunner::Kind::Bits, circuit.outputCount);
    const std::size_t entries = std::size_t{1} << (widthA + widthB);
    const std::uint64_t maskB = (std::uint64_t{1} << widthB) - 1;
    std::vector<std::uint16_t> table(entries);
    // Vectors in input order (a in the low bits), entries in index order (b in the low bits).
    forEachChunk(runner, (entries + VectorRunner::kBatch - 1) / VectorRunner::kBatch,
                 [&](std::size_t chunk, std::size_t, VectorRunner::Scratch& scratch) {
                     std::array<std::uint64_t, VectorRunner::kBatch> words{};
                     std::array<std::uint64_t, VectorRunner::kBatch> results{};
                     const std::size_t first = chunk * VectorRunner::kBatch;
                     const std::size_t count = std::min(VectorRunner::kBatch, entries - first);
                     for (std::size_t i = 0; i < count; ++i)
                         words[i] = first + i;
                     runner.runBits(scratch, words.data(), count, results.data());
                     for (std::size_t i = 0; i < count; ++i) {
                         const std::uint64_t a = words[i] & ((std::uint64_t{1} << widthA) - 1);
                         const std::uint64_t b = (words[i] >> widthA) & maskB;
                         table[(a << widthB) | b] = static_cast<std::uint16_t>(results[i]);
                     }
                 });
    return table;
}

std::string lookupTableBytes(const std::vector<std::uint16_t>& table) {
    std::string bytes;
    bytes.reserve(table.size() * 2);
    for (const std::uint16_t value : table) {
        bytes.push_back(static_cast<char>(value & 0xFF));
        bytes.push_back(static_cast<char>(value >> 8));
    }
    return bytes;
}

}  // namespace pellisor

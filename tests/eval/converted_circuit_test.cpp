// Circuits of the gate-level and comparator dialects, converted and evaluated with our evaluator,
// against direct simulations of those dialects written here from their definitions.
#include "eval/evaluator.h"
#include "eval/function_assignment.h"
#include "eval/image_filter.h"
#include "model/cgp_file.h"
#include "model/cha_file.h"
#include "model/chromosome_parser.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>
#include <string>
#include <vector>

namespace pellisor {
namespace {

struct Group {
    std::vector<int> label;
    int a = 0;
    int b = 0;
    int f = 0;
};

struct DialectFile {
    std::vector<int> header;
    std::vector<Group> groups;
    std::vector<int> outputs;
};

// The file spelled with random white space and, at random, without labels.
std::string spelled(std::mt19937& rng, const DialectFile& file) {
    const char* kBlanks[] = {"", "", "", " ", "\n", "\t ", "\r\n"};
    auto list = [&](const std::vector<int>& values) {
        std::string text;
        for (std::size_t k = 0; k < values.size(); ++k)
            text += (k > 0 ? "," : "") + std::string(kBlanks[rng() % 7]) + std::to_string(values[k]);
        return text + kBlanks[rng() % 7];
    };
    const bool labels = rng() % 4 != 0;
    std::string text = "{" + list(file.header) + "}";
    for (const Group& group : file.groups)
        text += std::string(kBlanks[rng() % 7]) + "(" + (labels ? "[" + list(group.label) + "]" : "") +
                list({group.a, group.b, group.f}) + ")";
    return text + "\n(" + list(file.outputs) + ")";
}

Chromosome drawn(const ConvertedCircuit& converted, FunctionAssignment& assignment) {
    Chromosome circuit;
    parseChromosome(converted.line, ParseMode::Draw, circuit);
    for (const GeneFunction& gene : converted.functions.genes)
        assignment.assignGene(gene.gene, gene.identifier);
    return circuit;
}

// For random files: the converted circuit's outputs on random inputs below `valueLimit` equal those of
// `simulate`, which gives every entry of the file's index space from the input values.
void checkAgainstSimulation(
    std::mt19937& rng, const std::function<DialectFile()>& randomFile,
    ConvertedCircuit (*convert)(std::string_view), std::uint32_t valueLimit,
    const std::function<std::vector<int>(const DialectFile&, std::vector<int>)>& simulate) {
    for (int round = 0; round < 300; ++round) {
        const DialectFile file = randomFile();
        const std::string text = spelled(rng, file);
        FunctionAssignment assignment;
        Chromosome circuit = drawn(convert(text), assignment);
        for (int vector = 0; vector < 8; ++vector) {
            std::vector<int> inputs(static_cast<std::size_t>(file.header[0]));
            for (std::size_t i = 0; i < inputs.size(); ++i)
                circuit.blocks[i].value = inputs[i] = int(rng() % valueLimit);
            evaluate(circuit, assignment);
            const std::vector<int> entries = simulate(file, inputs);
            for (std::size_t k = 0; k < file.outputs.size(); ++k) {
                ASSERT_EQ(entries[std::size_t(file.outputs[k])],
                          circuit.blocks[std::size_t(circuit.firstOutput()) + k].value)
                    << text;
            }
        }
    }
}

TEST(ConvertedCircuit, GateLevelCircuitsComputeWhatTheirGatesSay) {
    std::mt19937 rng(14);
    const auto randomFile = [&] {
        DialectFile file;
        const int inputs = 1 + int(rng() % 8);
        const int gates = int(rng() % 40);
        for (int self = 2 + inputs; self < 2 + inputs + gates; ++self)  // reads earlier entries only
            file.groups.push_back({{self}, int(rng() % self), int(rng() % self), int(rng() % 10)});
        file.outputs.resize(1 + rng() % 6);
        for (int& output : file.outputs)
            output = int(rng() % (2 + inputs + gates));
        // Rows and columns of any factorisation describe the same gates.
        const int rows = gates % 2 == 0 && rng() % 2 ? 2 : 1;
        file.header = {inputs, int(file.outputs.size()), rows, gates / rows, 2, 1, gates};
        return file;
    };
    const auto simulate = [](const DialectFile& file, std::vector<int> inputs) {
        // Codes 0 ... 9 on a and b, indexed by a * 2 + b.
        constexpr int kGates[10][4] = {{0, 0, 1, 1}, {1, 1, 0, 0}, {0, 0, 0, 1}, {0, 1, 1, 1}, {0, 1, 1, 0},
                                       {1, 1, 1, 0}, {1, 0, 0, 0}, {1, 0, 0, 1}, {1, 1, 1, 1}, {0, 0, 0, 0}};
        std::vector<int> entries{0, 1};
        entries.insert(entries.end(), inputs.begin(), inputs.end());
        for (const Group& gate : file.groups)
            entries.push_back(
                kGates[gate.f][entries[std::size_t(gate.a)] * 2 + entries[std::size_t(gate.b)]]);
        return entries;
    };
    checkAgainstSimulation(rng, randomFile, convertCgpText, 2, simulate);
}

TEST(ConvertedCircuit, ComparatorNetworksComputeWhatTheirNodesSay) {
    std::mt19937 rng(15);
    const auto randomFile = [&] {
        DialectFile file;
        const int inputs = 1 + int(rng() % 10);
        const int nodes = 1 + int(rng() % 30);
        for (int p = inputs; p < inputs + 2 * nodes; p += 2)
            file.groups.push_back({{p, p + 1}, int(rng() % p), int(rng() % p), 1 + int(rng() % 2)});
        file.outputs.resize(1 + rng() % 5);
        for (int& output : file.outputs)
            output = int(rng() % (inputs + 2 * nodes));
        file.header = {inputs, int(file.outputs.size()), nodes, 1, 2, 2, nodes};
        return file;
    };
    const auto simulate = [](const DialectFile& file, std::vector<int> entries) {
        for (const Group& node : file.groups) {
            const int x = entries[std::size_t(node.a)];
            const int y = entries[std::size_t(node.b)];
            const int low = std::min(x, y);
            const int high = std::max(x, y);
            entries.push_back(node.f == 1 ? low : high);
            entries.push_back(node.f == 1 ? high : low);
        }
        return entries;
    };
    checkAgainstSimulation(rng, randomFile, convertChaText, 256, simulate);
}

TEST(ConvertedCircuit, ANineInputMedianNetworkFiltersAsA3x3Median) {
    // Odd-even transposition sort of nine wires; the middle wire is the median.
    std::vector<int> wire{0, 1, 2, 3, 4, 5, 6, 7, 8};
    std::string nodes;
    int next = 9;
    for (int round = 0; round < 9; ++round) {
        for (std::size_t i = round % 2; i + 1 < 9; i += 2, next += 2) {
            nodes += "([" + std::to_string(next) + "," + std::to_string(next + 1) + "]" +
                     std::to_string(wire[i]) + "," + std::to_string(wire[i + 1]) + ",1)";
            wire[i] = next;
            wire[i + 1] = next + 1;
        }
    }
    const std::string count = std::to_string((next - 9) / 2);
    FunctionAssignment assignment;
    Chromosome circuit =
        drawn(convertChaText("{9,1," + count + ",1,2,2,1}" + nodes + "(" + std::to_string(wire[4]) + ")"),
              assignment);

    std::mt19937 rng(16);
    RgbImage source{13, 9, std::vector<std::uint8_t>(13 * 9 * 3)};
    for (auto& byte : source.pixels)
        byte = std::uint8_t(rng());
    const RgbImage result = *filterImage3x3(circuit, assignment, source);
    for (std::int32_t y = 1; y + 1 < source.height; ++y) {
        for (std::size_t at = 3; at + 3 < source.stride(); ++at) {  // every channel of the inner pixels
            std::vector<std::uint8_t> window;
            for (int dy = -1; dy <= 1; ++dy) {
                for (const std::size_t column : {at - 3, at, at + 3})
                    window.push_back(source.row(y + dy)[column]);
            }
            std::nth_element(window.begin(), window.begin() + 4, window.end());
            ASSERT_EQ(window[4], result.row(y)[at]) << at << "," << y;
        }
    }
}

}  // namespace
}  // namespace pellisor

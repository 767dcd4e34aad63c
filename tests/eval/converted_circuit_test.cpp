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

// A file in one of the dialects, spelled with random white space and, at random, without labels.
std::string dialectText(std::mt19937& rng, const std::vector<int>& header, const std::vector<Group>& groups,
                        const std::vector<int>& outputs) {
    const char* kBlanks[] = {"", "", "", " ", "\n", "\t ", "\r\n"};
    auto blank = [&] { return std::string(kBlanks[rng() % std::size(kBlanks)]); };
    auto list = [&](const std::vector<int>& values) {
        std::string text;
        for (std::size_t k = 0; k < values.size(); ++k)
            text += (k > 0 ? "," : "") + blank() + std::to_string(values[k]) + blank();
        return text;
    };
    const bool labels = rng() % 4 != 0;
    std::string text = blank() + "{" + list(header) + "}";
    for (const Group& group : groups) {
        text += blank() + "(" + blank();
        if (labels) text += "[" + list(group.label) + "]";
        text += list({group.a, group.b, group.f}) + ")";
    }
    return text + blank() + "(" + list(outputs) + ")" + blank();
}

// The converted circuit evaluated on the given primary input values.
std::vector<std::int32_t> evaluated(const ConvertedCircuit& converted,
                                    const std::vector<std::int32_t>& inputs) {
    Chromosome circuit;
    parseChromosome(converted.line, ParseMode::Draw, circuit);
    FunctionAssignment assignment;
    for (const GeneFunction& gene : converted.functions.genes)
        assignment.assignGene(gene.gene, gene.identifier);
    for (std::size_t i = 0; i < inputs.size(); ++i)
        circuit.blocks[i].value = inputs[i];
    evaluate(circuit, assignment);
    std::vector<std::int32_t> outputs;
    for (std::int32_t i = circuit.firstOutput(); i < circuit.blockTotal(); ++i)
        outputs.push_back(circuit.blocks[std::size_t(i)].value);
    return outputs;
}

int gateValue(int code, int a, int b) {
    switch (code) {
        case 0:
            return a;
        case 1:
            return 1 - a;
        case 2:
            return a & b;
        case 3:
            return a | b;
        case 4:
            return a ^ b;
        case 5:
            return 1 - (a & b);
        case 6:
            return 1 - (a | b);
        case 7:
            return 1 - (a ^ b);
        case 8:
            return 1;
        default:
            return 0;
    }
}

TEST(ConvertedCircuit, GateLevelCircuitsComputeWhatTheirGatesSay) {
    std::mt19937 rng(14);
    for (int round = 0; round < 300; ++round) {
        const int inputs = 1 + int(rng() % 8);
        const int gates = int(rng() % 40);
        std::vector<Group> groups;
        for (int k = 0; k < gates; ++k) {
            const int self = 2 + inputs + k;  // reads the constants, the inputs and earlier gates
            groups.push_back({{self}, int(rng() % self), int(rng() % self), int(rng() % 10)});
        }
        std::vector<int> outputs(1 + rng() % 6);
        for (int& output : outputs)
            output = int(rng() % (2 + inputs + gates));
        // Rows and columns of any factorisation describe the same gates.
        const int rows = gates > 0 && gates % 2 == 0 && rng() % 2 ? 2 : 1;
        const std::string text =
            dialectText(rng, {inputs, int(outputs.size()), rows, gates / rows, 2, 1, gates}, groups, outputs);
        const ConvertedCircuit converted = convertCgpText(text);

        for (int vector = 0; vector < 8; ++vector) {
            std::vector<std::int32_t> bits(static_cast<std::size_t>(inputs));
            for (auto& bit : bits)
                bit = std::int32_t(rng() % 2);
            std::vector<int> values{0, 1};
            values.insert(values.end(), bits.begin(), bits.end());
            for (const Group& gate : groups)
                values.push_back(gateValue(gate.f, values[std::size_t(gate.a)], values[std::size_t(gate.b)]));
            std::vector<std::int32_t> expected;
            for (const int output : outputs)
                expected.push_back(values[std::size_t(output)]);
            ASSERT_EQ(expected, evaluated(converted, bits)) << text;
        }
    }
}

TEST(ConvertedCircuit, ComparatorNetworksComputeWhatTheirNodesSay) {
    std::mt19937 rng(15);
    for (int round = 0; round < 300; ++round) {
        const int inputs = 1 + int(rng() % 10);
        const int nodes = 1 + int(rng() % 30);
        std::vector<Group> groups;
        for (int n = 0; n < nodes; ++n) {
            const int p = inputs + 2 * n;
            groups.push_back({{p, p + 1}, int(rng() % p), int(rng() % p), 1 + int(rng() % 2)});
        }
        std::vector<int> outputs(1 + rng() % 5);
        for (int& output : outputs)
            output = int(rng() % (inputs + 2 * nodes));
        const std::string text =
            dialectText(rng, {inputs, int(outputs.size()), nodes, 1, 2, 2, nodes}, groups, outputs);
        const ConvertedCircuit converted = convertChaText(text);

        for (int vector = 0; vector < 8; ++vector) {
            std::vector<std::int32_t> bytes(static_cast<std::size_t>(inputs));
            for (auto& byte : bytes)
                byte = std::int32_t(rng() % 256);
            std::vector<int> values(bytes.begin(), bytes.end());
            for (const Group& node : groups) {
                const int low = std::min(values[std::size_t(node.a)], values[std::size_t(node.b)]);
                const int high = std::max(values[std::size_t(node.a)], values[std::size_t(node.b)]);
                values.push_back(node.f == 1 ? low : high);
                values.push_back(node.f == 1 ? high : low);
            }
            std::vector<std::int32_t> expected;
            for (const int output : outputs)
                expected.push_back(values[std::size_t(output)]);
            ASSERT_EQ(expected, evaluated(converted, bytes)) << text;
        }
    }
}

TEST(ConvertedCircuit, ANineInputMedianNetworkFiltersAsA3x3Median) {
    // Odd-even transposition sort of nine wires; the middle wire is the median.
    std::vector<int> wire{0, 1, 2, 3, 4, 5, 6, 7, 8};
    std::string nodes;
    int next = 9;
    for (int round = 0; round < 9; ++round) {
        for (int i = round % 2; i + 1 < 9; i += 2) {
            nodes += "([" + std::to_string(next) + "," + std::to_string(next + 1) + "]" +
                     std::to_string(wire[std::size_t(i)]) + "," + std::to_string(wire[std::size_t(i + 1)]) +
                     ",1)";
            wire[std::size_t(i)] = next;
            wire[std::size_t(i + 1)] = next + 1;
            next += 2;
        }
    }
    const int count = (next - 9) / 2;
    const ConvertedCircuit converted = convertChaText("{9,1," + std::to_string(count) + ",1,2,2,1}" + nodes +
                                                      "(" + std::to_string(wire[4]) + ")");
    Chromosome circuit;
    parseChromosome(converted.line, ParseMode::Draw, circuit);
    FunctionAssignment assignment;
    for (const GeneFunction& gene : converted.functions.genes)
        assignment.assignGene(gene.gene, gene.identifier);

    std::mt19937 rng(16);
    RgbImage source{13, 9, {}};
    source.pixels.resize(source.stride() * 9);
    for (auto& byte : source.pixels)
        byte = std::uint8_t(rng());
    const RgbImage result = *filterImage3x3(circuit, assignment, source);
    for (std::int32_t y = 1; y + 1 < source.height; ++y) {
        for (std::int32_t x = 1; x + 1 < source.width; ++x) {
            for (std::size_t channel = 0; channel < 3; ++channel) {
                std::vector<std::uint8_t> window;
                for (int dy = -1; dy <= 1; ++dy) {
                    for (int dx = -1; dx <= 1; ++dx)
                        window.push_back(source.row(y + dy)[std::size_t(x + dx) * 3 + channel]);
                }
                std::nth_element(window.begin(), window.begin() + 4, window.end());
                ASSERT_EQ(window[4], result.row(y)[std::size_t(x) * 3 + channel]) << x << "," << y;
            }
        }
    }
}

}  // namespace
}  // namespace pellisor

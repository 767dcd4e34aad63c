// End-to-end proofs over the shipped gate-level (.cgp) and compare-and-swap (.cha) examples: every
// adder and multiplier gives a+b or a*b for all 65,536 operand pairs in one script run, the median
// network filters a random picture exactly like a median computed here, and each example's script
// prints the results its comments promise.

#include "cli/cli_fixture.h"
#include "export/bmp_writer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <iterator>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace pellisor {
namespace {

using namespace cli;

// The constants of the file become blocks, so operand bit k is primary input k: a0..a7, then b0..b7.
constexpr int kFirstOperand = 0;
constexpr int kOperandBits = 16;

std::vector<std::string> split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::istringstream stream(text);
    for (std::string part; std::getline(stream, part, separator);)
        parts.push_back(part);
    if (!text.empty() && text.back() == separator) parts.emplace_back();
    return parts;
}

struct Example {
    const char* circuit;
    const char* script;
    char function;  // '+', '*' or 'm' (median)
};
void PrintTo(const Example& example, std::ostream* out) {
    *out << example.circuit;
}

class Dialects : public Cli, public ::testing::WithParamInterface<Example> {};
class Arithmetic : public Dialects {};

TEST_P(Arithmetic, IsExactOnEveryOperandPair) {
    const Example example = GetParam();
    // Operand pair k = a + 256 b; each vector assigns only the bits that differ from the last one.
    std::string script = "i";
    for (int bit = 0; bit < kOperandBits; ++bit)
        script += " " + std::to_string(kFirstOperand + bit);
    script += "\n";
    for (int pair = 0; pair < 65536; ++pair) {
        const int changed = pair == 0 ? 0xFFFF : pair ^ (pair - 1);
        std::string line;
        for (int bit = 0; bit < kOperandBits; ++bit)
            if (changed >> bit & 1)
                line += std::to_string(kFirstOperand + bit) + ":" + std::to_string(pair >> bit & 1) + " ";
        line.back() = '\n';
        script += line;
    }
    writeBytes(workFile("all.csd"), script);
    const std::string name = example.circuit;
    const Outcome result = run({name + ".cgp", "all.csd", "-s", "-x"});
    ASSERT_EQ(0, result.status) << result.err;

    const std::vector<std::string> lines = split(readBytes(workFile(name + ".tst")), '\n');
    ASSERT_EQ(65536u + 2, lines.size());  // the header, the results, and the empty text after the last LF
    int wrong = 0;
    for (int pair = 0; pair < 65536; ++pair) {
        const std::vector<std::string> fields = split(lines[std::size_t(pair) + 1], '\t');
        const int outputs = example.function == '+' ? 9 : 16;
        ASSERT_EQ(std::size_t(kOperandBits + 1 + outputs), fields.size()) << lines[std::size_t(pair) + 1];
        int operands = 0;
        int value = 0;
        for (int bit = 0; bit < kOperandBits; ++bit)
            operands |= std::stoi(fields[std::size_t(bit)]) << bit;
        for (int bit = 0; bit < outputs; ++bit) {
            const std::string& field = fields[std::size_t(kOperandBits + 1 + bit)];
            ASSERT_TRUE(field == "0" || field == "1") << "output " << bit << " of pair " << pair;
            value |= (field[0] - '0') << bit;
        }
        ASSERT_EQ(pair, operands) << "the vectors were applied out of order";
        const int a = pair & 0xFF;
        const int b = pair >> 8;
        const int expected = example.function == '+' ? a + b : a * b;
        if (value != expected && ++wrong <= 5)
            ADD_FAILURE() << name << ": " << a << example.function << b << " gave " << value;
    }
    EXPECT_EQ(0, wrong);
}

// Each vector line of a shipped script follows a comment ending in "= expected", and the last column
// of its result line is that expected value.
TEST_P(Dialects, ShippedScriptPrintsWhatItsCommentsExpect) {
    const Example example = GetParam();
    const std::string extension = example.function == 'm' ? ".cha" : ".cgp";
    const Outcome result = run({example.circuit + extension, example.script, "-s", "-x"});
    ASSERT_EQ(0, result.status) << result.err;
    std::vector<std::string> expected;
    const std::vector<std::string> script = split(readBytes(workFile(example.script)), '\n');
    for (std::size_t k = 1; k < script.size(); ++k)
        if (!script[k].empty() && std::isdigit(static_cast<unsigned char>(script[k][0])))
            expected.push_back(script[k - 1].substr(script[k - 1].rfind("= ") + 2));
    const std::vector<std::string> lines =
        split(readBytes(workFile(example.circuit + std::string(".tst"))), '\n');
    ASSERT_EQ(expected.size() + 2, lines.size());
    for (std::size_t k = 0; k < expected.size(); ++k)
        EXPECT_EQ(expected[k], split(lines[k + 1], '\t').back()) << lines[k + 1];
}

// The median network comes last: the arithmetic proof takes all but it.
const Example kExamples[] = {{"adder_rca8", "adder8.csb", '+'},      {"adder_cla8", "adder8.csb", '+'},
                             {"adder_ks8", "adder8.csb", '+'},       {"adder_nand8", "adder8.csb", '+'},
                             {"adder_allcodes8", "adder8.csb", '+'}, {"mul_array8", "mul8.csb", '*'},
                             {"mul_tree8", "mul8.csb", '*'},         {"median9", "median9.csd", 'm'}};
const auto kName = [](const auto& info) { return std::string(info.param.circuit); };
INSTANTIATE_TEST_SUITE_P(Examples, Arithmetic,
                         ::testing::ValuesIn(std::begin(kExamples), std::end(kExamples) - 1), kName);
INSTANTIATE_TEST_SUITE_P(Examples, Dialects, ::testing::ValuesIn(kExamples), kName);

TEST_F(Cli, TheMedianNetworkFiltersLikeAnExactMedian) {
    // Odd sizes (rows padded), full-range noise above and a narrow range with many ties below.
    RgbImage picture = *RgbImage::blank(37, 23);
    std::mt19937 random(9);
    for (std::int32_t y = 0; y < picture.height; ++y)
        for (std::int32_t x = 0; x < 3 * picture.width; ++x)
            picture.row(y)[x] = std::uint8_t(y < 12 ? random() % 256 : 100 + random() % 3);
    writeBmpFile(workFile("noise.bmp"), picture);
    const Outcome result = run({"median9.cha", "-f:noise.bmp", "-x"});
    ASSERT_EQ(0, result.status) << result.err;

    const Bitmap filtered(readBytes(workFile("median9.flt.bmp")));
    ASSERT_EQ(picture.width, filtered.width);
    ASSERT_EQ(picture.height, filtered.height);
    for (std::int32_t y = 0; y < picture.height; ++y) {
        for (std::int32_t x = 0; x < picture.width; ++x) {
            std::uint32_t expected = 0xFF0000;  // the frame
            const bool inside = x > 0 && y > 0 && x < picture.width - 1 && y < picture.height - 1;
            for (int channel = 0; inside && channel < 3; ++channel) {
                std::vector<std::uint8_t> around;
                for (int k = 0; k < 9; ++k)
                    around.push_back(picture.row(y + k / 3 - 1)[3 * (x + k % 3 - 1) + channel]);
                std::nth_element(around.begin(), around.begin() + 4, around.end());
                expected = (channel == 0 ? 0 : expected << 8) | around[4];
            }
            ASSERT_EQ(expected, filtered.rgb(x, y)) << "at " << x << "," << y;
        }
    }
}

}  // namespace
}  // namespace pellisor

#include "export/eps_writer.h"

#include "app/settings.h"
#include "render/geometry.h"
#include "support/random_circuit.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

namespace pellisor {
namespace {

using test::TempDir;

constexpr const char* kGs = "gs -dSAFER -dBATCH -dNOPAUSE -dQUIET ";

// Texts that a careless writer would turn into broken PostScript.
const std::array<std::string, 9> kNastyTexts{
    "in (1)", "a\\b", ")(", "((", "\\", " blank inside ", "%not a comment", "x\ny", "end\\)",
};

std::int32_t between(std::mt19937& rng, std::int32_t low, std::int32_t high) {
    return std::uniform_int_distribution<std::int32_t>(low, high)(rng);
}

std::string nasty(std::mt19937& rng) {
    return kNastyTexts[static_cast<std::size_t>(between(rng, 0, 8))];
}

// Labels with parentheses, backslashes and blanks for every function, and for genes without a row.
std::string settingsText() {
    std::string text = "[DOT]\nf_label=no (row\n";
    for (int id = 0; id <= 51; ++id) {
        if (id % 4 == 3) continue;  // some functions have no label
        text +=
            "f" + std::to_string(id) + "_label=" + std::to_string(id) + (id % 2 ? " (a\\b" : ")x(") + "\n";
    }
    return text;
}

struct Sample {
    Chromosome circuit;
    std::string eps;
};

Sample randomSample(std::mt19937& rng, std::int32_t arity, const SettingsFile& settings) {
    test::CircuitShape shape = test::randomShape(rng);
    shape.arity = arity;
    Sample sample;
    Chromosome& circuit = sample.circuit;
    circuit = test::randomCircuit(rng, shape, between(rng, 0, 4) > 0, 35);

    SpacingTexts spacings = defaultSpacingTexts();
    if (between(rng, 0, 3) == 0) {
        for (std::string& text : spacings)
            text = std::to_string(between(rng, -120, 200));
    }
    placeOnGrid(circuit, spacings);
    for (Block& block : circuit.blocks)
        block.visible = between(rng, 0, 3) > 0;
    for (std::int32_t n = between(rng, 0, circuit.inputCount); n > 0; --n)
        circuit.inputNames.push_back(nasty(rng));
    for (std::int32_t n = between(rng, 0, circuit.outputCount); n > 0; --n) {
        circuit.outputNames.push_back(nasty(rng));
    }

    FunctionAssignment assignment;
    for (std::int32_t gene = 0; gene < kGeneCount; ++gene)
        assignment.setIdentifier(gene, between(rng, 0, 55));
    DisplayOptions options;
    options.blockNumbers = between(rng, 0, 1) == 1;
    options.hiddenBlocks = between(rng, 0, 1) == 1;
    options.functionLabels = between(rng, 0, 1) == 1;
    options.wiring = static_cast<WiringMode>(between(rng, 0, 2));
    sample.eps = buildEps(circuit, assignment, options, "Popis (" + nasty(rng) + ") \\ konec",
                          readFunctionLabels(settings, assignment));
    return sample;
}

// Each picture runs inside save ... restore and must leave the operand and dictionary stacks as it
// found them, as an EPS embedded in another document has to.
std::string driverText(const std::vector<Sample>& samples) {
    std::string text = "%!PS\n/pellisorDicts countdictstack def\n";
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const std::string id = std::to_string(i);
        text += "/pellisorState save def\n" + samples[i].eps;
        text += "count 0 ne { (Error: operand stack not empty after picture " + id + ") = clear } if\n";
        text += "countdictstack pellisorDicts ne { (Error: dictionary stack changed by picture " + id +
                ") = } if\npellisorState restore\n";
    }
    return text;
}

bool clean(const test::CommandResult& result) {
    return result.status == 0 && result.output.find("Error") == std::string::npos;
}

TEST(EpsGhostscript, RandomCircuitsOfOneTwoAndThreeInputsRenderWithoutErrors) {
    if (!test::haveProgram("gs")) GTEST_SKIP() << "gs is not installed";
    TempDir dir;
    test::writeBytes(dir.file("set.ini"), settingsText());
    const SettingsFile settings(dir.file("set.ini"));

    std::mt19937 rng(4207);
    std::vector<Sample> samples;
    std::string files;
    for (int i = 0; i < 240; ++i) {
        samples.push_back(randomSample(rng, 1 + i % 3, settings));
        const std::string path = dir.file("c" + std::to_string(i) + ".eps");
        test::writeBytes(path, samples.back().eps);
        files += " " + path;
    }
    test::writeBytes(dir.file("all.ps"), driverText(samples));

    // Every file as it stands, in one run, and all of them once more inside the embedding checks.
    const test::CommandResult plain = test::runCommand(kGs + std::string("-sDEVICE=nullpage") + files);
    const test::CommandResult embedded =
        test::runCommand(kGs + std::string("-sDEVICE=nullpage ") + dir.file("all.ps"));
    EXPECT_TRUE(clean(embedded)) << embedded.output;
    if (clean(plain)) return;
    ADD_FAILURE() << plain.output;
    // Name the first picture that fails.
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const auto single = test::runCommand(kGs + std::string("-sDEVICE=nullpage ") +
                                             dir.file("c" + std::to_string(i) + ".eps"));
        if (!clean(single)) {
            FAIL() << "picture " << i << " of " << test::chromosomeLine(samples[i].circuit) << ":\n"
                   << single.output << "\n"
                   << samples[i].eps;
        }
    }
}

TEST(EpsGhostscript, ThePictureIsNotBlank) {
    if (!test::haveProgram("gs")) GTEST_SKIP() << "gs is not installed";
    TempDir dir;
    const SettingsFile settings(dir.file("set.ini"));
    std::mt19937 rng(11);
    Chromosome circuit = test::randomCircuit(rng, {3, 2, 3, 3, 2});
    placeOnGrid(circuit, defaultSpacingTexts());
    const std::string eps = buildEps(circuit, FunctionAssignment(), DisplayOptions(), "Popis",
                                     readFunctionLabels(settings, FunctionAssignment()));
    test::writeBytes(dir.file("c.eps"), eps);

    const test::CommandResult result =
        test::runCommand(kGs + std::string("-sDEVICE=bbox ") + dir.file("c.eps"));
    ASSERT_TRUE(clean(result)) << result.output;
    const auto at = result.output.find("%%HiResBoundingBox:");
    ASSERT_NE(std::string::npos, at) << result.output;
    double x0 = 0;
    double y0 = 0;
    double x1 = 0;
    double y1 = 0;
    ASSERT_EQ(4, std::sscanf(result.output.c_str() + at, "%%%%HiResBoundingBox: %lf %lf %lf %lf", &x0, &y0,
                             &x1, &y1));
    // Wires, boxes and names cover most of the declared box: inputs stand at x 20, the caption at y 0.
    EXPECT_NEAR(20.0, x0, 1.0);
    EXPECT_NEAR(0.0, y0, 1.0);
    EXPECT_GT(x1, 100.0);
    EXPECT_GT(y1, 60.0);
}

}  // namespace
}  // namespace pellisor

// Texts beyond ASCII and the bounding box of EPS pictures, as Ghostscript reads and draws them.
#include "export/eps_writer.h"

#include "app/settings.h"
#include "render/geometry.h"
#include "support/random_circuit.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <sstream>

namespace pellisor {
namespace {

using test::TempDir;

constexpr const char* kGs = "gs -dSAFER -dBATCH -dNOPAUSE -dQUIET ";

using test::between;

const std::vector<std::string> kWords{"Pseudomedián", "výstup", "ŽLUŤOUČKÝ", "kůň", "ďábelské",
                                      "ódy",          "Łódź",   "Ő",         "(x)", "WWW",
                                      "maximum",      "j",      "Ť",         "yq"};

std::string words(std::mt19937& rng, std::int32_t count) {
    std::string text;
    for (std::int32_t i = 0; i < count; ++i)
        text += (i ? " " : "") + kWords[std::size_t(between(rng, 0, std::int32_t(kWords.size()) - 1))];
    return text;
}

struct Picture {
    std::string eps;
    double box[4] = {0, 0, 0, 0};
};

Picture randomPicture(std::mt19937& rng, const SettingsFile& settings, bool ascii) {
    // Outputs stand right of every block; without them the pins of the last column reach past the
    // box, which is measured from the anchors and widened for texts only.
    test::CircuitShape shape = test::randomShape(rng, 6, 4, 6, 5, 3);
    shape.outputCount = between(rng, 1, 4);
    Chromosome circuit = test::randomCircuit(rng, shape);
    placeOnGrid(circuit, defaultSpacingTexts());
    for (Block& block : circuit.blocks)
        block.visible = between(rng, 0, 4) > 0;
    const auto name = [&] {
        return ascii ? std::string(std::size_t(between(rng, 1, 40)), 'W') : words(rng, between(rng, 1, 5));
    };
    for (std::int32_t n = between(rng, 0, circuit.inputCount); n > 0; --n)
        circuit.inputNames.push_back(name());
    for (std::int32_t n = between(rng, 0, circuit.outputCount); n > 0; --n)
        circuit.outputNames.push_back(name());
    FunctionAssignment assignment;
    for (std::int32_t gene = 0; gene < kGeneCount; ++gene)
        assignment.setIdentifier(gene, between(rng, 1, 51));
    DisplayOptions options;
    options.blockNumbers = between(rng, 0, 1);
    options.hiddenBlocks = between(rng, 0, 1);
    options.functionLabels = between(rng, 0, 1);
    options.wiring = static_cast<WiringMode>(between(rng, 0, 2));
    Picture picture;
    picture.eps = buildEps(circuit, assignment, options, ascii ? "Popis" : words(rng, between(rng, 1, 30)),
                           readFunctionLabels(settings, assignment));
    std::sscanf(picture.eps.c_str(), "%%!PS-Adobe-3.0 EPSF-3.0\n%%%%BoundingBox: %lf %lf %lf %lf",
                &picture.box[0], &picture.box[1], &picture.box[2], &picture.box[3]);
    return picture;
}

TEST(EpsLatin2, CzechTextsReadBackAsTypedAndOthersBecomeQuestionMarks) {
    if (!test::haveProgram("gs")) GTEST_SKIP() << "gs is not installed";
    TempDir dir;
    test::writeBytes(dir.file("set.ini"), "[DOT]\nf1_label=Součet\n");
    const SettingsFile settings(dir.file("set.ini"));
    Chromosome circuit = test::parsed("{2,1,1,1,2,1,-1}(0,1,0)(2)");
    placeOnGrid(circuit, defaultSpacingTexts());
    circuit.inputNames = {"vstup ř", "Ďábel"};
    circuit.outputNames = {"výsledek → Ω"};
    FunctionAssignment assignment;
    assignment.setIdentifier(0, 1);
    DisplayOptions options;
    options.functionLabels = true;
    const std::string description = "Pseudomedián 3×3: žluťoučký kůň úpěl ďábelské ódy";
    const std::string eps =
        buildEps(circuit, assignment, options, description, readFunctionLabels(settings, assignment));
    test::writeBytes(dir.file("c.eps"), eps);

    const test::CommandResult text =
        test::runCommand(kGs + std::string("-sDEVICE=txtwrite -sOutputFile=- ") + dir.file("c.eps"));
    ASSERT_EQ(0, text.status) << text.output;
    for (const char* shown : {"Pseudomedián 3×3: žluťoučký kůň úpěl ďábelské ódy", "vstup ř", "Ďábel",
                              "výsledek ? ?", "Součet"}) {
        EXPECT_NE(std::string::npos, text.output.find(shown)) << shown << " in\n" << text.output;
    }
    // ASCII texts keep the plain font.
    EXPECT_NE(std::string::npos, eps.find("/Helvetica-Latin2 findfont"));
    circuit.inputNames = {"a"};
    circuit.outputNames = {"y"};
    EXPECT_EQ(std::string::npos, buildEps(circuit, assignment, DisplayOptions(), "Popis", {}).find("Latin2"));
}

// Ghostscript's bbox device over every picture, moved away from the page's edges, in one run: the ink
// stays inside the declared box. Only the caption's ink under its baseline, at the box's lower edge,
// may reach below it (by Helvetica's deepest descender).
TEST(EpsLatin2, TheDrawnAreaOfRandomPicturesWithLongNamesLiesInsideTheBoundingBox) {
    if (!test::haveProgram("gs")) GTEST_SKIP() << "gs is not installed";
    TempDir dir;
    std::string labels = "[DOT]\n";
    for (int id = 1; id <= 51; id += 2)
        labels += "f" + std::to_string(id) + "_label=" + kWords[std::size_t(id) % kWords.size()] + " " +
                  std::to_string(id) + "\n";
    test::writeBytes(dir.file("set.ini"), labels);
    const SettingsFile settings(dir.file("set.ini"));
    std::mt19937 rng(2016);
    std::vector<Picture> pictures;
    std::string driver = "%!PS\n<< /PageSize [30000 30000] >> setpagedevice\n";
    for (int i = 0; i < 200; ++i) {
        pictures.push_back(randomPicture(rng, settings, i % 4 == 0));
        driver += "save 1000 1000 translate\n" + pictures.back().eps + "restore showpage\n";
    }
    test::writeBytes(dir.file("all.ps"), driver);
    const test::CommandResult result =
        test::runCommand(kGs + std::string("-r7200 -sDEVICE=bbox ") + dir.file("all.ps"));
    ASSERT_EQ(0, result.status) << result.output;

    std::istringstream lines(result.output);
    std::size_t page = 0;
    constexpr double kSlack = 0.05;
    constexpr double kCaptionDescent = 2.2;
    for (std::string line; std::getline(lines, line);) {
        double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
        if (std::sscanf(line.c_str(), "%%%%HiResBoundingBox: %lf %lf %lf %lf", &x0, &y0, &x1, &y1) != 4)
            continue;
        ASSERT_LT(page, pictures.size());
        const double* box = pictures[page].box;
        const std::string where = "picture " + std::to_string(page) + ": " + line + "\n" + pictures[page].eps;
        EXPECT_GE(x0 - 1000, box[0] - kSlack) << where;
        EXPECT_GE(y0 - 1000, box[1] - kCaptionDescent) << where;
        EXPECT_LE(x1 - 1000, box[2] + kSlack) << where;
        EXPECT_LE(y1 - 1000, box[3] + kSlack) << where;
        ++page;
    }
    EXPECT_EQ(pictures.size(), page) << result.output;
}

}  // namespace
}  // namespace pellisor

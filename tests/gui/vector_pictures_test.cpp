// The schematic as PDF, SVG and PNG, read back by real readers: pdftotext and pdfinfo, xmllint, and Qt's
// PNG and our BMP decoders.
#include "gui/vector_pictures.h"
#include "gui/circuit_picture.h"

#include "export/bmp_reader.h"
#include "support/random_circuit.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <QImage>

#include <random>

namespace pellisor {
namespace {

using test::TempDir;

struct Drawing {
    Chromosome circuit;
    FunctionAssignment assignment;
    DisplayOptions options;
    CanvasSize size;
    std::string description = "Pseudomedián 3×3: žluťoučký kůň";

    Scene scene() const {
        return Scene{circuit, assignment, options, {}, size, description, "1. 2. 2026 3:04:05", false, {}};
    }
};

// One row of `columns` blocks, named in Czech, with every display option that adds pixels.
Drawing rowOfBlocks(std::int32_t columns) {
    std::mt19937 rng(columns);
    Drawing d;
    d.circuit = test::randomCircuit(rng, {3, 2, columns, 1, 2});
    placeOnGrid(d.circuit, defaultSpacingTexts());
    d.circuit.inputNames = {"vstup č. 1", "Ďábel", "x<&>y"};
    d.circuit.outputNames = {"výsledek", "průměr"};
    d.options.blockNumbers = true;
    d.options.values = true;
    d.options.footer = true;
    d.options.wiring = WiringMode::DirectOpt;
    // Room for the names, which end left of the inputs and start right of the outputs.
    for (std::int32_t i = 0; i < d.circuit.inputCount; ++i)
        d.circuit.blocks[std::size_t(i)].x = 70;
    d.size = fitCanvasSize(d.circuit, true, true, {300, 200});
    d.size.width += 100;
    return d;
}

std::string pdfPageSize(const std::string& path) {
    const test::CommandResult info = test::runCommand("pdfinfo " + path);
    const auto at = info.output.find("Page size:");
    return at == std::string::npos ? info.output : info.output.substr(at, info.output.find('\n', at) - at);
}

TEST(VectorPictures, PdfPagesAreTheCanvasAndHoldEveryNameAsText) {
    if (!test::haveProgram("pdftotext") || !test::haveProgram("pdfinfo"))
        GTEST_SKIP() << "poppler-utils missing";
    TempDir dir;
    const Drawing small = rowOfBlocks(4);
    savePdfSchematic(dir.file("small.pdf"), small.scene(), nullptr);
    EXPECT_EQ("Page size:       " + std::to_string(small.size.width) + " x " +
                  std::to_string(small.size.height) + " pts",
              pdfPageSize(dir.file("small.pdf")));
    // A canvas beyond the largest page is scaled down to it; every text stays text.
    const Drawing large = rowOfBlocks(3000);
    savePdfSchematic(dir.file("large.pdf"), large.scene(), nullptr);
    EXPECT_NE(std::string::npos, pdfPageSize(dir.file("large.pdf")).find(" 14400 x "));
    for (const std::string file : {"small", "large"}) {
        const test::CommandResult text =
            test::runCommand("pdftotext -raw " + dir.file(file + ".pdf") + " " + dir.file(file + ".txt"));
        ASSERT_EQ(0, text.status) << text.output;
        const std::string shown = test::readBytes(dir.file(file + ".txt"));
        for (const std::string& name : {small.description, std::string("vstup č. 1"), std::string("Ďábel"),
                                        std::string("x<&>y"), std::string("výsledek"), std::string("průměr")})
            EXPECT_NE(std::string::npos, shown.find(name)) << name << " in " << file << ":\n"
                                                           << shown.substr(0, 2000);
    }
    EXPECT_NE(std::string::npos,
              test::readBytes(dir.file("large.txt")).find("3002"));  // the last block's number
}

TEST(VectorPictures, PngHasThePixelsOfTheBitmapAndSvgHasNoSizeLimit) {
    TempDir dir;
    const Drawing drawing = rowOfBlocks(12);
    saveCircuitPicture(PictureFormat::Png, dir.file("c.png"), drawing.scene(), nullptr);
    saveCircuitPicture(PictureFormat::Bitmap, dir.file("c.bmp"), drawing.scene(), nullptr, 7);
    const QImage png(QString::fromStdString(dir.file("c.png")));
    const RgbImage bmp = readBmpFile(dir.file("c.bmp"));
    ASSERT_EQ(drawing.size.width, png.width());
    ASSERT_EQ(drawing.size.height, png.height());
    const QImage rgb = png.convertToFormat(QImage::Format_RGB888);
    std::int64_t different = 0;
    for (int y = 0; y < rgb.height(); ++y) {
        const auto* row = rgb.constScanLine(y);
        for (int i = 0; i < rgb.width() * 3; ++i)
            different += row[i] != bmp.pixels[std::size_t(y) * std::size_t(bmp.width) * 3 + std::size_t(i)];
    }
    EXPECT_EQ(0, different);

    const Drawing large = rowOfBlocks(3000);
    saveSvgSchematic(dir.file("large.svg"), large.scene(), nullptr);
    const std::string svg = test::readBytes(dir.file("large.svg"));
    EXPECT_NE(std::string::npos, svg.find("width=\"" + std::to_string(large.size.width) + "\""));
    EXPECT_NE(std::string::npos, svg.find(">průměr</text>"));
    if (test::haveProgram("xmllint")) {
        const test::CommandResult lint = test::runCommand("xmllint --noout --huge " + dir.file("large.svg"));
        EXPECT_EQ(0, lint.status) << lint.output;
    }
}

}  // namespace
}  // namespace pellisor

#include "gui/circuit_picture.h"
#include "gui/whole_picture.h"

#include "model/chromosome_parser.h"
#include "model/error.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QImage>

namespace pellisor {
namespace {

using test::renderCircuitPicture;
using test::savePicture;

// A small filter-like circuit with names, hidden and redundant blocks and three-way fan-out.
struct Example {
    Chromosome circuit;
    FunctionAssignment assignment;
    DisplayOptions options;

    Example() {
        parseChromosome("{3,2,3,2,2,1,-1}([3]0,1,1)([4]1,2,3)([5]3,4,10)([6]3,0,11)([7]5,6,2)([8]6,2,0)(7,8)",
                        ParseMode::Draw, circuit);
        placeOnGrid(circuit, defaultSpacingTexts());
        circuit.inputNames = {"a", "b", "c"};
        circuit.outputNames = {"y", "z"};
        assignment.setIdentifier(1, 1);
        assignment.setIdentifier(3, 3);
        assignment.setIdentifier(10, 10);
        assignment.setIdentifier(11, 11);
        assignment.setIdentifier(2, 2);
        circuit.blocks[8].mark = kMarkRedundant;
        options.blockNumbers = true;
    }

    QImage picture(CanvasSize size = {420, 260}) const {
        return renderCircuitPicture(
            Scene{circuit, assignment, options, {}, size, "příklad (3x3)", "8.12.2026 10:00:00", false, {}},
            nullptr);
    }
};

std::string outputDirectory() {
    const QByteArray configured = qgetenv("PELLISOR_TEST_OUTPUT");
    const std::string directory =
        configured.isEmpty() ? QDir::tempPath().toStdString() : configured.toStdString();
    QDir().mkpath(QString::fromStdString(directory));
    return directory;
}

int countColor(const QImage& image, QColor color) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            count += image.pixelColor(x, y) == color;
    }
    return count;
}

TEST(CircuitPicture, EveryWiringModeDrawsBoxesWiresAndLabels) {
    Example example;
    const std::pair<WiringMode, const char*> modes[] = {{WiringMode::Direct, "direct"},
                                                        {WiringMode::Direct2, "direct2"},
                                                        {WiringMode::DirectOpt, "branching"}};
    for (const auto& [mode, name] : modes) {
        example.options.wiring = mode;
        example.options.values = mode == WiringMode::Direct;
        example.options.footer = mode == WiringMode::Direct;
        const QImage picture = example.picture();
        ASSERT_EQ(420, picture.width());
        ASSERT_EQ(260, picture.height());
        ASSERT_TRUE(picture.save(QString::fromStdString(outputDirectory() + "/schematic-" + name + ".png")));
        EXPECT_GT(countColor(picture, QColor(0, 160, 0)), 100) << name;     // wires
        EXPECT_GT(countColor(picture, QColor(0, 0, 0)), 300) << name;       // boxes and pins
        EXPECT_GT(countColor(picture, QColor(255, 128, 64)), 100) << name;  // the redundant gate
        EXPECT_EQ(QColor(255, 255, 255), picture.pixelColor(0, 0));
    }
    // A box is drawn where its anchor is: the outline of block 3 at (80, 30).
    example.options = DisplayOptions{};
    const QImage picture = example.picture();
    EXPECT_EQ(QColor(0, 0, 0), picture.pixelColor(80, 50));
    EXPECT_EQ(QColor(0, 0, 0), picture.pixelColor(95, 30));
    EXPECT_EQ(QColor(255, 255, 255), picture.pixelColor(95, 50));
}

TEST(CircuitPicture, BitmapAndJpegExportsReadBackAtTheSameSize) {
    Example example;
    example.options.values = true;
    const QImage picture = example.picture();
    test::TempDir dir;
    savePicture(PictureFormat::Bitmap, dir.file("c.bmp"), picture, [] { return std::string(); });
    const QImage bitmap(QString::fromStdString(dir.file("c.bmp")), "BMP");
    ASSERT_FALSE(bitmap.isNull());
    EXPECT_EQ(24, bitmap.depth() == 32 ? 24 : bitmap.depth());
    EXPECT_EQ(picture.convertToFormat(QImage::Format_RGB888), bitmap.convertToFormat(QImage::Format_RGB888));
    const std::string bmpBytes = test::readBytes(dir.file("c.bmp"));
    ASSERT_GT(bmpBytes.size(), 30u);
    EXPECT_EQ("BM", bmpBytes.substr(0, 2));
    EXPECT_EQ(24, static_cast<unsigned char>(bmpBytes[28]));  // bits per pixel

    savePicture(PictureFormat::Jpeg, dir.file("c.jpg"), picture, [] { return std::string(); });
    const RgbImage decoded = decodeJpeg(test::readBytes(dir.file("c.jpg")));
    EXPECT_EQ(picture.width(), decoded.width);
    EXPECT_EQ(picture.height(), decoded.height);
    // Quality 90 keeps white white and the picture close to the original.
    EXPECT_GT(decoded.pixels[0], 245);

    savePicture(PictureFormat::PostScript, dir.file("c.ps"), picture, [] { return std::string("%!PS\n"); });
    EXPECT_EQ("%!PS\n", test::readBytes(dir.file("c.ps")));
}

TEST(CircuitPicture, AFailedWriteRaisesAndLeavesTheOldFile) {
    Example example;
    const QImage picture = example.picture();
    test::TempDir dir;
    EXPECT_THROW(savePicture(PictureFormat::Bitmap, dir.file("missing/c.bmp"), picture, [] { return ""; }),
                 Error);
    EXPECT_THROW(savePicture(PictureFormat::Jpeg, dir.path(), picture, [] { return ""; }), Error);
    test::writeBytes(dir.file("old.jpg"), "old bytes");
    EXPECT_THROW(savePicture(PictureFormat::Jpeg, dir.file("old.jpg"), QImage(), [] { return ""; }), Error);
    EXPECT_EQ("old bytes", test::readBytes(dir.file("old.jpg")));
}

TEST(CircuitPicture, SymbolSheetCellsReplaceBoxes) {
    // A sheet of 51 cells, each filled with a colour of its own.
    RgbImage sheet;
    sheet.width = 50 * 51;
    sheet.height = 41;
    sheet.pixels.resize(std::size_t(sheet.width) * 41 * 3);
    for (int y = 0; y < 41; ++y) {
        for (int x = 0; x < sheet.width; ++x) {
            const int cell = x / 50 + 1;
            std::uint8_t* pixel =
                &sheet.pixels[(std::size_t(y) * std::size_t(sheet.width) + std::size_t(x)) * 3];
            pixel[0] = static_cast<std::uint8_t>(cell == 3 ? 200 : 0);
            pixel[1] = 0;
            pixel[2] = static_cast<std::uint8_t>(cell == 3 ? 0 : 200);
        }
    }
    test::TempDir dir;
    test::writeBytes(dir.file("hradla.jpg"), encodeJpeg(sheet));
    const auto loaded = loadSymbolSheet(dir.file("hradla.jpg"));
    ASSERT_TRUE(loaded.has_value());
    EXPECT_EQ(50 * 51, loaded->width());
    EXPECT_FALSE(loadSymbolSheet(dir.file("absent.jpg")).has_value());
    test::writeBytes(dir.file("broken.jpg"), encodeJpeg(sheet).substr(0, 200));
    EXPECT_THROW(loadSymbolSheet(dir.file("broken.jpg")), Error);
    test::writeBytes(dir.file("text.jpg"), "not a picture");
    EXPECT_THROW(loadSymbolSheet(dir.file("text.jpg")), Error);

    Example example;
    example.options.symbols = true;
    const QImage picture = renderCircuitPicture(Scene{example.circuit,
                                                      example.assignment,
                                                      example.options,
                                                      {},
                                                      {420, 260},
                                                      "",
                                                      "",
                                                      false,
                                                      {loaded->width(), loaded->height()}},
                                                &*loaded);
    picture.save(QString::fromStdString(outputDirectory() + "/schematic-symbols.png"));
    // Block 4 (gene 3, identifier 3) at (80, 100): its cell is the reddish one.
    const QColor inside = picture.pixelColor(80 - 10 + 25, 100 - 1 + 20);
    EXPECT_GT(inside.red(), 150);
    EXPECT_LT(inside.blue(), 60);
}

TEST(CircuitPicture, AbsurdSizesAreRefusedWithAMessage) {
    Example example;
    EXPECT_THROW(example.picture({2000000, 2000000}), Error);
}

}  // namespace
}  // namespace pellisor

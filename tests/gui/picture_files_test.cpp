#include "gui/picture_files.h"

#include "gui/circuit_picture.h"
#include "model/chromosome_parser.h"
#include "model/error.h"
#include "support/fake_ui.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <QColor>

namespace pellisor {
namespace {

TEST(PictureFiles, BitmapsRoundTripAndUnreadableOnesRaise) {
    test::TempDir dir;
    PictureFiles pictures;
    RgbImage image;
    image.width = 3;
    image.height = 2;
    image.pixels = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18};
    pictures.saveBitmap(dir.file("a.bmp"), image);
    const RgbImage back = pictures.loadBitmap(dir.file("a.bmp"));
    EXPECT_EQ(back.width, 3);
    EXPECT_EQ(back.height, 2);
    EXPECT_EQ(back.pixels, image.pixels);

    test::writeBytes(dir.file("broken.bmp"), "not a picture");
    try {
        pictures.loadBitmap(dir.file("broken.bmp"));
        FAIL() << "no error";
    } catch (const Error& error) {
        EXPECT_EQ(std::string(error.what()), "Obrázek nelze načíst: " + dir.file("broken.bmp"));
    }
    EXPECT_THROW(pictures.loadBitmap(dir.file("missing.bmp")), Error);
}

TEST(PictureFiles, TheSchematicIsDrawnWithTheSheetOfTheMomentOfDrawing) {
    Chromosome circuit;
    parseChromosome("{2,1,2,1,2,1,-1}([2]0,1,1)([3]2,1,2)(3)", ParseMode::Draw, circuit);
    placeOnGrid(circuit, defaultSpacingTexts());
    FunctionAssignment assignment;
    assignment.setIdentifier(1, 1);
    assignment.setIdentifier(2, 2);
    DisplayOptions options;
    options.symbols = true;
    std::optional<QImage> sheet;
    PictureFiles pictures([&sheet] { return sheet ? &*sheet : nullptr; });
    test::TempDir dir;

    // The sheet is taken when drawing, so a sheet loaded after the store was made is used.
    sheet.emplace(kSymbolWidth * 51, kSymbolHeight, QImage::Format_RGB32);
    sheet->fill(QColor(10, 200, 30));
    const Scene scene{circuit, assignment, options, {}, {300, 200}, "", "", false, symbolSheetSize(sheet)};
    pictures.saveSchematic(PictureFormat::Bitmap, dir.file("store.bmp"), scene);
    saveCircuitPicture(PictureFormat::Bitmap, dir.file("direct.bmp"), scene, &*sheet);
    EXPECT_EQ(test::readBytes(dir.file("direct.bmp")), test::readBytes(dir.file("store.bmp")));
    saveCircuitPicture(PictureFormat::Bitmap, dir.file("boxes.bmp"), scene, nullptr);
    EXPECT_NE(test::readBytes(dir.file("boxes.bmp")), test::readBytes(dir.file("store.bmp")));

    // Without a sheet, and in a store made without one, the blocks are boxes.
    sheet.reset();
    pictures.saveSchematic(PictureFormat::Bitmap, dir.file("none.bmp"), scene);
    PictureFiles plain;
    plain.saveSchematic(PictureFormat::Bitmap, dir.file("plain.bmp"), scene);
    EXPECT_EQ(test::readBytes(dir.file("boxes.bmp")), test::readBytes(dir.file("none.bmp")));
    EXPECT_EQ(test::readBytes(dir.file("boxes.bmp")), test::readBytes(dir.file("plain.bmp")));
}

TEST(PictureFiles, AMissingSymbolSheetIsNoneAndABrokenOneIsToldOnce) {
    test::TempDir dir;
    test::FakeUi ui;
    EXPECT_FALSE(readSymbolSheet(dir.file("hradla.jpg"), ui));
    EXPECT_TRUE(ui.errors.empty());
    EXPECT_EQ(0, symbolSheetSize(std::nullopt).width);

    test::writeBytes(dir.file("hradla.jpg"), "not a picture");
    EXPECT_FALSE(readSymbolSheet(dir.file("hradla.jpg"), ui));
    EXPECT_EQ(1u, ui.errors.size());
}

}  // namespace
}  // namespace pellisor

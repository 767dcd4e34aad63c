// A part of the canvas drawn on its own has the pixels of the whole picture there: a window's visible
// part, the bands of a bitmap or JPEG export, and the thin lines that cross their edges. The exports
// written band by band are byte for byte those of the whole picture, and pictures the formats cannot
// hold are refused before anything is written.

#include "app/settings.h"
#include "export/jpeg_codec.h"
#include "gui/circuit_picture.h"
#include "gui/qt_canvas.h"
#include "gui/whole_picture.h"
#include "model/error.h"
#include "model/settings_file.h"
#include "support/random_circuit.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <QPixmap>

#include <filesystem>
#include <random>

namespace pellisor {
namespace {

using test::renderCircuitPicture;
using test::savePicture;

std::int32_t between(std::mt19937& rng, std::int32_t low, std::int32_t high) {
    return std::uniform_int_distribution<std::int32_t>(low, high)(rng);
}

// A sheet of 51 cells, each of its own colour.
QImage symbolSheet() {
    QImage sheet(kSymbolWidth * 51, kSymbolHeight, QImage::Format_RGB32);
    for (int cell = 0; cell < 51; ++cell) {
        QPainter painter(&sheet);
        painter.fillRect(QRect(cell * kSymbolWidth, 0, kSymbolWidth, kSymbolHeight),
                         QColor(cell * 5, 255 - cell * 5, (cell * 37) % 256));
        painter.drawLine(cell * kSymbolWidth, 0, cell * kSymbolWidth + 49, 40);
    }
    return sheet;
}

struct Picture {
    test::TempDir dir;
    SettingsFile settings{dir.file("set.ini")};
    Chromosome circuit;
    FunctionAssignment assignment;
    DisplayOptions options;
    CanvasSize size;
    bool dragging = false;
    QImage sheet = symbolSheet();

    Scene scene() const {
        return Scene{
            circuit,           assignment,           options,  readFunctionLabels(settings, assignment), size,
            "Schéma: příklad", "8.12.2026 10:00:00", dragging, {sheet.width(), sheet.height()}};
    }
};

// A random circuit with long wires across the picture, entries moved about and off the canvas,
// hidden, marked, named and valued; labels for some functions.
void randomPicture(std::mt19937& rng, Picture& p, WiringMode mode) {
    p.circuit = test::randomCircuit(rng, test::randomShape(rng, 9, 4, 6, 6, 3));
    placeOnGrid(p.circuit, defaultSpacingTexts());
    for (Block& block : p.circuit.blocks) {
        if (between(rng, 0, 7) == 0) {
            block.x = between(rng, -60, 700);
            block.y = between(rng, -60, 560);
        }
        block.visible = between(rng, 0, 5) != 0;
        block.mark = between(rng, 0, 2);
        block.value = between(rng, -999, 99999);
    }
    p.circuit.inputNames = {"vstup", "b", "žluť"};
    p.circuit.outputNames = {"y"};
    for (std::int32_t gene = 0; gene < kGeneCount; ++gene)
        p.assignment.setIdentifier(gene, between(rng, 0, 51));
    p.settings.writeString("DOT", "f3_label", "MAX");
    p.settings.writeString("DOT", "f10_label", "a+b");
    p.options = DisplayOptions{};
    p.options.wiring = mode;
    p.options.blockNumbers = between(rng, 0, 1);
    p.options.values = between(rng, 0, 1);
    p.options.footer = between(rng, 0, 1);
    p.options.symbols = between(rng, 0, 2) == 0;
    p.options.functionLabels = between(rng, 0, 1);
    p.options.hiddenBlocks = between(rng, 0, 3) != 0;
    p.dragging = between(rng, 0, 1);
    p.size = {between(rng, 400, 640), between(rng, 300, 480)};
}

QImage wholePicture(const Picture& p) {
    return renderCircuitPicture(p.scene(), &p.sheet);
}

// The part as the window paints it: translated onto a picture of its own size, clipped to it.
QImage partPicture(const Picture& p, const QRect& area) {
    QImage part(area.size(), QImage::Format_RGB32);
    part.fill(Qt::magenta);  // shows any pixel the drawing leaves out
    QPainter painter(&part);
    painter.translate(-area.topLeft());
    painter.setClipRect(area);
    QtCanvas canvas(painter, &p.sheet, area);
    drawCircuit(canvas, p.scene(), CanvasArea{area.left(), area.top(), area.right() + 1, area.bottom() + 1});
    return part;
}

TEST(PictureBands, APartDrawnAloneHasThePixelsOfTheWholePicture) {
    std::mt19937 rng(17);
    const WiringMode modes[] = {WiringMode::Direct, WiringMode::Direct2, WiringMode::DirectOpt};
    for (int round = 0; round < 24; ++round) {
        Picture p;
        randomPicture(rng, p, modes[round % 3]);
        const QImage whole = wholePicture(p);
        for (int attempt = 0; attempt < 6; ++attempt) {
            const QRect area = QRect(between(rng, 0, p.size.width - 1), between(rng, 0, p.size.height - 1),
                                     between(rng, 1, 300), between(rng, 1, 200))
                                   .intersected(whole.rect());
            const QImage part = partPicture(p, area);
            ASSERT_EQ(whole.copy(area), part) << "round " << round << ", area " << area.x() << "," << area.y()
                                              << " " << area.width() << "x" << area.height();
        }
    }
}

TEST(PictureBands, ThinLinesDoNotDependOnWhereThePictureIsCut) {
    std::mt19937 rng(23);
    QImage whole(300, 300, QImage::Format_RGB32);
    whole.fill(Qt::white);
    std::vector<QLine> lines;
    for (int i = 0; i < 400; ++i) {
        lines.emplace_back(between(rng, -400, 700), between(rng, -400, 700), between(rng, -400, 700),
                           between(rng, -400, 700));
    }
    // Far beyond the picture, and steep enough to need wide arithmetic.
    lines.emplace_back(-2000000000, 10, 2000000000, 290);
    lines.emplace_back(150, -2100000000, 151, 2100000000);
    lines.emplace_back(-2100000000, -2100000000, 2100000000, 2100000000);
    // Runs of three lines in one colour, then one in another: what one colour has set is set once.
    auto colourOf = [](std::size_t i) { return i % 4 == 3 ? colors::kRed : colors::kGreen; };
    {
        QPainter painter(&whole);
        QtCanvas canvas(painter, nullptr, whole.rect());
        for (std::size_t i = 0; i < lines.size(); ++i) {
            canvas.setPen(colourOf(i), 1);
            canvas.line(lines[i].x1(), lines[i].y1(), lines[i].x2(), lines[i].y2());
        }
    }
    // The same lines each on a canvas of its own, which has set nothing before.
    QImage oneByOne(whole.size(), QImage::Format_RGB32);
    oneByOne.fill(Qt::white);
    {
        QPainter painter(&oneByOne);
        for (std::size_t i = 0; i < lines.size(); ++i) {
            QtCanvas canvas(painter, nullptr, oneByOne.rect());
            canvas.setPen(colourOf(i), 1);
            canvas.line(lines[i].x1(), lines[i].y1(), lines[i].x2(), lines[i].y2());
        }
    }
    ASSERT_EQ(oneByOne, whole);
    for (const int rows : {1, 7, 64}) {
        for (int top = 0; top < whole.height(); top += rows) {
            const QRect band(0, top, whole.width(), std::min(rows, whole.height() - top));
            QImage part(band.size(), QImage::Format_RGB32);
            part.fill(Qt::white);
            QPainter painter(&part);
            painter.translate(0, -top);
            QtCanvas canvas(painter, nullptr, band);
            // Drawn the other way round: a line and its reverse are the same pixels.
            for (std::size_t i = 0; i < lines.size(); ++i) {
                canvas.setPen(colourOf(i), 1);
                canvas.line(lines[i].x2(), lines[i].y2(), lines[i].x1(), lines[i].y1());
            }
            painter.end();
            ASSERT_EQ(whole.copy(band), part) << "bands of " << rows << " at " << top;
        }
    }
    // The same pixels where the canvas cannot write to the picture's memory and leaves them to the painter.
    QPixmap pixmap(whole.size());
    pixmap.fill(Qt::white);
    {
        QPainter painter(&pixmap);
        QtCanvas canvas(painter, nullptr, QRect(QPoint(0, 0), whole.size()));
        for (std::size_t i = 0; i < lines.size(); ++i) {
            canvas.setPen(colourOf(i), 1);
            canvas.line(lines[i].x1(), lines[i].y1(), lines[i].x2(), lines[i].y2());
        }
    }
    EXPECT_EQ(whole, pixmap.toImage().convertToFormat(QImage::Format_RGB32));
    // Both ends are set, and a line is one pixel wide along its major axis.
    QImage single(40, 40, QImage::Format_RGB32);
    single.fill(Qt::white);
    {
        QPainter painter(&single);
        QtCanvas canvas(painter, nullptr, single.rect());
        canvas.setPen(colors::kBlack, 1);
        canvas.line(3, 5, 30, 17);
    }
    EXPECT_EQ(QColor(Qt::black), single.pixelColor(3, 5));
    EXPECT_EQ(QColor(Qt::black), single.pixelColor(30, 17));
    for (int x = 3; x <= 30; ++x) {
        int set = 0;
        for (int y = 0; y < 40; ++y)
            set += single.pixelColor(x, y) == QColor(Qt::black);
        EXPECT_EQ(1, set) << "column " << x;
    }
}

TEST(PictureBands, BoxesAndPinsKeepThePaintersLook) {
    // Outlines, fills and straight lines of width 1 and 2 as the painter itself draws them.
    std::mt19937 rng(37);
    for (int round = 0; round < 500; ++round) {
        const int width = between(rng, 1, 2);
        const bool solid = between(rng, 0, 1);
        const int x1 = between(rng, 4, 20), y1 = between(rng, 4, 20);
        const int x2 = x1 + between(rng, 1, 25), y2 = y1 + between(rng, 1, 25);
        const int shape = between(rng, 0, 2);
        QImage painted(50, 50, QImage::Format_RGB32);
        QImage drawn(50, 50, QImage::Format_RGB32);
        painted.fill(Qt::white);
        drawn.fill(Qt::white);
        {
            QPainter painter(&painted);
            QPen pen(Qt::black);
            pen.setWidth(width);
            pen.setCapStyle(Qt::SquareCap);
            pen.setJoinStyle(Qt::MiterJoin);
            painter.setPen(pen);
            painter.setBrush(solid ? QBrush(Qt::blue) : QBrush(Qt::NoBrush));
            if (shape == 0) painter.drawRect(QRect(QPoint(x1, y1), QPoint(x2 - 1, y2 - 1)));
            if (shape == 1) painter.drawLine(x1, y1, x2, y1);
            if (shape == 2) painter.drawLine(x1, y1, x1, y2);
        }
        {
            QPainter painter(&drawn);
            QtCanvas canvas(painter, nullptr, drawn.rect());
            canvas.setPen(colors::kBlack, width);
            canvas.setBrush({0, 0, 255}, solid);
            if (shape == 0) canvas.rectangle(x1, y1, x2, y2);
            if (shape == 1) canvas.line(x1, y1, x2, y1);
            if (shape == 2) canvas.line(x1, y1, x1, y2);
        }
        ASSERT_EQ(painted, drawn) << "round " << round << ": shape " << shape << ", width " << width;
    }
}

TEST(PictureBands, BandedExportsAreByteForByteTheWholePicture) {
    std::mt19937 rng(29);
    test::TempDir dir;
    const WiringMode modes[] = {WiringMode::Direct, WiringMode::Direct2, WiringMode::DirectOpt};
    for (int round = 0; round < 6; ++round) {
        Picture p;
        randomPicture(rng, p, modes[round % 3]);
        p.options.values = true;
        const QImage whole = wholePicture(p);
        savePicture(PictureFormat::Bitmap, dir.file("whole.bmp"), whole, [] { return std::string(); });
        const std::string wholeBitmap = test::readBytes(dir.file("whole.bmp"));
        const std::string wholeJpeg = encodeJpeg(toRgbImage(whole));
        for (const std::int32_t rows : {0, 1, 13, 64}) {
            saveCircuitPicture(PictureFormat::Bitmap, dir.file("bands.bmp"), p.scene(), &p.sheet, rows);
            ASSERT_EQ(wholeBitmap, test::readBytes(dir.file("bands.bmp")))
                << "round " << round << ", rows " << rows;
            if (rows == 1) continue;  // a row at a time is slow for JPEG and tells nothing more
            saveCircuitPicture(PictureFormat::Jpeg, dir.file("bands.jpg"), p.scene(), &p.sheet, rows);
            ASSERT_EQ(wholeJpeg, test::readBytes(dir.file("bands.jpg")))
                << "round " << round << ", rows " << rows;
        }
    }
}

TEST(PictureBands, PicturesBeyondTheFormatsAreRefusedAndNothingIsWritten) {
    Picture p;
    p.circuit = test::parsed("{2,1,1,1,2,1,-1}(0,1,0)(2)");
    placeOnGrid(p.circuit, defaultSpacingTexts());
    test::TempDir dir;
    test::writeBytes(dir.file("old.jpg"), "old picture");
    test::writeBytes(dir.file("old.bmp"), "old picture");

    // JPEG sides end at 65,500 pixels; a canvas one column wide and 10,000 blocks high has 700,010.
    p.size = {1007, 700010};
    try {
        saveCircuitPicture(PictureFormat::Jpeg, dir.file("old.jpg"), p.scene(), nullptr);
        FAIL() << "a JPEG 700,010 pixels high was written";
    } catch (const Error& error) {
        EXPECT_STREQ("Obrázek 1007x700010 je příliš velký pro JPEG (nejvýše 65500 bodů na stranu)",
                     error.what());
    }
    EXPECT_EQ("old picture", test::readBytes(dir.file("old.jpg")));

    // A bitmap's sizes are 32-bit: 40,000 x 40,000 pixels would be a 4.8 GB file.
    p.size = {40000, 40000};
    try {
        saveCircuitPicture(PictureFormat::Bitmap, dir.file("old.bmp"), p.scene(), nullptr);
        FAIL() << "a bitmap over 4 GB was written";
    } catch (const Error& error) {
        EXPECT_STREQ("Obrázek 40000x40000 je příliš velký pro BMP (soubor by měl přes 4 GB)", error.what());
    }
    EXPECT_EQ("old picture", test::readBytes(dir.file("old.bmp")));

    // A bitmap within the format whose single row is more than the painter can hold.
    p.size = {1400000000, 1};
    try {
        saveCircuitPicture(PictureFormat::Bitmap, dir.file("old.bmp"), p.scene(), nullptr);
        FAIL() << "a row of 1,400,000,000 pixels was drawn";
    } catch (const Error& error) {
        EXPECT_STREQ("Obrázek 1400000000x1 je příliš velký, nelze jej vykreslit", error.what());
    }
    EXPECT_EQ("old picture", test::readBytes(dir.file("old.bmp")));
    // No temporary file is left behind.
    std::size_t files = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.path()))
        ++files;
    EXPECT_EQ(2u, files);
}

TEST(PictureBands, ATallBitmapIsWrittenBandByBand) {
    // 1 x 400 blocks: 28,010 rows; the bitmap is written bottom-up in bands and reads back whole.
    Picture p;
    std::mt19937 rng(31);
    p.circuit = test::randomCircuit(rng, {5, 2, 1, 400, 2});
    placeOnGrid(p.circuit, defaultSpacingTexts());
    p.size = fitCanvasSize(p.circuit, true, false, {200, 365});
    ASSERT_EQ(28010, p.size.height);
    test::TempDir dir;
    saveCircuitPicture(PictureFormat::Bitmap, dir.file("tall.bmp"), p.scene(), nullptr, 1000);
    const QImage read(QString::fromStdString(dir.file("tall.bmp")), "BMP");
    ASSERT_EQ(QSize(p.size.width, p.size.height), read.size());
    EXPECT_EQ(wholePicture(p).convertToFormat(QImage::Format_RGB888),
              read.convertToFormat(QImage::Format_RGB888));
}

}  // namespace
}  // namespace pellisor

// Zoom, find and the entry under the mouse: the view maps every mouse position to the canvas, so
// picking, dragging and the value editor do at every level what they do at 100 %, and the workbench,
// its exports and its canvas size never see the zoom.
#include "gui/canvas_zoom.h"
#include "gui/entry_texts.h"
#include "gui/window_fixture.h"
#include "model/function_table.h"
#include "support/random_circuit.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>

#include <random>

namespace pellisor {
namespace {

using test::WindowTest;

class ZoomTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        // Larger than the viewport, so that every level scrolls or fits.
        std::mt19937 rng(17);
        Chromosome circuit = test::randomCircuit(rng, {9, 4, 14, 9, 2});
        find<QLineEdit>("Edit1")->setText(QString::fromStdString(test::chromosomeLine(circuit)));
        workbench().drawClicked();
        workbench().circuit().inputNames = {"a", "b", "c"};
        workbench().circuit().outputNames = {"Soucet"};
        QApplication::processEvents();
    }
    void zoomTo(int percent) {
        for (std::size_t level = 0; level < kZoomLevels.size(); ++level) {
            if (kZoomLevels[level].percent == percent) canvas()->setZoomLevel(level);
        }
        ASSERT_EQ(canvas()->zoom().percent(), percent);
        QApplication::processEvents();
    }
    // Where the mouse shows a canvas point at the current level.
    QPoint shown(QPoint at) const { return canvas()->zoom().toWidget(at); }
    // Straight to the canvas: the place may lie outside the viewport.
    void mouse(QEvent::Type type, QPoint at, Qt::MouseButtons held, Qt::KeyboardModifiers keys = {}) const {
        const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent event(type, QPointF(at), canvas()->mapToGlobal(QPointF(at)), button, held, keys);
        QApplication::sendEvent(canvas(), &event);
    }
    QString text(const char* label) const { return find<QLabel>(label)->text(); }
    QScrollArea* area() const { return find<QScrollArea>("SB"); }
    void press(const char* key) const { find<QAction>(key)->trigger(); }
    QString search(const QString& entry) const {
        press("actNajit");
        find<QLineEdit>("FindText")->setText(entry);
        QTest::mouseClick(find<QPushButton>("FindButton"), Qt::LeftButton);
        return text("FindResult");
    }
    void screenshot(const char* name) const {
        QApplication::processEvents();
        EXPECT_TRUE(window->grab().save(QString::fromStdString(test::outputDirectory() + "/" + name)));
    }
};

TEST_F(ZoomTest, KeysStepThroughTheLevelsWithinTheirBoundsAndBack) {
    QApplication::setActiveWindow(window.get());
    const CanvasSize canvasSize = workbench().canvasSize();
    const auto key = [this](Qt::Key code) { QTest::keyClick(window.get(), code, Qt::ControlModifier); };
    std::vector<QString> seen{text("ZoomLevel")};
    for (int i = 0; i < 7; ++i) {
        key(i % 2 ? Qt::Key_Plus : Qt::Key_Equal);
        seen.push_back(text("ZoomLevel"));
    }
    EXPECT_EQ(seen,
              (std::vector<QString>{"100 %", "125 %", "150 %", "200 %", "300 %", "400 %", "400 %", "400 %"}));
    EXPECT_EQ(canvas()->size(), QSize(canvasSize.width * 4, canvasSize.height * 4));
    key(Qt::Key_0);
    EXPECT_EQ(text("ZoomLevel"), "100 %");
    for (int i = 0; i < 7; ++i)
        key(Qt::Key_Minus);
    EXPECT_EQ(text("ZoomLevel"), "25 %");
    EXPECT_EQ(canvas()->size(), QSize((canvasSize.width + 3) / 4, (canvasSize.height + 3) / 4));
    // The buttons of the status bar do what the keys do; the circuit's canvas never changes.
    QTest::mouseClick(find<QWidget>("ZoomIn"), Qt::LeftButton);
    EXPECT_EQ(text("ZoomLevel"), "33 %");
    EXPECT_EQ(workbench().canvasSize(), canvasSize);
    EXPECT_EQ(text("StatBarText"), "OK");
}

TEST_F(ZoomTest, AZoomStepKeepsThePointAtTheViewportsCentre) {
    zoomTo(200);
    QScrollBar* horizontal = area()->horizontalScrollBar();
    QScrollBar* vertical = area()->verticalScrollBar();
    horizontal->setValue(horizontal->maximum() / 2);
    vertical->setValue(vertical->maximum() / 2);
    const QPoint before = canvas()->visibleArea().center();
    zoomTo(300);
    zoomTo(150);
    EXPECT_LE((canvas()->visibleArea().center() - before).manhattanLength(), 4);
}

TEST_F(ZoomTest, PickingAndDraggingMoveTheRightBlockByTheCanvasDistance) {
    std::mt19937 rng(5);
    const Chromosome& circuit = workbench().circuit();
    for (const int percent : {50, 200}) {
        zoomTo(percent);
        for (int trial = 0; trial < 6; ++trial) {
            const std::int32_t block = test::between(rng, circuit.inputCount, circuit.firstOutput() - 1);
            const QPoint start = shown(anchor(block));
            mouse(QEvent::MouseMove, start, Qt::NoButton);
            ASSERT_EQ(workbench().currentBlock(), block) << percent << "% block " << block;
            mouse(QEvent::MouseButtonPress, start, Qt::LeftButton);
            const QPoint target =
                start + QPoint(test::between(rng, -400, 400), test::between(rng, -300, 300));
            mouse(QEvent::MouseMove, target, Qt::LeftButton);
            const QPoint landed = canvas()->zoom().toCanvas(target);
            EXPECT_EQ(anchor(block), QPoint(std::max(landed.x(), 0), std::max(landed.y(), 0))) << percent;
            mouse(QEvent::MouseButtonRelease, target, Qt::NoButton);
        }
        // Shift held from the press moves vertically only, and above the canvas the block stays at 0.
        const std::int32_t block = circuit.inputCount + 1;
        const QPoint start = shown(anchor(block));
        const int x = anchor(block).x();
        mouse(QEvent::MouseMove, start, Qt::NoButton);
        mouse(QEvent::MouseButtonPress, start, Qt::LeftButton, Qt::ShiftModifier);
        mouse(QEvent::MouseMove, start + QPoint(80, -2000), Qt::LeftButton, Qt::ShiftModifier);
        EXPECT_EQ(anchor(block), QPoint(x, 0));
        mouse(QEvent::MouseButtonRelease, start, Qt::NoButton, Qt::ShiftModifier);
    }
}

TEST_F(ZoomTest, AnyPartPaintedAloneHasThePixelsOfTheWholeView) {
    std::mt19937 rng(3);
    workbench().setOption(settings::DisplayOption::Values, true);
    for (const int percent : {25, 33, 67, 75, 125, 150, 300}) {
        zoomTo(percent);
        area()->horizontalScrollBar()->setValue(area()->horizontalScrollBar()->maximum() / 3);
        const QRect visible = canvas()->visibleWidgetArea();
        const QImage whole = canvas()->grab(visible).toImage();
        for (int trial = 0; trial < 4; ++trial) {
            const QPoint corner(test::between(rng, 0, visible.width() - 40),
                                test::between(rng, 0, visible.height() - 40));
            const QRect part(visible.topLeft() + corner,
                             QSize(test::between(rng, 1, visible.width() - corner.x()),
                                   test::between(rng, 1, visible.height() - corner.y())));
            ASSERT_EQ(canvas()->grab(part).toImage(), whole.copy(part.translated(-visible.topLeft())))
                << percent << "% part " << part.x() << "," << part.y() << " " << part.width() << "x"
                << part.height();
        }
    }
}

TEST_F(ZoomTest, ValueEditorAndPopupStandAtTheZoomedPlace) {
    zoomTo(200);
    const QPoint input = shown(anchor(1));
    QTest::mouseMove(canvas(), input);
    QTest::mouseDClick(canvas(), Qt::LeftButton, Qt::NoModifier, input);
    QWidget* panel = find<QWidget>("phodn");
    ASSERT_FALSE(panel->isHidden());
    EXPECT_EQ(panel->pos(), shown(anchor(1) + QPoint(3, 2)));
    EXPECT_EQ(panel->size(), QSize(53, 24));
    QTest::keyClicks(find<QLineEdit>("ehod"), "42");
    QTest::keyClick(find<QLineEdit>("ehod"), Qt::Key_Return);
    EXPECT_EQ(workbench().circuit().blocks[1].value, 42);

    const QPoint block = shown(anchor(12));
    QTest::mouseMove(canvas(), block);
    QTest::mouseClick(canvas(), Qt::RightButton, Qt::NoModifier, block);
    auto* popup = find<QMenu>("PM");
    EXPECT_TRUE(popup->isVisible());
    EXPECT_EQ(popup->pos(), canvas()->mapToGlobal(block));
    popup->findChild<QAction*>("Skrtblok1")->trigger();
    popup->hide();
    EXPECT_FALSE(workbench().circuit().blocks[12].visible);
}

TEST_F(ZoomTest, FitShowsTheWholeCanvasAndExportsIgnoreTheZoom) {
    const std::string at100 = dir.file("at100.bmp"), at200 = dir.file("at200.bmp");
    workbench().savePicture(PictureFormat::Bitmap, at100);
    zoomTo(200);
    workbench().savePicture(PictureFormat::Bitmap, at200);
    EXPECT_EQ(test::readBytes(at100), test::readBytes(at200));

    press("actPrizpusobit");
    QApplication::processEvents();
    const QSize room = area()->maximumViewportSize();
    const std::size_t level = canvas()->zoom().level();
    EXPECT_LT(level, kActualSizeLevel);
    EXPECT_TRUE(QRect(QPoint(), room).contains(QRect(QPoint(), canvas()->size())));
    const QSize larger = CanvasZoom(level + 1).widgetSize(workbench().canvasSize());
    EXPECT_FALSE(larger.width() <= room.width() && larger.height() <= room.height());
    EXPECT_FALSE(area()->horizontalScrollBar()->isVisible());
    EXPECT_FALSE(area()->verticalScrollBar()->isVisible());
    // The whole circuit in view: every anchor's widget pixel is shown.
    for (const Block& entry : workbench().circuit().blocks)
        EXPECT_TRUE(canvas()->visibleWidgetArea().contains(shown({entry.x, entry.y})));
}

TEST_F(ZoomTest, FindScrollsToTheEntryAndOutlinesItUntilTheNextDraw) {
    zoomTo(200);
    const std::int32_t middle = workbench().circuit().blockIndex(7, 4);
    EXPECT_EQ(search(QString::number(middle)), QString("Blok %1").arg(middle));
    EXPECT_EQ(canvas()->outlinedEntry(), middle);
    const QRect visible = canvas()->visibleWidgetArea();
    EXPECT_LE((visible.center() - shown(anchor(middle) + QPoint(15, 20))).manhattanLength(), 4);
    // The outline is the view's own: blue on the screen, never in an export.
    const QImage picture = canvas()->grab(visible).toImage();
    const QPoint top = shown(anchor(middle) + QPoint(15, -4)) - visible.topLeft();
    EXPECT_EQ(picture.pixelColor(top), QColor(0, 120, 255));
    screenshot("found-block.png");

    EXPECT_EQ(search(" b "), "Blok 1");
    EXPECT_EQ(search("soucet"), QString("Blok %1").arg(workbench().circuit().firstOutput()));
    EXPECT_EQ(search("zzz"), test::utf8("Blok „zzz“ nebyl nalezen."));
    EXPECT_EQ(canvas()->outlinedEntry(), workbench().circuit().firstOutput());
    workbench().circuit().blocks[size_t(middle)].visible = false;
    workbench().setOption(settings::DisplayOption::HiddenBlocks, false);
    EXPECT_EQ(search(QString::number(middle)), test::utf8("Blok %1 je skrytý a nezobrazuje se.").arg(middle));

    workbench().drawClicked();
    EXPECT_EQ(canvas()->outlinedEntry(), -1);
    workbench().circuit().clearCircuit();
    EXPECT_EQ(search("1"), test::utf8("Není vykreslen žádný obvod."));
}

TEST_F(ZoomTest, TheFieldBesideTheStatusNamesTheEntryUnderTheMouse) {
    zoomTo(50);
    const Chromosome& circuit = workbench().circuit();
    const std::int32_t block = circuit.blockIndex(2, 3);
    const Block& entry = circuit.blocks[size_t(block)];
    QTest::mouseMove(canvas(), shown(anchor(block)));
    EXPECT_EQ(text("StatBarEntry"),
              QString("Blok %1: gen %2 bez funkce, hodnota 0").arg(block).arg(entry.function));
    // The description of the function the gene's row has, without the label the chooser adds.
    workbench().assignment().chooseFunction(entry.function, 3);
    workbench().circuit().blocks[size_t(block)].value = 7;
    QTest::mouseMove(canvas(), shown(anchor(block)) + QPoint(1, 0));
    const std::string description(functionDescription(3));
    EXPECT_EQ(text("StatBarEntry"),
              QString("Blok %1: %2, hodnota 7").arg(block).arg(test::utf8(description.c_str())));
    QTest::mouseMove(canvas(), shown(anchor(0)));
    EXPECT_EQ(text("StatBarEntry"), test::utf8("Blok 0: vstup „a“, hodnota 0"));
    QTest::mouseMove(canvas(), shown(anchor(circuit.firstOutput() + 1)));
    EXPECT_EQ(text("StatBarEntry"),
              QString::fromUtf8("Blok %1: výstup 1, hodnota 0").arg(circuit.firstOutput() + 1));
    QTest::mouseMove(canvas(), QPoint(1, 1));
    EXPECT_EQ(text("StatBarEntry"), "");
    // The specified status text stays what it was.
    EXPECT_EQ(text("StatBarText"), "OK");
}

TEST_F(ZoomTest, ScreenshotsAtThreeLevels) {
    workbench().setOption(settings::DisplayOption::Values, true);
    workbench().recalculate();
    for (const int percent : {50, 100, 200}) {
        zoomTo(percent);
        screenshot(("zoom-" + std::to_string(percent) + ".png").c_str());
    }
}

}  // namespace
}  // namespace pellisor

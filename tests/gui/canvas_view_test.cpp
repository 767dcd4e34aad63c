#include "gui/canvas_view.h"

#include "gui/circuit_picture.h"
#include "gui/whole_picture.h"
#include "gui/window_fixture.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QScrollArea>
#include <QScrollBar>

namespace pellisor {
namespace {

using test::renderCircuitPicture;
using test::savePicture;

using test::WindowTest;

class CanvasTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        draw();
        ASSERT_TRUE(workbench().circuit().hasCircuit());
    }
    QString status() const { return find<QLabel>("StatBarText")->text(); }
};

TEST_F(CanvasTest, CanvasDraggingABlockMovesItAndShowsTheCone) {
    CanvasView* view = canvas();
    const QPoint start = anchor(5);
    QTest::mouseMove(view, start);
    EXPECT_EQ(workbench().currentBlock(), 5);
    EXPECT_EQ(view->cursor().shape(), Qt::SizeAllCursor);

    QTest::mousePress(view, Qt::LeftButton, Qt::NoModifier, start);
    EXPECT_TRUE(workbench().dragging());
    EXPECT_TRUE(view->showsDragFrame());
    EXPECT_TRUE(status().startsWith(QString::fromUtf8("Označených bloků: 3"))) << status().toStdString();
    // The buffer holds the visible part only.
    EXPECT_EQ(view->bufferSize(), view->visibleArea().size());

    const QPoint target = start + QPoint(50, 30);
    QTest::mouseMove(view, start + QPoint(20, 10));
    QTest::mouseMove(view, target);
    EXPECT_EQ(anchor(5), target);
    // The red frame stands at the landing place.
    const QImage during = view->grab().toImage();
    EXPECT_EQ(during.pixelColor(target + QPoint(15, 0)), QColor(255, 0, 0));

    QTest::mouseRelease(view, Qt::LeftButton, Qt::NoModifier, target);
    EXPECT_FALSE(workbench().dragging());
    EXPECT_FALSE(view->showsDragFrame());
    EXPECT_EQ(anchor(5), target);
    EXPECT_EQ(workbench().currentBlock(), -1);
    EXPECT_EQ(status(), "");
    EXPECT_EQ(view->cursor().shape(), Qt::ArrowCursor);
}

TEST_F(CanvasTest, CanvasShiftHeldFromThePressMovesVerticallyOnly) {
    CanvasView* view = canvas();
    const QPoint start = anchor(4);
    QTest::mouseMove(view, start, -1);
    QTest::mousePress(view, Qt::LeftButton, Qt::ShiftModifier, start);
    QMouseEvent move(QEvent::MouseMove, QPointF(start + QPoint(40, 25)), view->mapToGlobal(QPointF(start)),
                     Qt::NoButton, Qt::LeftButton, Qt::ShiftModifier);
    QApplication::sendEvent(view, &move);
    EXPECT_EQ(anchor(4), start + QPoint(0, 25));
    QTest::mouseRelease(view, Qt::LeftButton, Qt::ShiftModifier, start + QPoint(40, 25));
}

TEST_F(CanvasTest, CanvasPaintsWhatThePictureExportDraws) {
    const QImage shown = canvas()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QImage exported = renderCircuitPicture(workbench().scene(), nullptr);
    ASSERT_EQ(shown.size(), exported.size());
    EXPECT_EQ(shown, exported);
}

TEST_F(CanvasTest, CanvasScrolledShowsThePixelsOfTheExportThere) {
    // Wide spacings make a canvas larger than the window; its wires cross the viewport's edges.
    find<QLineEdit>("EBXspc")->setText("700");
    find<QLineEdit>("EBYspc")->setText("300");
    find<QLineEdit>("EBXspc")->setFocus();
    QTest::keyClick(find<QLineEdit>("EBXspc"), Qt::Key_Return);
    QTest::mouseClick(button("SBautv"), Qt::LeftButton);
    auto* area = find<QScrollArea>("SB");
    for (const int mode : {0, 1, 2}) {
        workbench().setWiring(static_cast<WiringMode>(mode));
        area->horizontalScrollBar()->setValue(area->horizontalScrollBar()->maximum() / 2 + 7);
        area->verticalScrollBar()->setValue(area->verticalScrollBar()->maximum() / 2 + 3);
        QApplication::processEvents();
        const QRect visible = canvas()->visibleArea();
        ASSERT_LT(visible.width(), canvas()->width());
        ASSERT_LT(visible.height(), canvas()->height());
        const QImage shown = area->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
        const QImage exported = renderCircuitPicture(workbench().scene(), nullptr).copy(visible);
        ASSERT_EQ(exported, shown.copy(QRect(QPoint(0, 0), visible.size()))) << "mode " << mode;
    }
}

TEST_F(CanvasTest, CanvasPopupHidesTheBlockUnderTheMouse) {
    CanvasView* view = canvas();
    auto* menu = find<QMenu>("PM");
    auto* changeValue = menu->findChild<QAction*>("Zmnithodnotu1");
    ASSERT_NE(changeValue, nullptr);
    const QPoint at = anchor(6);
    QTest::mouseMove(view, at);
    QTest::mousePress(view, Qt::RightButton, Qt::NoModifier, at);
    ASSERT_TRUE(menu->isVisible());
    EXPECT_FALSE(changeValue->isEnabled());
    EXPECT_FALSE(workbench().dragging());
    EXPECT_LT((menu->pos() - view->mapToGlobal(at)).manhattanLength(), 3);
    menu->findChild<QAction*>("Skrtblok1")->trigger();
    menu->hide();
    EXPECT_FALSE(workbench().circuit().blocks[6].visible);

    // On a primary input the value item is offered.
    QTest::mouseMove(view, anchor(1));
    QTest::mousePress(view, Qt::RightButton, Qt::NoModifier, anchor(1));
    ASSERT_TRUE(menu->isVisible());
    EXPECT_TRUE(changeValue->isEnabled());
    menu->findChild<QAction*>("Prohoditvstupy1")->trigger();  // an input has no two inputs: nothing
    menu->hide();
    EXPECT_TRUE(workbench().circuit().blocks[1].visible);
}

TEST_F(CanvasTest, CanvasValueEditorTakesDigitsOnly) {
    CanvasView* view = canvas();
    QWidget* panel = find<QWidget>("phodn");
    QLineEdit* editor = find<QLineEdit>("ehod");
    const QPoint at = anchor(0);
    QTest::mouseMove(view, at);
    QTest::mouseDClick(view, Qt::LeftButton, Qt::NoModifier, at);
    ASSERT_FALSE(panel->isHidden());
    EXPECT_EQ(workbench().editedBlock(), 0);
    EXPECT_EQ(panel->pos(), at + QPoint(3, 2));
    EXPECT_EQ(editor->text(), "0");
    EXPECT_EQ(editor->selectedText(), "0");
    EXPECT_TRUE(editor->hasFocus());

    QTest::keyClicks(editor, "1a2-5");
    EXPECT_EQ(editor->text(), "125");
    QTest::keyClick(editor, Qt::Key_Backspace);
    QTest::keyClick(editor, '9');
    QTest::keyClick(editor, Qt::Key_Return);
    EXPECT_EQ(workbench().circuit().blocks[0].value, 129);
    EXPECT_TRUE(panel->isHidden());
    EXPECT_EQ(workbench().editedBlock(), -1);
}

TEST_F(CanvasTest, CanvasPressElsewhereCommitsTheOpenEditor) {
    CanvasView* view = canvas();
    QLineEdit* editor = find<QLineEdit>("ehod");
    // The menu item opens the editor on the input under the mouse.
    QTest::mouseMove(view, anchor(2));
    QTest::mousePress(view, Qt::RightButton, Qt::NoModifier, anchor(2));
    find<QMenu>("PM")->findChild<QAction*>("Zmnithodnotu1")->trigger();
    find<QMenu>("PM")->hide();
    ASSERT_EQ(workbench().editedBlock(), 2);
    QTest::keyClicks(editor, "77");
    const QPoint empty(5, 5);
    QTest::mouseMove(view, empty);
    QTest::mouseClick(view, Qt::LeftButton, Qt::NoModifier, empty);
    EXPECT_EQ(workbench().circuit().blocks[2].value, 77);
    EXPECT_TRUE(find<QWidget>("phodn")->isHidden());

    // An empty text cannot be committed: the message, and the editor stays.
    QTest::mouseMove(view, anchor(2));
    QTest::mouseDClick(view, Qt::LeftButton, Qt::NoModifier, anchor(2));
    ASSERT_EQ(workbench().editedBlock(), 2);
    editor->clear();
    QString message;
    test::whenModal([&](QWidget* modal) {
        message = qobject_cast<QMessageBox*>(modal)->text();
        qobject_cast<QMessageBox*>(modal)->accept();
    });
    QTest::keyClick(editor, Qt::Key_Return);
    EXPECT_EQ(message, "'' is not a valid integer value");
    EXPECT_EQ(workbench().editedBlock(), 2);
    EXPECT_FALSE(find<QWidget>("phodn")->isHidden());
    EXPECT_EQ(workbench().circuit().blocks[2].value, 77);
}

TEST_F(CanvasTest, CanvasCtrlClickFlipsTheLowestBit) {
    CanvasView* view = canvas();
    workbench().circuit().blocks[1].value = 6;
    QTest::mouseMove(view, anchor(1));
    QTest::mouseClick(view, Qt::LeftButton, Qt::ControlModifier, anchor(1));
    EXPECT_EQ(workbench().circuit().blocks[1].value, 7);
}

TEST_F(CanvasTest, CanvasHitAreaIsTheOpenSquareAroundTheAnchor) {
    CanvasView* view = canvas();
    const QPoint at = anchor(3);
    QTest::mouseMove(view, at - QPoint(5, 0));
    EXPECT_EQ(workbench().currentBlock(), -1);
    EXPECT_EQ(view->cursor().shape(), Qt::ArrowCursor);
    QTest::mouseMove(view, at - QPoint(4, 0));
    EXPECT_EQ(workbench().currentBlock(), 3);
    QMouseEvent shifted(QEvent::MouseMove, QPointF(at), view->mapToGlobal(QPointF(at)), Qt::NoButton,
                        Qt::NoButton, Qt::ShiftModifier);
    QApplication::sendEvent(view, &shifted);
    EXPECT_EQ(view->cursor().shape(), Qt::SizeVerCursor);
}

TEST_F(CanvasTest, CanvasDragAfterScrollingBuffersTheVisiblePart) {
    find<QLineEdit>("EBXspc")->setText("800");
    QTest::mouseClick(button("SBok"), Qt::LeftButton);  // redraw keeps the places
    find<QLineEdit>("EBXspc")->setFocus();
    QTest::keyClick(find<QLineEdit>("EBXspc"), Qt::Key_Return);
    QTest::mouseClick(button("SBautv"), Qt::LeftButton);
    auto* area = find<QScrollArea>("SB");
    ASSERT_GT(area->horizontalScrollBar()->maximum(), 400);
    area->horizontalScrollBar()->setValue(area->horizontalScrollBar()->maximum());
    QApplication::processEvents();

    CanvasView* view = canvas();
    const QPoint at = anchor(7);  // a block of the third column, scrolled into view
    ASSERT_TRUE(view->visibleArea().contains(at));
    QTest::mouseMove(view, at);
    QTest::mousePress(view, Qt::LeftButton, Qt::NoModifier, at);
    EXPECT_EQ(view->bufferSize(), area->viewport()->size());
    EXPECT_LT(view->bufferSize().width(), view->width());
    QTest::mouseMove(view, at + QPoint(10, 10));
    QTest::mouseRelease(view, Qt::LeftButton, Qt::NoModifier, at + QPoint(10, 10));
    EXPECT_EQ(anchor(7), at + QPoint(10, 10));
}

}  // namespace
}  // namespace pellisor

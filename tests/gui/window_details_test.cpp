// The splitter between canvas and pages, the function chooser's rows, chromosomes pasted over several
// lines and the status after a failed draw.
#include "gui/function_dialog.h"
#include "gui/window_fixture.h"

#include <QAbstractItemView>
#include <QClipboard>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QMenuBar>
#include <QMimeData>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QSet>
#include <QSplitter>
#include <QTabWidget>

namespace pellisor {
namespace {

using test::utf8;
using test::WindowTest;

TEST_F(WindowTest, SplitterStartsAtTheWindowsSizesAndGivesTheCanvasRoom) {
    auto* viewport = find<QScrollArea>("SB")->viewport();
    auto* pages = find<QTabWidget>("IPage");
    EXPECT_EQ(viewport->size(), QSize(1007, 365));
    EXPECT_EQ(pages->height(), 219);
    // The handle dragged up gives the pages room, down the canvas, as far as the pages' tabs and first
    // rows of buttons (Qt's grip of a handle without height lies 2 pixels either side of it).
    QSplitterHandle* handle = find<QSplitter>("CanvasPagesSplitter")->handle(1);
    const QPoint grip(handle->width() / 2, handle->height() / 2);
    for (const auto& [dy, pagesHeight] : {std::pair{-120, 339}, {200, 139}, {500, 110}}) {
        QTest::mousePress(handle, Qt::LeftButton, {}, grip);
        QTest::mouseMove(handle, grip + QPoint(0, dy));
        QTest::mouseRelease(handle, Qt::LeftButton, {}, grip + QPoint(0, dy));
        EXPECT_NEAR(pages->height(), pagesHeight, 4);
        EXPECT_EQ(viewport->height() + pages->height(), 365 + 219);
    }
    EXPECT_TRUE(button("SBsnb")->isVisible());
    draw();  // the canvas fits the larger viewport
    EXPECT_EQ(workbench().canvasSize().height, viewport->height());
}

TEST_F(WindowTest, FunctionChooserShowsTwentyRowsAndScrolls) {
    auto* dialog = window->findChild<FunctionDialog*>(QStringLiteral("Form2"));
    dialog->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog));
    ASSERT_GT(dialog->chooser()->count(), 40);
    dialog->openChooser(3);
    QAbstractItemView* list = dialog->chooser()->view();
    ASSERT_TRUE(list->isVisible());
    const int first = list->indexAt(QPoint(2, 1)).row();
    EXPECT_EQ(list->indexAt(QPoint(2, list->viewport()->height() - 1)).row() - first + 1, 20);
    EXPECT_GT(list->verticalScrollBar()->maximum(), 0);
    QPixmap shot = dialog->grab();
    QPainter painter(&shot);
    painter.drawPixmap(dialog->mapFromGlobal(list->window()->mapToGlobal(QPoint())), list->window()->grab());
    painter.end();
    EXPECT_TRUE(shot.save(QString::fromStdString(test::outputDirectory() + "/function-chooser-rows.png")));
    dialog->close();
}

// By paste key, paste() or a drop; pasting keeps its rule: "Uložit" follows, "Vykreslit" only a key.
TEST_F(WindowTest, ChromosomePastedOverSeveralLinesDropsItsLineBreaks) {
    const std::string joined = test::kExampleChromosome;
    auto* line = find<QLineEdit>("Edit1");
    line->setFocus();
    QGuiApplication::clipboard()->setText(
        QStringLiteral("{3,2,3,2,2,1,-1}([3]0,1,1)\r\n([4]1,2,3)([5]3,4,10)\n"
                       "([6]3,0,11)([7]5,6,2)\r([8]6,2,0)\n(7,8)\r\n"));
    line->paste();
    EXPECT_EQ(line->text().toStdString(), joined);
    EXPECT_EQ(workbench().chromosomeLine(), joined);
    EXPECT_TRUE(button("SBuloz")->isEnabled());
    EXPECT_FALSE(button("SBok")->isEnabled());
    line->selectAll();
    QTest::keySequence(line, QKeySequence::Paste);
    EXPECT_EQ(line->text().toStdString(), joined);
    QTest::mouseClick(button("SBok"), Qt::LeftButton);
    EXPECT_EQ(workbench().circuit().blockTotal(), 11);

    line->setText(QStringLiteral("ab"));
    QMimeData dragged;
    dragged.setText(QStringLiteral("x\r\ny\nz"));
    const QPoint end(line->width() - 4, line->height() / 2);
    QDragEnterEvent enter(end, Qt::CopyAction, &dragged, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(line, &enter);
    QDropEvent dropped(end, Qt::CopyAction, &dragged, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(line, &dropped);
    QTest::keyClicks(line, QStringLiteral(" (1 2)"));
    EXPECT_EQ(workbench().chromosomeLine(), "abxyz (1 2)");
}

TEST_F(WindowTest, FailedDrawNoLongerSaysOk) {
    draw();
    auto* status = find<QLabel>("StatBarText");
    EXPECT_EQ(status->text(), "OK");
    find<QLineEdit>("Edit1")->selectAll();
    QTest::keyClicks(find<QLineEdit>("Edit1"), QStringLiteral("{3,2,3"));
    test::whenModal([](QWidget* box) { box->close(); });  // "Chybny chromozom"
    QTest::mouseClick(button("SBok"), Qt::LeftButton);
    EXPECT_EQ(status->text(), utf8("Vykreslení selhalo"));
    EXPECT_FALSE(workbench().circuit().hasCircuit());
}

// The buttons' Alt keys run them (a button clicks a moment later): no menu shares their letters.
TEST_F(WindowTest, AltKeysOfTheTopButtonsRunThem) {
    QStringList keys;
    for (const QAction* menu : window->menuBar()->actions())
        keys << QKeySequence::mnemonic(menu->text()).toString();
    for (const char* name : {"SBdt", "SBok", "SBuloz"})
        keys << QKeySequence::mnemonic(button(name)->text()).toString();
    EXPECT_EQ(QSet<QString>(keys.begin(), keys.end()).size(), 8) << keys.join(' ').toStdString();
    find<QLineEdit>("Edit1")->setFocus();
    QTest::keyClicks(find<QLineEdit>("Edit1"), utf8(test::kExampleChromosome));
    QTest::keyClick(window.get(), Qt::Key_V, Qt::AltModifier);
    EXPECT_TRUE(QTest::qWaitFor([this] { return workbench().circuit().blockTotal() == 11; }, 3000));
    bool asked = false;
    test::whenModal([&asked](QWidget* modal) {
        asked = qobject_cast<QFileDialog*>(modal) != nullptr;
        static_cast<QDialog*>(modal)->reject();
    });
    QTest::keyClick(window.get(), Qt::Key_N, Qt::AltModifier);
    EXPECT_TRUE(QTest::qWaitFor([&asked] { return asked; }, 3000));
}

}  // namespace
}  // namespace pellisor

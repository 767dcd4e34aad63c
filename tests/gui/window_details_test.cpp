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
#include <QSplitter>
#include <QTabWidget>

namespace pellisor {
namespace {

using test::utf8;
using test::WindowTest;

TEST_F(WindowTest, SplitterStartsAtTheWindowsSizesAndGivesTheCanvasRoom) {
    auto* viewport = find<QScrollArea>("SB")->viewport();
    auto* pages = find<QTabWidget>("IPage");
    auto* splitter = find<QSplitter>("CanvasPagesSplitter");
    EXPECT_EQ(viewport->size(), QSize(1007, 365));
    EXPECT_EQ(pages->height(), 219);
    EXPECT_EQ(splitter->indexOf(pages), 1);

    // Dragging the handle up by 120 pixels gives them to the pages, down gives the canvas room.
    QSplitterHandle* handle = splitter->handle(1);
    const QPoint grip(handle->width() / 2, handle->height() / 2);
    auto dragHandle = [&](int dy) {
        QTest::mousePress(handle, Qt::LeftButton, {}, grip);
        QTest::mouseMove(handle, grip + QPoint(0, dy));
        QTest::mouseRelease(handle, Qt::LeftButton, {}, grip + QPoint(0, dy));
        QApplication::processEvents();
    };
    // (Qt's grip of a handle without height lies 2 pixels either side of it.)
    dragHandle(-120);
    EXPECT_NEAR(pages->height(), 219 + 120, 2);
    EXPECT_EQ(viewport->height() + pages->height(), 365 + 219);
    dragHandle(200);
    EXPECT_NEAR(pages->height(), 219 - 80, 4);
    EXPECT_EQ(viewport->height() + pages->height(), 365 + 219);
    // The pages keep their tabs and the first rows of buttons however far the handle goes.
    dragHandle(500);
    EXPECT_GE(pages->height(), 110);
    EXPECT_TRUE(button("SBsnb")->isVisible());
    EXPECT_EQ(viewport->height() + pages->height(), 365 + 219);

    // A canvas fitted now takes the larger viewport.
    draw();
    EXPECT_EQ(workbench().canvasSize().height, viewport->height());
}

TEST_F(WindowTest, FunctionChooserShowsTwentyRowsAndScrolls) {
    auto* dialog = window->findChild<FunctionDialog*>(QStringLiteral("Form2"));
    ASSERT_NE(dialog, nullptr);
    dialog->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog));
    QComboBox* chooser = dialog->chooser();
    ASSERT_GT(chooser->count(), 40);
    dialog->openChooser(3);
    QAbstractItemView* list = chooser->view();
    ASSERT_TRUE(list->isVisible());
    const int first = list->indexAt(QPoint(2, 1)).row();
    const int last = list->indexAt(QPoint(2, list->viewport()->height() - 1)).row();
    EXPECT_EQ(last - first + 1, 20);
    EXPECT_GT(list->verticalScrollBar()->maximum(), 0);
    EXPECT_LE(list->window()->height(), dialog->screen()->availableGeometry().height());
    QPixmap shot = dialog->grab();
    QPainter painter(&shot);
    painter.drawPixmap(dialog->mapFromGlobal(list->window()->mapToGlobal(QPoint())), list->window()->grab());
    painter.end();
    EXPECT_TRUE(shot.save(QString::fromStdString(test::outputDirectory() + "/function-chooser-rows.png")));
    // The last entry scrolls into sight and can be chosen.
    const int end = chooser->count() - 1;
    list->scrollTo(chooser->model()->index(end, 0));
    EXPECT_TRUE(list->viewport()->rect().contains(list->visualRect(chooser->model()->index(end, 0))));
    chooser->hidePopup();
    dialog->close();
}

TEST_F(WindowTest, ChromosomePastedOverSeveralLinesDropsItsLineBreaks) {
    const QString pieces = QStringLiteral(
        "{3,2,3,2,2,1,-1}([3]0,1,1)\r\n([4]1,2,3)([5]3,4,10)\n"
        "([6]3,0,11)([7]5,6,2)\r([8]6,2,0)\n(7,8)\r\n");
    const QString joined = utf8(test::kExampleChromosome);
    auto* line = find<QLineEdit>("Edit1");
    line->setFocus();

    // By the clipboard, with no key: "Uložit" follows the change, "Vykreslit" does not.
    QGuiApplication::clipboard()->setText(pieces);
    line->paste();
    EXPECT_EQ(line->text().toStdString(), joined.toStdString());
    EXPECT_EQ(workbench().chromosomeLine(), joined.toStdString());
    EXPECT_TRUE(button("SBuloz")->isEnabled());
    EXPECT_FALSE(button("SBok")->isEnabled());

    // By the paste key over the whole line: the key enables "Vykreslit" as every key does.
    line->selectAll();
    QTest::keySequence(line, QKeySequence::Paste);
    EXPECT_EQ(line->text().toStdString(), joined.toStdString());
    EXPECT_TRUE(button("SBok")->isEnabled());
    QTest::mouseClick(button("SBok"), Qt::LeftButton);
    EXPECT_EQ(workbench().circuit().blockTotal(), 11);

    // Dropped as text after what is there; typed text stays as typed.
    line->setText(QStringLiteral("ab"));
    QMimeData dragged;
    dragged.setText(QStringLiteral("x\r\ny\nz"));
    const QPoint at(line->width() - 4, line->height() / 2);
    QDragEnterEvent enter(at, Qt::CopyAction, &dragged, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(line, &enter);
    QDropEvent dropped(at, Qt::CopyAction, &dragged, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(line, &dropped);
    EXPECT_EQ(line->text(), QStringLiteral("abxyz"));
    EXPECT_FALSE(line->text().contains(QLatin1Char('\n')));
    line->end(false);
    QTest::keyClicks(line, QStringLiteral("(1 2)"));
    EXPECT_TRUE(line->text().endsWith(QStringLiteral("(1 2)")));
    EXPECT_EQ(workbench().chromosomeLine(), line->text().toStdString());
}

TEST_F(WindowTest, FailedDrawNoLongerSaysOk) {
    draw();
    auto* status = find<QLabel>("StatBarText");
    EXPECT_EQ(status->text(), "OK");
    auto* line = find<QLineEdit>("Edit1");
    line->selectAll();
    QTest::keyClicks(line, QStringLiteral("{3,2,3"));
    QString told;
    test::whenModal([&told](QWidget* box) {
        told = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"))->text();
        box->close();
    });
    QTest::mouseClick(button("SBok"), Qt::LeftButton);
    EXPECT_EQ(told, QStringLiteral("Chybny chromozom"));
    EXPECT_EQ(status->text(), utf8("Vykreslení selhalo"));
    EXPECT_FALSE(workbench().circuit().hasCircuit());
    EXPECT_EQ(button("SBok")->text(), "&Vykreslit");
}

// The buttons' Alt keys run them: no menu of the bar shares their letters.
TEST_F(WindowTest, AltKeysOfTheTopButtonsRunThem) {
    QList<QKeySequence> keys;
    for (const QAction* menu : window->menuBar()->actions())
        keys << QKeySequence::mnemonic(menu->text());
    for (const char* name : {"SBdt", "SBok", "SBuloz"})
        keys << QKeySequence::mnemonic(button(name)->text());
    for (qsizetype i = 0; i < keys.size(); ++i) {
        EXPECT_FALSE(keys[i].isEmpty());
        EXPECT_EQ(keys.count(keys[i]), 1) << keys[i].toString().toStdString();
    }
    auto* line = find<QLineEdit>("Edit1");
    line->setFocus();
    QTest::keyClicks(line, utf8(test::kExampleChromosome));
    // A button's key clicks it visibly, a moment later.
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

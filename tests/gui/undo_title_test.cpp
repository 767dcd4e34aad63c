// Undo and redo in the window, the title with its mark of changes, "Uložit jako", the question before
// changes are closed away, and the recent files in the menu "Soubor".
#include "gui/window_fixture.h"

#include "model/file_io.h"

#include <QAction>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

namespace pellisor {
namespace {

using test::utf8;

class UndoTitle : public test::WindowTest {
protected:
    std::string writeChromosome(const std::string& name) const {
        const std::string path = dir.file(name);
        test::writeBytes(path, std::string(test::kExampleChromosome) + "\r\n");
        return path;
    }
    // Drags an entry by (30, 60) with the mouse.
    void drag(std::int32_t index) const {
        const QPoint start = anchor(index);
        QTest::mouseMove(canvas(), start);
        QTest::mousePress(canvas(), Qt::LeftButton, Qt::NoModifier, start);
        QTest::mouseMove(canvas(), start + QPoint(30, 60));
        QTest::mouseRelease(canvas(), Qt::LeftButton, Qt::NoModifier, start + QPoint(30, 60));
    }
    // Answers the next save dialog with `path`, or cancels it when empty.
    static void answerSaveDialog(const std::string& path) {
        test::whenModal([path](QWidget* modal) {
            auto* dialog = qobject_cast<QFileDialog*>(modal);
            ASSERT_NE(dialog, nullptr);
            if (path.empty()) return dialog->reject();
            dialog->selectFile(QString::fromStdString(path));
            static_cast<QDialog*>(dialog)->accept();
        });
    }
    // Closes the window; the question about changes is answered by the button `answer`.
    // With "Uložit", the save dialog that follows is answered by `savePath` (empty: cancelled).
    bool closeAnswering(const char* answer, const std::string& screenshot = {},
                        const std::string& savePath = {}) {
        bool asked = false;
        test::whenModal([&asked, answer, screenshot, savePath](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            ASSERT_NE(box, nullptr);
            asked = true;
            EXPECT_EQ(box->text(), utf8("Obvod nebo jeho rozmístění byly změněny. Uložit změny?"));
            QStringList captions;
            for (QAbstractButton* button : box->buttons())
                captions << button->text();
            captions.sort();
            EXPECT_EQ(captions, (QStringList{utf8("Uložit"), utf8("Zahodit"), utf8("Zrušit")}));
            if (!screenshot.empty()) {
                EXPECT_TRUE(
                    box->grab().save(QString::fromStdString(test::outputDirectory() + "/" + screenshot)));
            }
            if (std::string(answer) == "Uložit") answerSaveDialog(savePath);
            for (QAbstractButton* button : box->buttons()) {
                if (button->text() == utf8(answer)) button->click();
            }
        });
        const bool closed = window->close();
        EXPECT_TRUE(asked);
        return closed;
    }
};

TEST_F(UndoTitle, EditsMarkTheTitleUntilUndoneOrSaved) {
    EXPECT_EQ(window->windowTitle(), "Pellisor");
    ASSERT_TRUE(workbench().loadAndDraw(writeChromosome("a.chr")));
    EXPECT_EQ(window->windowTitle(), utf8("Pellisor – a.chr"));
    auto* undo = find<QAction>("actZpet");
    auto* redo = find<QAction>("actZnovu");
    EXPECT_FALSE(undo->isEnabled());

    const QPoint before = anchor(7);
    drag(7);
    EXPECT_EQ(anchor(7), before + QPoint(30, 60));
    EXPECT_EQ(window->windowTitle(), utf8("Pellisor – a.chr*"));
    EXPECT_TRUE(undo->isEnabled());

    // Ctrl+Z in the chromosome line is the line's own undo of its text.
    auto* line = find<QLineEdit>("Edit1");
    line->setFocus();
    QTest::keyClicks(line, "xy");
    QTest::keyClick(line, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_FALSE(line->text().endsWith(QStringLiteral("xy")));
    EXPECT_EQ(anchor(7), before + QPoint(30, 60));

    canvas()->setFocus();
    QTest::keyClick(canvas(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(anchor(7), before);
    EXPECT_EQ(window->windowTitle(), utf8("Pellisor – a.chr"));
    EXPECT_TRUE(redo->isEnabled());
    QTest::keyClick(canvas(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(anchor(7), before + QPoint(30, 60));
    EXPECT_EQ(window->windowTitle(), utf8("Pellisor – a.chr*"));

    // "Uložit jako" writes the circuit with its layout; the new file is the window's.
    answerSaveDialog(dir.file("b.chr"));
    QTest::keyClick(canvas(), Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(window->windowTitle(), utf8("Pellisor – b.chr"));
    EXPECT_TRUE(fileExists(dir.file("b.ini")));
    undo->trigger();
    EXPECT_EQ(window->windowTitle(), utf8("Pellisor – b.chr*"));

    // A draw starts the history afresh.
    QTest::mouseClick(button("SBok"), Qt::LeftButton);
    EXPECT_FALSE(undo->isEnabled());
    EXPECT_FALSE(redo->isEnabled());
}

TEST_F(UndoTitle, ClosingWithChangesAsksToSaveDiscardOrCancel) {
    EXPECT_TRUE(window->close()) << "nothing to ask without changes";
    window->show();
    ASSERT_TRUE(workbench().loadAndDraw(writeChromosome("a.chr")));
    EXPECT_TRUE(window->close());
    window->show();
    drag(5);

    EXPECT_FALSE(closeAnswering("Zrušit", "unsaved-question.png"));
    EXPECT_TRUE(window->isVisible());
    EXPECT_FALSE(closeAnswering("Uložit"));  // the save dialog cancelled: the window stays
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(closeAnswering("Uložit", {}, dir.file("saved.chr")));
    EXPECT_TRUE(fileExists(dir.file("saved.chr")));

    window->show();
    drag(6);
    EXPECT_TRUE(closeAnswering("Zahodit"));
    EXPECT_FALSE(window->isVisible());
}

TEST_F(UndoTitle, TheLastFilesStayInTheMenuAcrossWindows) {
    test::writeBytes(dir.file("set.ini"), "[Jine]\nklic=1\n");
    window = std::make_unique<MainWindow>(dir.file("set.ini"));
    EXPECT_FALSE(find<QAction>("actPosledni1")->isVisible());
    for (const char* name : {"a.chr", "b.chr", "a.chr", "c.chr"})
        ASSERT_TRUE(workbench().loadAndDraw(writeChromosome(name)));
    const auto entry = [this](int number) {
        return find<QAction>(("actPosledni" + std::to_string(number)).c_str());
    };
    EXPECT_EQ(entry(1)->text(), "&1 c.chr");
    EXPECT_EQ(entry(1)->statusTip(), QString::fromStdString(dir.file("c.chr")));
    EXPECT_EQ(entry(2)->text(), "&2 a.chr");
    EXPECT_EQ(entry(3)->text(), "&3 b.chr");
    EXPECT_FALSE(entry(4)->isVisible());

    // Another window reads the list from set.ini, whose other sections stay as they were.
    window = std::make_unique<MainWindow>(dir.file("set.ini"));
    EXPECT_TRUE(test::readBytes(dir.file("set.ini")).starts_with("[Jine]\nklic=1\n"));
    EXPECT_EQ(entry(3)->text(), "&3 b.chr");
    entry(3)->trigger();
    EXPECT_EQ(workbench().fileName(), dir.file("b.chr"));
    EXPECT_EQ(entry(1)->text(), "&1 b.chr");

    // A file gone is dropped from the list with a message.
    std::remove(dir.file("c.chr").c_str());
    QString message;
    test::whenModal([&message](QWidget* modal) {
        message = qobject_cast<QMessageBox*>(modal)->text();
        modal->close();
    });
    entry(2)->trigger();
    EXPECT_TRUE(message.contains(utf8("již neexistuje"))) << message.toStdString();
    EXPECT_EQ(entry(2)->text(), "&2 a.chr");
    EXPECT_FALSE(entry(3)->isVisible());
}

}  // namespace
}  // namespace pellisor

// Undo and redo in the window, the title with its mark of changes, "Uložit jako", the question before
// changes are closed away, and the recent files in the menu "Soubor".
#include "gui/window_fixture.h"

#include "model/file_io.h"

#include <QAction>
#include <QFileDialog>
#include <QMessageBox>

namespace pellisor {
namespace {

using test::utf8;

class UndoTitle : public test::WindowTest {
protected:
    std::string load(const std::string& name) const {
        test::writeBytes(dir.file(name), test::kExampleChromosome);
        EXPECT_TRUE(workbench().loadAndDraw(dir.file(name)));
        return dir.file(name);
    }
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
            if (path.empty() || !dialog) {
                modal->close();
                return;
            }
            test::acceptFileDialog(dialog, path);
        });
    }
    // Closes the window answering the question with `answer`; "Uložit" saves as `savePath`.
    bool closeAnswering(const QString& answer, const std::string& savePath = {},
                        const char* screenshot = "") {
        QStringList captions;
        test::whenModal([&captions, answer, savePath, screenshot](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            if (*screenshot) box->grab().save(QString::fromStdString(test::outputDirectory() + screenshot));
            captions << box->text();
            if (answer == utf8("Uložit")) answerSaveDialog(savePath);
            for (QAbstractButton* button : box->buttons())
                captions << button->text();
            for (QAbstractButton* button : box->buttons())
                if (button->text() == answer) return button->click();
        });
        const bool closed = window->close();
        EXPECT_EQ(captions, (QStringList{utf8("Obvod nebo jeho rozmístění byly změněny. Uložit změny?"),
                                         utf8("Uložit"), utf8("Zrušit"), utf8("Zahodit")}));
        return closed;
    }
};

TEST_F(UndoTitle, EditsMarkTheTitleUntilUndone) {
    EXPECT_EQ(window->windowTitle(), "Pellisor");
    load("a.chr");
    EXPECT_EQ(window->windowTitle(), utf8("Pellisor – a.chr"));
    auto* undo = find<QAction>("actZpet");
    EXPECT_FALSE(undo->isEnabled());
    const QPoint before = anchor(7);
    drag(7);
    EXPECT_EQ(window->windowTitle(), utf8("Pellisor – a.chr*"));

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
    QTest::keyClick(canvas(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(anchor(7), before + QPoint(30, 60));
    EXPECT_EQ(window->windowTitle(), utf8("Pellisor – a.chr*"));

    QTest::mouseClick(button("SBok"), Qt::LeftButton);  // a draw starts the history afresh
    EXPECT_FALSE(undo->isEnabled());
}

TEST_F(UndoTitle, ClosingWithChangesAsksToSaveDiscardOrCancel) {
    load("a.chr");
    EXPECT_TRUE(window->close()) << "no question without changes";
    window->show();
    drag(5);
    EXPECT_FALSE(closeAnswering(utf8("Zrušit"), {}, "/unsaved-question.png"));
    EXPECT_FALSE(closeAnswering(utf8("Uložit")));  // the save dialog cancelled
    EXPECT_TRUE(window->isVisible());
    // "Uložit" is "Uložit jako": the circuit with its layout, and the file is the window's.
    EXPECT_TRUE(closeAnswering(utf8("Uložit"), dir.file("saved.chr")));
    EXPECT_TRUE(fileExists(dir.file("saved.ini")));
    EXPECT_EQ(window->windowTitle(), utf8("Pellisor – saved.chr"));
    window->show();
    drag(6);
    EXPECT_TRUE(closeAnswering(utf8("Zahodit")));
    EXPECT_FALSE(window->isVisible());
}

TEST_F(UndoTitle, TheLastFilesStayInTheMenuAcrossWindows) {
    test::writeBytes(dir.file("set.ini"), "[Jine]\nklic=1\n");
    window = std::make_unique<MainWindow>(dir.file("set.ini"));
    const auto entry = [this](int n) { return find<QAction>(("actPosledni" + std::to_string(n)).c_str()); };
    for (const char* name : {"a.chr", "b.chr", "a.chr", "c.chr"})
        load(name);
    EXPECT_EQ(entry(1)->text(), "&1 c.chr");
    EXPECT_EQ(entry(1)->statusTip(), QString::fromStdString(dir.file("c.chr")));
    EXPECT_EQ(entry(3)->text(), "&3 b.chr");
    EXPECT_FALSE(entry(4)->isVisible());

    // Another window reads the list from set.ini, whose other sections stay as they were.
    window = std::make_unique<MainWindow>(dir.file("set.ini"));
    EXPECT_TRUE(test::readBytes(dir.file("set.ini")).starts_with("[Jine]\nklic=1\n"));
    entry(3)->trigger();
    EXPECT_EQ(workbench().fileName(), dir.file("b.chr"));
    EXPECT_EQ(entry(1)->text(), "&1 b.chr");
    // A file gone leaves the list with a message.
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

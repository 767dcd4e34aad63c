// The button that rewrites the chromosome line from the circuit in memory, on the page "Funkce".
#include "gui/window_fixture.h"

#include <QFileDialog>
#include <QTabWidget>

namespace pellisor {
namespace {

using test::utf8;
using test::WindowTest;

class FromCircuit : public WindowTest {
protected:
    // "Uložit" with the file dialog answered by `path`.
    void saveChromosomeAs(const std::string& path) {
        test::whenModal([path](QWidget* modal) {
            auto* dialog = qobject_cast<QFileDialog*>(modal);
            ASSERT_NE(dialog, nullptr);
            test::acceptFileDialog(dialog, path);
        });
        QTest::mouseClick(button("SBuloz"), Qt::LeftButton);
    }
};

TEST_F(FromCircuit, AfterEliminationTheLineAndTheSavedFileFollowTheCircuit) {
    QToolButton* fromCircuit = button("SBzobv");
    ASSERT_NE(fromCircuit, nullptr);
    EXPECT_EQ(fromCircuit->text(), utf8("Chromozom z obvodu"));
    EXPECT_EQ(fromCircuit->toolTip(), utf8("Přepíše řádek chromozomu podle obvodu v paměti"));
    EXPECT_TRUE(fromCircuit->autoRaise());
    EXPECT_FALSE(fromCircuit->isEnabled());
    workbench().chromosomeFromCircuitClicked();  // no circuit: nothing to write
    EXPECT_EQ(find<QLineEdit>("Edit1")->text(), "");

    draw();
    EXPECT_TRUE(fromCircuit->isEnabled());
    // Gene 1 passes its first input on: block 3 reads inputs 0 and 1, and blocks 5 and 6 read it.
    workbench().assignment().setIdentifier(1, 4);
    workbench().circuit().blocks[6].x = 321;
    QTest::mouseClick(button("SBoptimize"), Qt::LeftButton);
    ASSERT_EQ(workbench().circuit().blocks[3].mark, kMarkRedundant);
    saveChromosomeAs(dir.file("before.chr"));
    ASSERT_FALSE(button("SBuloz")->isEnabled());

    QTest::mouseClick(fromCircuit, Qt::LeftButton);
    const char* rewritten =
        "{3,2,3,2,2,1,-1}([3]0,1,1)([4]1,2,3)([5]0,4,10)([6]0,0,11)([7]5,6,2)([8]6,2,0)(7,8)";
    EXPECT_EQ(find<QLineEdit>("Edit1")->text(), rewritten);
    EXPECT_TRUE(button("SBuloz")->isEnabled());

    // Redrawn, it is the same circuit, the eliminated gate still marked and the moved block in place.
    EXPECT_EQ(button("SBok")->text(), utf8("Překreslit"));
    QTest::mouseClick(button("SBok"), Qt::LeftButton);
    EXPECT_EQ(workbench().circuit().blocks[3].mark, kMarkRedundant);
    EXPECT_EQ(workbench().circuit().blocks[5].inputs, (std::vector<std::int32_t>{0, 4}));
    EXPECT_EQ(workbench().circuit().blocks[6].x, 321);

    saveChromosomeAs(dir.file("after.chr"));
    EXPECT_EQ(test::readBytes(dir.file("after.chr")), std::string("# \r\n") + rewritten + "\r\n");
    EXPECT_FALSE(button("SBuloz")->isEnabled());
}

TEST_F(FromCircuit, EveryCaptionOfThePageFunkceFitsItsButton) {
    draw();
    auto* pages = find<QTabWidget>("IPage");
    pages->setCurrentIndex(0);
    QApplication::processEvents();
    QWidget* page = find<QWidget>("TabSheet1");
    const QList<QToolButton*> buttons = page->findChildren<QToolButton*>();
    EXPECT_EQ(buttons.size(), 20);  // with "Kvalita filtru", "Chyba obvodu" and "Vygenerovat HW"
    for (QToolButton* control : buttons) {
        SCOPED_TRACE(control->objectName().toStdString());
        const QFontMetrics metrics(control->font());
        EXPECT_LE(metrics.horizontalAdvance(control->text()) + 6, control->width());
        EXPECT_LE(metrics.height() + 4, control->height());
        EXPECT_TRUE(page->rect().contains(control->geometry()));
    }
    ASSERT_TRUE(window->grab().toImage().save(
        QString::fromStdString(test::outputDirectory() + "/main-window-function-page.png")));
}

}  // namespace
}  // namespace pellisor

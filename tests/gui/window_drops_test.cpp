// Files dropped on the window: chromosome files load, layouts apply, bitmaps are offered to the filter,
// everything else is refused while it is dragged.
#include "export/bmp_reader.h"
#include "export/bmp_writer.h"
#include "gui/window_fixture.h"
#include "model/chromosome_writer.h"

#include <QFile>
#include <QFileDialog>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QMimeData>
#include <QUrl>

namespace pellisor {
namespace {

using test::utf8;

QUrl url(const std::string& path) {
    return QUrl::fromLocalFile(QFile::decodeName(QByteArray::fromStdString(path)));
}

class WindowDrops : public test::WindowTest {
protected:
    // Drags `urls` over `target` (the window when none) and drops them; true when it was accepted.
    bool drop(const QList<QUrl>& urls, QWidget* target = nullptr) {
        if (target == nullptr) target = window.get();
        QMimeData data;
        data.setUrls(urls);
        const QPoint at(target->width() / 2, target->height() / 2);
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(target, &enter);
        QDropEvent dropped(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(target, &dropped);
        QApplication::processEvents();  // the files are handled once the drop has ended
        return enter.isAccepted() && dropped.isAccepted();
    }
    // Answers the next message box with `button`, keeping its text in `told`; `then` acts next.
    void answer(QMessageBox::StandardButton button = QMessageBox::Ok, std::function<void()> then = {}) {
        test::whenModal([this, button, then](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            ASSERT_NE(box, nullptr);
            told = box->text();
            if (then) then();
            box->button(button)->click();
        });
    }
    std::string example(const char* name) const {
        test::writeBytes(dir.file(name), test::readBytes(std::string(PELLISOR_EXAMPLES_DIR "/") + name));
        return dir.file(name);
    }
    QString told;
};

TEST_F(WindowDrops, ChromosomeFilesLoadAsTheOpenCommandLoadsThemAndOtherFilesAreRefused) {
    const std::string path = dir.file("first.CHR");  // any case
    saveChromosomeFile(path, "popis", {}, {}, test::kExampleChromosome);
    for (const QUrl& refused :
         {url(dir.file("notes.txt")), QUrl(QStringLiteral("https://example.org/a.chr"))}) {
        EXPECT_FALSE(drop({url(path), refused}));
    }
    EXPECT_TRUE(workbench().fileName().empty());
    // On the chromosome line, which would otherwise insert the name as text.
    EXPECT_TRUE(drop({url(path)}, find<QWidget>("Edit1")));
    EXPECT_EQ(workbench().fileName(), path);
    EXPECT_EQ(find<QLineEdit>("Edit1")->text(), utf8(test::kExampleChromosome));
    EXPECT_EQ(find<QLabel>("StatBarText")->text(), "OK");
    EXPECT_EQ(button("SBok")->text(), "&Vykreslit");  // the next draw lays it out afresh
    EXPECT_TRUE(button("SBev")->isEnabled());

    // A .vrc whose first question is cancelled keeps the previous chromosome and says so.
    const std::string cells = example("cells.vrc");
    test::whenModal([this](QWidget* modal) {
        ASSERT_NE(qobject_cast<QInputDialog*>(modal), nullptr);
        answer();
        static_cast<QDialog*>(modal)->reject();
    });
    EXPECT_TRUE(drop({url(cells)}, canvas()));
    EXPECT_EQ(told, utf8(loadCancelledMessage(cells).c_str()));
    EXPECT_EQ(workbench().circuit().inputCount, 3);
    EXPECT_TRUE(drop({url(example("median9.cha"))}, find<QWidget>("IPage")));
    EXPECT_EQ(workbench().circuit().inputCount, 9);
}

TEST_F(WindowDrops, LayoutsApplyToTheDrawnCircuitAfterTheirChromosome) {
    const std::string chromosome = example("adder.chr");
    const std::string layout = example("adder.ini");
    test::writeBytes(layout, test::readBytes(layout) + "[b5]\nx=333\ny=222\n");
    answer();
    EXPECT_TRUE(drop({url(layout)}));
    EXPECT_EQ(told, utf8("Rozmístění adder.ini nelze načíst: není vykreslen žádný obvod"));
    // Together in any order: the chromosome is laid out on the grid, then the layout moves it.
    EXPECT_TRUE(drop({url(layout), url(chromosome)}));
    EXPECT_EQ(workbench().layoutFileName(), layout);
    EXPECT_EQ(anchor(5), QPoint(333, 222));
    workbench().loadAndDraw(chromosome);
    EXPECT_NE(anchor(5), QPoint(333, 222));
    EXPECT_TRUE(drop({url(layout)}));
    EXPECT_EQ(anchor(5), QPoint(333, 222));
}

TEST_F(WindowDrops, BitmapsAreOfferedToTheFilterOfANineInputCircuit) {
    const std::string source = dir.file("noisy.Bmp");
    writeBmpFile(source, *RgbImage::blank(12, 9));
    answer();
    EXPECT_TRUE(drop({url(source)}));
    EXPECT_EQ(told, utf8("Obraz noisy.Bmp nelze vyfiltrovat: není vykreslen žádný obvod"));
    draw();  // three inputs
    answer();
    EXPECT_TRUE(drop({url(source)}));
    EXPECT_TRUE(told.startsWith(utf8("Obraz noisy.Bmp nelze vyfiltrovat: obvod není filtr 3x3")));

    EXPECT_TRUE(drop({url(example("median3x3.chr"))}));
    answer(QMessageBox::No);  // nothing happens
    EXPECT_TRUE(drop({url(source)}));
    EXPECT_EQ(told, utf8("Vyfiltrovat obraz noisy.Bmp obvodem 3x3?"));
    // "Ano": the filter job, then the save dialog of "Vyfiltrovat obraz 3x3".
    const std::string target = dir.file("filtered.bmp");
    answer(QMessageBox::Yes, [target] {
        test::whenModal([target](QWidget* modal) {
            auto* dialog = qobject_cast<QFileDialog*>(modal);
            ASSERT_NE(dialog, nullptr);
            EXPECT_EQ(dialog->nameFilters(), QStringList(QStringLiteral("Bitmaps (*.bmp)")));
            test::acceptFileDialog(dialog, target);
        });
    });
    EXPECT_TRUE(drop({url(source)}));
    const RgbImage result = readBmpFile(target);
    EXPECT_EQ(result.width, 12);
    EXPECT_EQ(result.row(0)[0], 255);  // the red frame of a filtered picture
}

}  // namespace
}  // namespace pellisor

// Files dropped on the window: chromosome files load, layouts apply, bitmaps are offered to the filter,
// and everything else is refused while it is dragged.
#include "export/bmp_reader.h"
#include "export/bmp_writer.h"
#include "gui/window_fixture.h"
#include "model/chromosome_writer.h"
#include "support/random_circuit.h"

#include <QFile>
#include <QFileDialog>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QMimeData>
#include <QUrl>

#include <random>

namespace pellisor {
namespace {

using test::utf8;

class WindowDrops : public test::WindowTest {
protected:
    // Drags `urls` over `target` (the window when none) and drops them there; true when the drag was
    // accepted. The dropped files are handled once the drop has ended.
    bool drop(const QList<QUrl>& urls, QWidget* target = nullptr) {
        if (target == nullptr) target = window.get();
        QMimeData data;
        data.setUrls(urls);
        const QPoint at(target->width() / 2, target->height() / 2);
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(target, &enter);
        QDropEvent dropped(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(target, &dropped);
        QApplication::processEvents();
        EXPECT_EQ(enter.isAccepted(), dropped.isAccepted());
        return enter.isAccepted();
    }
    bool drop(const std::string& path, QWidget* target = nullptr) {
        return drop({QUrl::fromLocalFile(QFile::decodeName(QByteArray::fromStdString(path)))}, target);
    }

    // The text of the next message box, closed once read.
    static void readMessage(QString& text) {
        test::whenModal([&text](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            ASSERT_NE(box, nullptr);
            text = box->text();
            box->close();
        });
    }

    std::string writeChromosome(const std::string& name, const std::string& line) const {
        const std::string path = dir.file(name);
        saveChromosomeFile(path, "popis", {}, {}, line);
        return path;
    }
};

TEST_F(WindowDrops, ChromosomeFilesOfEveryKindLoadAsTheOpenCommandLoadsThem) {
    const std::string path = writeChromosome("first.CHR", test::kExampleChromosome);
    // On the canvas, on the chromosome line (which would otherwise insert text) and on the pages.
    EXPECT_TRUE(drop(path, find<QWidget>("Edit1")));
    EXPECT_EQ(workbench().fileName(), path);
    EXPECT_EQ(find<QLineEdit>("Edit1")->text(), utf8(test::kExampleChromosome));
    EXPECT_EQ(find<QLabel>("StatBarText")->text(), "OK");
    EXPECT_EQ(button("SBok")->text(), "&Vykreslit");  // ready to lay the next one out afresh
    EXPECT_TRUE(button("SBev")->isEnabled());

    // A .vrc whose first question is cancelled keeps the previous chromosome and says so.
    const std::string cells = dir.file("cells.Vrc");
    test::writeBytes(cells, test::readBytes(PELLISOR_EXAMPLES_DIR "/cells.vrc"));
    QString told;
    test::whenModal([&told](QWidget* modal) {
        ASSERT_NE(qobject_cast<QInputDialog*>(modal), nullptr);
        readMessage(told);
        static_cast<QDialog*>(modal)->reject();
    });
    EXPECT_TRUE(drop(cells, canvas()));
    EXPECT_EQ(told, utf8(loadCancelledMessage(cells).c_str()));
    EXPECT_EQ(workbench().circuit().inputCount, 3);

    const std::string gates = dir.file("median9.cha");
    test::writeBytes(gates, test::readBytes(PELLISOR_EXAMPLES_DIR "/median9.cha"));
    EXPECT_TRUE(drop(gates, find<QWidget>("IPage")));
    EXPECT_EQ(workbench().fileName(), gates);
    EXPECT_EQ(workbench().circuit().inputCount, 9);
}

TEST_F(WindowDrops, OtherFilesAreRefusedWhileDragged) {
    const std::string chromosome = writeChromosome("a.chr", test::kExampleChromosome);
    const std::string text = dir.file("notes.txt");
    test::writeBytes(text, "{1,1,1,1,2,1,-1}([1]0,0,1)(1)");
    const QUrl remote(QStringLiteral("https://example.org/a.chr"));
    EXPECT_FALSE(drop(text));
    EXPECT_FALSE(drop({remote}));
    // One file the window does not take spoils the whole drag.
    EXPECT_FALSE(drop({QUrl::fromLocalFile(QString::fromStdString(chromosome)),
                       QUrl::fromLocalFile(QString::fromStdString(text))}));
    EXPECT_FALSE(drop(dir.file("picture.png")));
    EXPECT_TRUE(workbench().fileName().empty());
    EXPECT_EQ(find<QLineEdit>("Edit1")->text(), "");
}

TEST_F(WindowDrops, LayoutsApplyToTheDrawnCircuitAndComeAfterTheirChromosome) {
    const std::string layout = dir.file("saved.INI");
    QString told;
    readMessage(told);
    EXPECT_TRUE(drop(layout));
    EXPECT_EQ(told, utf8("Rozmístění saved.INI nelze načíst: není vykreslen žádný obvod"));

    const std::string chromosome = writeChromosome("saved.chr", test::kExampleChromosome);
    EXPECT_TRUE(drop(chromosome));
    workbench().circuit().blocks[5].x += 40;
    workbench().circuit().blocks[6].y += 30;
    workbench().writeCircuitFiles(chromosome);  // the layout beside it: saved.ini
    QFile::rename(QString::fromStdString(dir.file("saved.ini")), QString::fromStdString(layout));
    const QPoint moved5 = anchor(5);
    const QPoint moved6 = anchor(6);

    // Dropped together, in any order: the chromosome is laid out afresh, then the layout moves it.
    EXPECT_TRUE(drop({QUrl::fromLocalFile(QString::fromStdString(layout)),
                      QUrl::fromLocalFile(QString::fromStdString(chromosome))}));
    EXPECT_EQ(anchor(5), moved5);
    EXPECT_EQ(anchor(6), moved6);
    EXPECT_EQ(workbench().layoutFileName(), layout);

    // A layout that does not fit is reported as "Načíst rozmístění" reports it.
    test::writeBytes(dir.file("other.ini"), "[Global]\nm=7\nn=7\n");
    told.clear();
    readMessage(told);
    EXPECT_TRUE(drop(dir.file("other.ini")));
    EXPECT_TRUE(told.startsWith(utf8("Rozmístění ") + QString::fromStdString(dir.file("other.ini")) +
                                utf8(" nepatří k tomuto obvodu")));
    EXPECT_EQ(anchor(5), moved5);
}

TEST_F(WindowDrops, BitmapsAreOfferedToTheFilterOfANineInputCircuit) {
    std::mt19937 rng(17);
    RgbImage picture = *RgbImage::blank(12, 9);
    for (std::uint8_t& sample : picture.pixels)
        sample = static_cast<std::uint8_t>(rng());
    const std::string source = dir.file("noisy.Bmp");
    writeBmpFile(source, picture);

    QString told;
    readMessage(told);
    EXPECT_TRUE(drop(source));
    EXPECT_EQ(told, utf8("Obraz noisy.Bmp nelze vyfiltrovat: není vykreslen žádný obvod"));
    draw();  // three inputs
    told.clear();
    readMessage(told);
    EXPECT_TRUE(drop(source));
    EXPECT_TRUE(told.startsWith(utf8("Obraz noisy.Bmp nelze vyfiltrovat: obvod není filtr 3x3")));

    // Output 0 reads the centre pixel: the result is the source inside a red frame.
    const Chromosome filter = test::randomCircuit(rng, test::CircuitShape{9, 1, 3, 2, 2}, true, 7);
    std::string line = test::chromosomeLine(filter);
    line.replace(line.rfind('('), std::string::npos, "(4)");
    EXPECT_TRUE(drop(writeChromosome("filter.chr", line)));

    // "Ne" leaves the picture alone; "Ano" runs the filter and asks where to save the result.
    test::whenModal([&told](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        ASSERT_NE(box, nullptr);
        told = box->text();
        box->button(QMessageBox::No)->click();
    });
    EXPECT_TRUE(drop(source));
    EXPECT_EQ(told, utf8("Vyfiltrovat obraz noisy.Bmp obvodem 3x3?"));
    const std::string target = dir.file("filtered.bmp");
    test::whenModal([target](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        ASSERT_NE(box, nullptr);
        test::whenModal([target](QWidget* next) {
            auto* dialog = qobject_cast<QFileDialog*>(next);
            ASSERT_NE(dialog, nullptr);
            EXPECT_EQ(dialog->nameFilters(), QStringList(QStringLiteral("Bitmaps (*.bmp)")));
            dialog->findChild<QLineEdit*>("fileNameEdit")->setText(QString::fromStdString(target));
            static_cast<QDialog*>(dialog)->accept();
        });
        box->button(QMessageBox::Yes)->click();
    });
    EXPECT_TRUE(drop(source));
    const RgbImage result = readBmpFile(target);
    ASSERT_EQ(result.width, picture.width);
    ASSERT_EQ(result.height, picture.height);
    for (std::int32_t y = 0; y < picture.height; ++y) {
        for (std::int32_t x = 0; x < picture.width; ++x) {
            const bool frame = x == 0 || y == 0 || x == picture.width - 1 || y == picture.height - 1;
            const std::uint8_t* got = result.row(y) + 3 * x;
            const std::uint8_t* was = picture.row(y) + 3 * x;
            for (int channel = 0; channel < 3; ++channel) {
                const std::uint8_t expected = frame ? (channel == 0 ? 255 : 0) : was[channel];
                ASSERT_EQ(got[channel], expected) << x << "," << y << " channel " << channel;
            }
        }
    }
}

}  // namespace
}  // namespace pellisor

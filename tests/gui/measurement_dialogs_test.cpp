// The dialogs "Kvalita filtru" and "Chyba obvodu", opened from their buttons beside the pages.
#include "app/error_measurement.h"
#include "export/bmp_reader.h"
#include "export/bmp_writer.h"
#include "gui/circuit_error_dialog.h"
#include "gui/circuit_picture.h"
#include "gui/histogram_view.h"
#include "gui/picture_pane.h"
#include "gui/quality_dialog.h"
#include "gui/window_fixture.h"
#include "measure/block_pictures.h"
#include "measure/measure_json.h"
#include "measure/quality_report.h"
#include "support/random_circuit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>

#include <random>

namespace pellisor {
namespace {

using test::utf8;
using test::WindowTest;

// With PELLISOR_SCREENSHOTS set, the dialogs are also kept as pictures there for a look.
void keepScreenshot(QWidget* widget, const char* name) {
    const QByteArray directory = qgetenv("PELLISOR_SCREENSHOTS");
    if (!directory.isEmpty()) widget->grab().save(QString::fromLocal8Bit(directory) + "/" + name);
}

class MeasurementDialogs : public WindowTest {
protected:
    template <typename T>
    T* child(QWidget* parent, const char* name) const {
        T* widget = parent->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    // Answers the next file dialog with `path`.
    static void answerFileDialog(const std::string& path) {
        test::whenModal([path](QWidget* modal) {
            auto* dialog = qobject_cast<QFileDialog*>(modal);
            ASSERT_NE(dialog, nullptr);
            test::acceptFileDialog(dialog, path);
        });
    }
    std::mt19937 rng{15};
};

TEST_F(MeasurementDialogs, QualityRunShowsTheCoreFiguresSavesThemAndShowsClickedBlocks) {
    test::CircuitShape shape{9, 1, 4, 3, 2};
    const Chromosome random = test::randomCircuit(rng, shape, true, 7);
    const std::string line = test::chromosomeLine(random);
    draw(line.c_str());
    RgbImage reference = *RgbImage::blank(48, 36);
    for (std::uint8_t& sample : reference.pixels)
        sample = static_cast<std::uint8_t>(rng());
    writeBmpFile(dir.file("ref.bmp"), reference);

    QToolButton* open = button("SBkvalita");
    EXPECT_EQ(open->text(), utf8("Kvalita filtru"));
    EXPECT_TRUE(open->isEnabled());
    QTest::mouseClick(open, Qt::LeftButton);
    auto* dialog = window->findChild<QualityDialog*>("qualityDialog");
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_FALSE(dialog->isModal());
    auto* kinds = child<QComboBox>(dialog, "noiseKind");
    const QStringList labels{utf8("Sůl a pepř"), utf8("Náhodné hodnoty"), utf8("Gaussův šum"),
                             utf8("Bez šumu")};
    for (int i = 0; i < labels.size(); ++i)
        EXPECT_EQ(kinds->itemText(i), labels[i]);

    child<QLineEdit>(dialog, "referencePicture")->setText(QString::fromStdString(dir.file("ref.bmp")));
    kinds->setCurrentIndex(0);
    child<QDoubleSpinBox>(dialog, "noiseLevel")->setValue(0.25);
    child<QSpinBox>(dialog, "noiseSeed")->setValue(9);
    QTest::mouseClick(child<QPushButton>(dialog, "measure"), Qt::LeftButton);
    ASSERT_TRUE(dialog->lastRun());

    Chromosome circuit = test::parsed(line);
    const NoiseSettings noise{NoiseKind::SaltAndPepper, 0.25, 9};
    const RgbImage noisy = addNoise(reference, noise);
    const RgbImage filtered = *filterImage3x3(circuit, workbench().assignment(), noisy);
    const std::array<QualityFigures, 3> figures{compareInterior(filtered, reference),
                                                compareInterior(noisy, reference),
                                                compareInterior(median3x3(noisy), reference)};
    auto* table = child<QTableWidget>(dialog, "figures");
    EXPECT_EQ(table->verticalHeaderItem(2)->text(), utf8("Medián 3x3"));
    for (int row = 0; row < 3; ++row) {
        const auto texts = qualityTableRow(figures[std::size_t(row)]);
        for (int column = 0; column < 5; ++column)
            EXPECT_EQ(table->item(row, column)->text().toStdString(), texts[std::size_t(column)])
                << row << column;
    }
    EXPECT_EQ(child<PicturePane>(dialog, "noisyPane")->picture(), toQImage(noisy));
    EXPECT_EQ(child<PicturePane>(dialog, "filteredPane")->picture(), toQImage(filtered));
    EXPECT_EQ(child<PicturePane>(dialog, "referencePane")->picture(), toQImage(reference));
    EXPECT_EQ(child<PicturePane>(dialog, "differencePane")->picture(),
              toQImage(differencePicture(filtered, reference)));

    // A press on a function block keeps its meaning on the canvas and shows the block's picture.
    PicturePane* blockPane = child<PicturePane>(dialog, "blockPane");
    EXPECT_TRUE(blockPane->isHidden());
    const std::int32_t block = 9 + std::int32_t(rng() % 12);
    QTest::mouseMove(canvas(), anchor(block));
    QTest::mousePress(canvas(), Qt::LeftButton, Qt::NoModifier, anchor(block));
    EXPECT_TRUE(workbench().dragging());
    QTest::mouseRelease(canvas(), Qt::LeftButton, Qt::NoModifier, anchor(block));
    QApplication::processEvents();
    EXPECT_FALSE(blockPane->isHidden());
    EXPECT_EQ(blockPane->title(), QString("Blok %1").arg(block));
    EXPECT_EQ(blockPane->picture(), toQImage(blockPicture(circuit, workbench().assignment(), noisy, block)));
    keepScreenshot(dialog, "quality_dialog.png");
    // An input has no picture of its own: the block's stays.
    QTest::mouseMove(canvas(), anchor(0));
    QTest::mouseClick(canvas(), Qt::LeftButton, Qt::NoModifier, anchor(0));
    QApplication::processEvents();
    EXPECT_EQ(blockPane->title(), QString("Blok %1").arg(block));

    answerFileDialog(dir.file("run"));
    QTest::mouseClick(child<QPushButton>(dialog, "save"), Qt::LeftButton);
    EXPECT_EQ(readBmpFile(dir.file("run.noisy.bmp")).pixels, noisy.pixels);
    EXPECT_EQ(readBmpFile(dir.file("run.flt.bmp")).pixels, filtered.pixels);
    EXPECT_EQ(readBmpFile(dir.file("run.diff.bmp")).pixels, differencePicture(filtered, reference).pixels);
    EXPECT_EQ(test::readBytes(dir.file("run.quality.json")),
              qualityReportJson(
                  {dir.file("ref.bmp"), "run.noisy.bmp", noise, 48, 36, figures[0], figures[1], figures[2]}));

    // Closed, the dialog no longer follows the canvas.
    dialog->close();
    QTest::mouseMove(canvas(), anchor(block == 9 ? 10 : 9));
    QTest::mouseClick(canvas(), Qt::LeftButton, Qt::NoModifier, anchor(block == 9 ? 10 : 9));
    QApplication::processEvents();
    EXPECT_EQ(blockPane->title(), QString("Blok %1").arg(block));
}

TEST_F(MeasurementDialogs, QualityOfACircuitThatIsNoFilterIsRefusedInCzech) {
    // Like the other circuit commands, the buttons wait for a draw.
    EXPECT_FALSE(button("SBkvalita")->isEnabled());
    EXPECT_FALSE(button("SBchyba")->isEnabled());
    draw();  // three inputs
    QTest::mouseClick(button("SBkvalita"), Qt::LeftButton);
    auto* dialog = window->findChild<QualityDialog*>("qualityDialog");
    ASSERT_NE(dialog, nullptr);
    QString message;
    test::whenModal([&](QWidget* modal) {
        message = qobject_cast<QMessageBox*>(modal)->text();
        qobject_cast<QMessageBox*>(modal)->accept();
    });
    QTest::mouseClick(child<QPushButton>(dialog, "measure"), Qt::LeftButton);
    EXPECT_TRUE(message.startsWith(utf8("Kvalitu filtru nelze změřit"))) << message.toStdString();
    EXPECT_FALSE(dialog->lastRun());
    EXPECT_FALSE(child<QPushButton>(dialog, "save")->isEnabled());
}

TEST_F(MeasurementDialogs, ErrorDialogShowsTheFiguresAndPlotsTheHistogram) {
    test::CircuitShape shape{8, 5, 5, 3, 2};
    const std::string line = test::chromosomeLine(test::randomCircuit(rng, shape, true, 7));
    draw(line.c_str());
    QToolButton* open = button("SBchyba");
    EXPECT_EQ(open->text(), utf8("Chyba obvodu"));
    QTest::mouseClick(open, Qt::LeftButton);
    auto* dialog = window->findChild<CircuitErrorDialog*>("circuitErrorDialog");
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->isVisible());

    auto* operation = child<QComboBox>(dialog, "operation");
    ASSERT_EQ(operation->count(), 7);
    operation->setCurrentIndex(0);
    child<QSpinBox>(dialog, "widthA")->setValue(4);
    child<QSpinBox>(dialog, "widthB")->setValue(4);
    QTest::mouseClick(child<QPushButton>(dialog, "measure"), Qt::LeftButton);
    const ErrorSettings settings = errorSettingsFor(ErrorOperation::Add, 4, 4);
    const ErrorFigures core = measureError(test::parsed(line), workbench().assignment(), settings);
    ASSERT_TRUE(dialog->figures());
    const auto rows = errorFigureRows(core);
    auto* table = child<QTableWidget>(dialog, "figures");
    for (int row = 0; row < int(rows.size()); ++row) {
        EXPECT_EQ(table->verticalHeaderItem(row)->text().toStdString(), rows[std::size_t(row)].first);
        EXPECT_EQ(table->item(row, 0)->text().toStdString(), rows[std::size_t(row)].second);
    }
    HistogramView* plot = dialog->histogramView();
    EXPECT_EQ(plot->histogram(), core.histogram);
    std::int64_t plotted = 0;
    for (const HistogramBar& bar : plot->bars())
        plotted += bar.count;
    EXPECT_EQ(plotted, core.vectors);
    keepScreenshot(dialog, "error_dialog.png");
    child<QCheckBox>(dialog, "logarithmic")->setChecked(true);
    EXPECT_TRUE(plot->logarithmic());
    keepScreenshot(dialog, "error_dialog_log.png");

    answerFileDialog(dir.file("adder"));
    QTest::mouseClick(child<QPushButton>(dialog, "save"), Qt::LeftButton);
    EXPECT_EQ(test::readBytes(dir.file("adder.error.json")), errorJson(settings, core));

    // Word operations take no widths; a circuit too narrow for the operands is told, the figures stay.
    operation->setCurrentIndex(3);
    EXPECT_FALSE(child<QSpinBox>(dialog, "widthA")->isEnabled());
    operation->setCurrentIndex(2);
    child<QSpinBox>(dialog, "widthA")->setValue(8);
    child<QSpinBox>(dialog, "widthB")->setValue(8);
    QString message;
    test::whenModal([&](QWidget* modal) {
        message = qobject_cast<QMessageBox*>(modal)->text();
        qobject_cast<QMessageBox*>(modal)->accept();
    });
    QTest::mouseClick(child<QPushButton>(dialog, "measure"), Qt::LeftButton);
    EXPECT_FALSE(message.isEmpty());
    EXPECT_EQ(plot->histogram(), core.histogram);
}

}  // namespace
}  // namespace pellisor

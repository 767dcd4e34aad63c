#include "gui/qt_ui.h"

#include "gui/window_fixture.h"
#include "model/error.h"

#include <QFileDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>

#include <chrono>
#include <thread>

namespace pellisor {
namespace {

TEST(QtUiFileDialogs, FiltersBecomeQtNameFilters) {
    EXPECT_EQ(qtNameFilters("Chromozom|*.chr|Chromozom vrc|*.vrc"),
              QStringList({"Chromozom (*.chr)", "Chromozom vrc (*.vrc)"}));
    // A name that already shows its pattern is not repeated.
    EXPECT_EQ(qtNameFilters("Bitmaps (*.bmp)|*.bmp|Jpegs (*.jpg)|*.jpg|PostScript (*.ps)|*.ps"),
              QStringList({"Bitmaps (*.bmp)", "Jpegs (*.jpg)", "PostScript (*.ps)"}));
    EXPECT_EQ(qtNameFilters("Skript - binární hodnoty|*.csb|Obrázky|*.bmp;*.jpg"),
              QStringList({QString::fromUtf8("Skript - binární hodnoty (*.csb)"),
                           QString::fromUtf8("Obrázky (*.bmp *.jpg)")}));
    EXPECT_EQ(qtNameFilters("Bitmaps|*.bmp"), QStringList({"Bitmaps (*.bmp)"}));
}

TEST(QtUiFileDialogs, ProposedNamesLoseTheirTrailingBlank) {
    FileDialogRequest request;
    request.initialDirectory = "/data/circuits/";
    request.fileName = "adder ";
    EXPECT_EQ(proposedFilePath(request), "/data/circuits/adder");
    request.fileName = "/elsewhere/adder ";
    EXPECT_EQ(proposedFilePath(request), "/elsewhere/adder");
    request.fileName = " ";
    EXPECT_EQ(proposedFilePath(request), "/data/circuits");
    request.initialDirectory = "";
    request.fileName = "c.chr";
    EXPECT_EQ(proposedFilePath(request), "c.chr");
    request.fileName = "";
    EXPECT_EQ(proposedFilePath(request), "");
}

TEST(QtUiFileDialogs, ANameWithoutExtensionGetsTheDefaultOne) {
    EXPECT_EQ(withDefaultExtension("/tmp/adder", "*.chr"), "/tmp/adder.chr");
    EXPECT_EQ(withDefaultExtension("/tmp/adder", ".bmp"), "/tmp/adder.bmp");
    EXPECT_EQ(withDefaultExtension("/tmp/adder.jpg", ".bmp"), "/tmp/adder.jpg");
    EXPECT_EQ(withDefaultExtension("/tmp.d/adder", "*.dot"), "/tmp.d/adder.dot");
    EXPECT_EQ(withDefaultExtension("/tmp/adder", ""), "/tmp/adder");
    EXPECT_EQ(withDefaultExtension("", ".bmp"), "");
}

class QtUiTest : public ::testing::Test {
protected:
    QWidget window;
    int refreshes = 0;
    QtUi ui{window, [this] { ++refreshes; }};
    test::TempDir dir;
};

TEST_F(QtUiTest, QtUiSaveDialogProposesTheNameAndAppendsTheExtension) {
    QStringList filters;
    QString proposed;
    bool confirms = true;
    test::whenModal([&](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        filters = dialog->nameFilters();
        proposed = dialog->selectedFiles().value(0);
        confirms = !dialog->testOption(QFileDialog::DontConfirmOverwrite);
        // The user types a name without extension into the dialog's name field.
        auto* name = dialog->findChild<QLineEdit*>("fileNameEdit");
        ASSERT_NE(name, nullptr);
        name->setText("picture");
        static_cast<QDialog*>(dialog)->accept();  // QFileDialog's own is protected
    });
    const auto chosen = ui.chooseSaveFile(
        {"", "Bitmaps (*.bmp)|*.bmp|Jpegs (*.jpg)|*.jpg", ".bmp", dir.path(), "adder ", false});
    EXPECT_EQ(filters, QStringList({"Bitmaps (*.bmp)", "Jpegs (*.jpg)"}));
    // The dialog may show the default extension already.
    EXPECT_TRUE(proposed == QString::fromStdString(dir.file("adder")) ||
                proposed == QString::fromStdString(dir.file("adder.bmp")))
        << proposed.toStdString();
    EXPECT_FALSE(confirms);
    ASSERT_TRUE(chosen);
    EXPECT_EQ(*chosen, dir.file("picture.bmp"));
}

TEST_F(QtUiTest, QtUiOpenDialogCancelledGivesNothing) {
    test::whenModal([](QWidget* modal) { qobject_cast<QDialog*>(modal)->reject(); });
    EXPECT_FALSE(ui.chooseOpenFile({"", "Chromozom|*.chr", "*.chr", dir.path(), "", false}));
}

TEST_F(QtUiTest, QtUiAskTextAndYesNo) {
    test::whenModal([](QWidget* modal) {
        auto* dialog = qobject_cast<QInputDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->windowTitle(), QString::fromUtf8("Počet vstupů"));
        EXPECT_EQ(dialog->labelText(), "Vstupy:");
        EXPECT_EQ(dialog->textValue(), "9");
        dialog->setTextValue(QString::fromUtf8("12 ž"));
        dialog->accept();
    });
    EXPECT_EQ(ui.askText("Počet vstupů", "Vstupy:", "9"), std::optional<std::string>("12 ž"));

    test::whenModal([](QWidget* modal) { qobject_cast<QDialog*>(modal)->reject(); });
    EXPECT_EQ(ui.askText("a", "b", "c"), std::nullopt);

    QString caption;
    test::whenModal([&](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        ASSERT_NE(box, nullptr);
        caption = box->windowTitle();
        box->button(QMessageBox::Yes)->click();
    });
    EXPECT_TRUE(ui.askYesNo("Opravdu si přejete uložit rozmístění?", "Uložení"));
    EXPECT_EQ(caption, QString::fromUtf8("Uložení"));
    test::whenModal(
        [](QWidget* modal) { qobject_cast<QMessageBox*>(modal)->button(QMessageBox::No)->click(); });
    EXPECT_FALSE(ui.askYesNo("?", "Uložení"));
}

TEST_F(QtUiTest, QtUiFilterJobRunsOnAnotherThreadAndReturnsItsResult) {
    const auto guiThread = std::this_thread::get_id();
    std::thread::id jobThread;
    const auto result = ui.runFilterJob([&](FilterProgress& progress) -> std::optional<RgbImage> {
        jobThread = std::this_thread::get_id();
        progress.rowsTotal = 4;
        for (int row = 0; row < 4; ++row) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            ++progress.rowsDone;
        }
        RgbImage image;
        image.width = 1;
        image.height = 1;
        image.pixels = {1, 2, 3};
        return image;
    });
    ASSERT_TRUE(result);
    EXPECT_EQ(result->pixels, (std::vector<std::uint8_t>{1, 2, 3}));
    EXPECT_NE(jobThread, guiThread);

    EXPECT_THROW(ui.runFilterJob([](FilterProgress&) -> std::optional<RgbImage> {
        throw Error("MUX pro 2 vstup. hradla");
    }),
                 Error);
}

TEST_F(QtUiTest, QtUiFilterJobCanBeCancelledFromTheProgressDialog) {
    QString label;
    test::whenModal([&](QWidget* modal) {
        auto* dialog = qobject_cast<QProgressDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        label = dialog->labelText();
        QPushButton* cancel = dialog->findChild<QPushButton*>();
        ASSERT_NE(cancel, nullptr);
        EXPECT_EQ(cancel->text(), "Storno");
        cancel->click();
    });
    const auto result = ui.runFilterJob([](FilterProgress& progress) -> std::optional<RgbImage> {
        progress.rowsTotal = 1000;
        for (int row = 0; row < 1000 && !progress.cancel; ++row) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            ++progress.rowsDone;
        }
        if (progress.cancel) return std::nullopt;
        return RgbImage{};
    });
    EXPECT_FALSE(result);
    EXPECT_EQ(label, QString::fromUtf8("Filtrování obrazu"));
}

TEST_F(QtUiTest, QtUiStateChangesRefreshTheWindow) {
    ui.stateChanged();
    ui.stateChanged();
    EXPECT_EQ(refreshes, 2);
    EXPECT_FALSE(ui.dateTimeText().empty());
}

}  // namespace
}  // namespace pellisor

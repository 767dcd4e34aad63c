#include "gui/function_dialog.h"

#include "app/ui.h"
#include "app/workbench.h"
#include "model/settings_file.h"
#include "support/fake_picture_store.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

#include <string>
#include <vector>

namespace pellisor {
namespace {

// Answers everything with nothing; keeps what went to the clipboard.
class FakeUi : public Ui {
public:
    std::vector<std::string> clipboard;

    void showError(const std::string&) override {}
    void showInformation(const std::string&) override {}
    bool askYesNo(const std::string&, const std::string&) override { return false; }
    std::optional<std::string> askText(const std::string&, const std::string&, const std::string&) override {
        return std::nullopt;
    }
    std::optional<std::string> chooseOpenFile(const FileDialogRequest&) override { return std::nullopt; }
    std::optional<std::string> chooseSaveFile(const FileDialogRequest&) override { return std::nullopt; }
    void setClipboard(const std::string& text) override { clipboard.push_back(text); }
    void showLog(const std::vector<std::string>&) override {}
    void showFunctionDialog() override {}
    void repaint() override {}
    void stateChanged() override {}
    void showDragFrame(bool) override {}
    CanvasSize viewportSize() override { return {400, 300}; }
    std::string dateTimeText() override { return "1.1.2026 12:00:00"; }
    std::optional<RgbImage> runFilterJob(
        const std::function<std::optional<RgbImage>(FilterProgress&)>&) override {
        return std::nullopt;
    }
};

QString utf8(const char* text) {
    return QString::fromUtf8(text);
}

class FunctionDialogTest : public ::testing::Test {
protected:
    FunctionDialogTest() {
        test::writeBytes(settingsPath, "[Funkce]\nf0=1\n[DOT]\nf2_label=OR\n");
        workbench.functionAssignmentClicked();  // the first call only loads the table
        dialog = std::make_unique<FunctionDialog>(workbench);
    }

    QString cell(int row, int column) const { return dialog->grid()->item(row, column)->text(); }

    void showDialog() {
        dialog->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog.get()));
    }

    // A real double click: press and release, then the double click and its release.
    void doubleClick(int row, int column) {
        QWidget* viewport = dialog->grid()->viewport();
        const QPoint at = cellCentre(row, column);
        QTest::mouseClick(viewport, Qt::LeftButton, {}, at);
        QTest::mouseDClick(viewport, Qt::LeftButton, {}, at);
        QTest::mouseRelease(viewport, Qt::LeftButton, {}, at);
    }

    QPoint cellCentre(int row, int column) const {
        return dialog->grid()->visualRect(dialog->grid()->model()->index(row, column)).center();
    }

    test::TempDir directory;
    std::string settingsPath = directory.file("set.ini");
    FakeUi ui;
    test::FakePictureStore pictures;
    Workbench workbench{ui, pictures, settingsPath};
    std::unique_ptr<FunctionDialog> dialog;
};

TEST_F(FunctionDialogTest, HasItsCaptionSizeAndControls) {
    EXPECT_EQ(dialog->windowTitle(), utf8("Přiřazení funkcí pro vyhodnocení"));
    EXPECT_EQ(dialog->size(), QSize(590, 576));
    EXPECT_EQ(dialog->findChild<QTableWidget*>("SG"), dialog->grid());
    EXPECT_EQ(dialog->findChild<QComboBox*>("SCB"), dialog->chooser());
    const std::vector<std::pair<const char*, const char*>> buttons{
        {"SpeedButton1", "OK"}, {"SpeedButton2", "Uložit jako default"}, {"SpeedButton3", "Kopírovat"}};
    for (const auto& [name, caption] : buttons) {
        auto* button = dialog->findChild<QPushButton*>(name);
        ASSERT_NE(button, nullptr) << name;
        EXPECT_EQ(button->text(), utf8(caption));
    }
    bool noteFound = false;
    for (const QLabel* label : dialog->findChildren<QLabel*>()) {
        if (label->text() == utf8("Pozn: Do statistiky se nepočítají skryté bloky")) noteFound = true;
    }
    EXPECT_TRUE(noteFound);
}

TEST_F(FunctionDialogTest, GridHasFiveFixedColumnsAndNoScrolling) {
    QTableWidget* grid = dialog->grid();
    ASSERT_EQ(grid->columnCount(), 5);
    EXPECT_EQ(grid->rowCount(), 32);
    const std::vector<const char*> headers{"Funkce-blok", "#", "Funkce pro vyhodnocení", "Použito",
                                           "Popisek"};
    const std::vector<int> widths{78, 27, 320, 70, 77};
    for (int column = 0; column < 5; ++column) {
        EXPECT_EQ(grid->horizontalHeaderItem(column)->text(), utf8(headers[column]));
        EXPECT_EQ(grid->columnWidth(column), widths[column]);
    }
    EXPECT_EQ(grid->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    EXPECT_EQ(grid->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    EXPECT_EQ(grid->frameShape(), QFrame::NoFrame);
    EXPECT_EQ(grid->selectionBehavior(), QAbstractItemView::SelectRows);
    EXPECT_EQ(grid->editTriggers(), QAbstractItemView::NoEditTriggers);
    // A cell is as high as the chooser; the row adds its grid line.
    const int chooserHeight = dialog->chooser()->height();
    for (int row = 0; row < 32; ++row) {
        EXPECT_EQ(grid->rowHeight(row), chooserHeight + 1);
        EXPECT_EQ(grid->visualRect(grid->model()->index(row, 2)).height(), chooserHeight);
    }
    EXPECT_EQ(grid->horizontalHeader()->height(), chooserHeight + 1);

    showDialog();
    // Every row fits: the last one ends inside the grid.
    const QRect last = grid->visualRect(grid->model()->index(31, 0));
    EXPECT_LE(last.bottom(), grid->viewport()->height());
}

TEST_F(FunctionDialogTest, ChooserHoldsTheEntriesAndStartsHidden) {
    QComboBox* chooser = dialog->chooser();
    EXPECT_FALSE(chooser->isEditable());
    EXPECT_EQ(chooser->maxVisibleItems(), 20);
    EXPECT_EQ(chooser->palette().color(QPalette::Base), QColor(255, 255, 240));
    EXPECT_EQ(chooser->palette().color(QPalette::Button), QColor(255, 255, 240));
    ASSERT_EQ(chooser->count(), 52);
    EXPECT_EQ(chooser->itemText(0), QString());
    EXPECT_EQ(chooser->itemText(2), utf8("in1 OR in2       int x int -> int|OR"));
    EXPECT_EQ(chooser->itemText(3), utf8("in1 XOR in2      int x int -> int|"));
    EXPECT_TRUE(chooser->isHidden());
}

TEST_F(FunctionDialogTest, RowsShowTheWorkbenchTable) {
    auto& rows = workbench.assignment().rows();
    rows[0].usage = "3x";
    rows[7].usage = "12x";
    dialog->refresh();
    for (int gene = 0; gene < 32; ++gene) {
        const AssignmentRow& row = rows[static_cast<std::size_t>(gene)];
        EXPECT_EQ(cell(gene, 0), QString::number(gene));
        EXPECT_EQ(cell(gene, 1), QString::number(row.identifier));
        EXPECT_EQ(cell(gene, 2), QString::fromUtf8(row.description));
        EXPECT_EQ(cell(gene, 3), QString::fromUtf8(row.usage));
        EXPECT_EQ(cell(gene, 4), QString::fromUtf8(row.label));
    }
    EXPECT_EQ(cell(0, 1), "1");
    EXPECT_EQ(cell(0, 2), utf8("in1 AND in2      int x int -> int"));
    EXPECT_EQ(cell(0, 3), "3x");
    EXPECT_EQ(cell(7, 3), "12x");
    EXPECT_EQ(cell(1, 1), "0");
    EXPECT_EQ(cell(1, 3), QString());
}

TEST_F(FunctionDialogTest, DoubleClickLaysTheChooserOverTheDescription) {
    showDialog();
    QTableWidget* grid = dialog->grid();
    QComboBox* chooser = dialog->chooser();
    doubleClick(5, 3);
    ASSERT_TRUE(chooser->isVisible());
    EXPECT_EQ(dialog->chooserGene(), 5);
    EXPECT_EQ(chooser->currentIndex(), 0);
    const QRect cellRect = grid->visualRect(grid->model()->index(5, 2));
    const QPoint topLeft = grid->viewport()->mapTo(dialog.get(), cellRect.topLeft());
    EXPECT_EQ(chooser->geometry(),
              QRect(topLeft.x() - 1, topLeft.y() - 1, cellRect.width() + 1, cellRect.height()));
    chooser->hidePopup();

    doubleClick(0, 1);
    EXPECT_EQ(dialog->chooserGene(), 0);
    EXPECT_EQ(chooser->currentIndex(), 1);
    chooser->hidePopup();
}

TEST_F(FunctionDialogTest, ChoosingAnEntryChangesTheRow) {
    showDialog();
    QComboBox* chooser = dialog->chooser();
    doubleClick(0, 2);
    chooser->hidePopup();
    chooser->setCurrentIndex(2);
    emit chooser->activated(2);

    EXPECT_EQ(cell(0, 1), "2");
    EXPECT_EQ(cell(0, 2), utf8("in1 OR in2       int x int -> int|OR"));
    EXPECT_EQ(cell(0, 4), "OR");
    const AssignmentRow& row = workbench.assignment().rows()[0];
    EXPECT_EQ(row.identifier, 2);
    EXPECT_EQ(row.description, "in1 OR in2       int x int -> int|OR");
    EXPECT_EQ(row.label, "OR");
    // The chooser stays until the grid is clicked.
    EXPECT_TRUE(chooser->isVisible());
    QTest::mouseClick(dialog->grid()->viewport(), Qt::LeftButton, {}, cellCentre(4, 2));
    EXPECT_FALSE(chooser->isVisible());
    EXPECT_EQ(dialog->chooserGene(), -1);
}

TEST_F(FunctionDialogTest, RefreshHidesTheChooser) {
    showDialog();
    dialog->openChooser(3);
    dialog->chooser()->hidePopup();
    EXPECT_TRUE(dialog->chooser()->isVisible());
    dialog->refresh();
    EXPECT_FALSE(dialog->chooser()->isVisible());
}

TEST_F(FunctionDialogTest, CopyPutsThirtyTwoLinesOnTheClipboard) {
    dialog->findChild<QPushButton*>("SpeedButton3")->click();
    ASSERT_EQ(ui.clipboard.size(), 1u);
    const std::string& text = ui.clipboard[0];
    EXPECT_EQ(text, workbench.assignmentTableText());
    std::size_t lines = 0;
    for (std::size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at + 2))
        ++lines;
    EXPECT_EQ(lines, 32u);
    EXPECT_EQ(text.substr(0, text.find("\r\n")), "1\tin1 AND in2      int x int -> int\t");
}

TEST_F(FunctionDialogTest, SaveWritesTheDefaultAssignment) {
    workbench.chooseFunction(3, 7);
    dialog->refresh();
    dialog->findChild<QPushButton*>("SpeedButton2")->click();
    const SettingsFile settings(settingsPath);
    EXPECT_EQ(settings.readInt("Funkce", "f0", -1), 1);
    EXPECT_EQ(settings.readInt("Funkce", "f3", -1), 7);
    EXPECT_EQ(settings.readInt("Funkce", "f31", -1), 0);
    EXPECT_EQ(settings.readString("DOT", "f2_label", ""), "OR");
}

TEST_F(FunctionDialogTest, ErrorsAreShownInAMessageBox) {
    Workbench broken(ui, pictures, directory.file("missing/set.ini"));
    broken.functionAssignmentClicked();
    FunctionDialog brokenDialog(broken);
    QString title;
    QString message;
    QTimer::singleShot(0, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            title = box->windowTitle();
            message = box->text();
            box->accept();
        }
    });
    brokenDialog.findChild<QPushButton*>("SpeedButton2")->click();
    EXPECT_EQ(title, "Pellisor");
    EXPECT_TRUE(message.contains("missing/set.ini")) << message.toStdString();
}

TEST_F(FunctionDialogTest, OkCloses) {
    showDialog();
    dialog->findChild<QPushButton*>("SpeedButton1")->click();
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
}

TEST_F(FunctionDialogTest, Screenshot) {
    workbench.chooseFunction(2, 2);
    workbench.chooseFunction(3, 24);
    workbench.chooseFunction(4, 10);
    auto& rows = workbench.assignment().rows();
    rows[0].usage = "3x";
    rows[2].usage = "5x";
    rows[3].usage = "1x";
    rows[4].usage = "12x";
    showDialog();
    dialog->grid()->selectRow(3);
    const QImage picture = dialog->grab().toImage();
    EXPECT_EQ(picture.size(), QSize(590, 576) * picture.devicePixelRatio());
    const QByteArray output = qgetenv("PELLISOR_TEST_OUTPUT");
    const QString directoryName = output.isEmpty() ? QStringLiteral("/tmp") : QString::fromLocal8Bit(output);
    QDir().mkpath(directoryName);
    EXPECT_TRUE(picture.save(directoryName + "/function-dialog.png"));

    dialog->openChooser(4);
    dialog->chooser()->hidePopup();
    EXPECT_TRUE(dialog->grab().save(directoryName + "/function-dialog-chooser.png"));
}

}  // namespace
}  // namespace pellisor

// Qt's own texts in Czech once the translations are loaded: message box buttons and the file dialog;
// pictures of the dialog and of the menus with their shortcuts.
#include "gui/czech_translations.h"
#include "gui/window_fixture.h"

#include <QAbstractButton>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QTranslator>

namespace pellisor {
namespace {

using test::utf8;
using test::WindowTest;

std::string picturePath(const char* name) {
    return test::outputDirectory() + "/" + name;
}

// A message box's buttons, by their standard role, as the user reads them.
QString buttonText(QMessageBox& box, QMessageBox::StandardButton button) {
    return box.button(button)->text();
}

TEST_F(WindowTest, QtTextsReadInCzechWhileTheTranslationsAreLoaded) {
    const QLocale locale;
    const QMessageBox::StandardButtons buttons = QMessageBox::Yes | QMessageBox::No | QMessageBox::Ok |
                                                 QMessageBox::Cancel | QMessageBox::Open | QMessageBox::Save;
    {
        const auto czech = installCzechTranslations();
        ASSERT_NE(czech, nullptr);
        QMessageBox box(QMessageBox::Question, QStringLiteral("Pellisor"), QStringLiteral("?"), buttons);
        EXPECT_EQ(buttonText(box, QMessageBox::Yes), QStringLiteral("&Ano"));
        EXPECT_EQ(buttonText(box, QMessageBox::No), QStringLiteral("&Ne"));
        EXPECT_EQ(buttonText(box, QMessageBox::Ok), QStringLiteral("OK"));
        EXPECT_EQ(buttonText(box, QMessageBox::Cancel), utf8("Zrušit"));
        EXPECT_EQ(buttonText(box, QMessageBox::Open), utf8("Otevřít"));
        EXPECT_EQ(buttonText(box, QMessageBox::Save), utf8("Uložit"));
        // Dates and numbers keep the user's formats.
        EXPECT_EQ(QLocale(), locale);
    }
    // Without them Qt speaks English again: the texts above came from the translations.
    QMessageBox box(QMessageBox::Question, QStringLiteral("Pellisor"), QStringLiteral("?"), buttons);
    EXPECT_EQ(buttonText(box, QMessageBox::Yes), QStringLiteral("&Yes"));
}

TEST_F(WindowTest, OpenDialogOfTheWindowReadsInCzech) {
    const auto czech = installCzechTranslations();
    ASSERT_NE(czech, nullptr);
    // A directory with a few chromosome files, where "&Načíst" looks after the last load.
    for (const char* name : {"median3x3.chr", "adder.chr", "adder.ini", "cells.vrc", "median9.cha"}) {
        test::writeBytes(dir.file(name), test::readBytes(std::string(PELLISOR_EXAMPLES_DIR "/") + name));
    }
    workbench().loadAndDraw(dir.file("median3x3.chr"));

    QStringList labels;
    QStringList buttons;
    bool native = true;
    test::whenModal([&](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        native = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")) == nullptr;
        for (const char* name : {"lookInLabel", "fileNameLabel", "fileTypeLabel"}) {
            labels << dialog->findChild<QLabel*>(QString::fromLatin1(name))->text();
        }
        for (QAbstractButton* button : dialog->findChild<QDialogButtonBox*>()->buttons())
            buttons << button->text();
        dialog->resize(800, 440);
        QApplication::processEvents();
        EXPECT_TRUE(dialog->grab().save(QString::fromStdString(picturePath("czech-file-dialog.png"))));
        static_cast<QDialog*>(dialog)->reject();
    });
    QTest::mouseClick(button("SBdt"), Qt::LeftButton);
    EXPECT_FALSE(native);
    EXPECT_EQ(labels, QStringList({utf8("Hledat v:"), utf8("Název &souboru:"), utf8("Soubory typu:")}));
    EXPECT_EQ(buttons, QStringList({utf8("Otevřít"), utf8("Zrušit")}));
}

// Each menu of the bar open under its entry, drawn over the window, with its captions and shortcuts.
TEST_F(WindowTest, MenusArePictured) {
    const auto czech = installCzechTranslations();
    draw();
    const std::pair<const char*, const char*> menus[] = {{"menuSoubor", "menu-soubor.png"},
                                                         {"menuUpravy", "menu-upravy.png"},
                                                         {"menuZobrazeni", "menu-zobrazeni.png"},
                                                         {"menuNastroje", "menu-nastroje.png"},
                                                         {"menuNapoveda", "menu-napoveda.png"}};
    QMenuBar* bar = window->menuBar();
    for (const auto& [name, file] : menus) {
        SCOPED_TRACE(name);
        auto* menu = find<QMenu>(name);
        bar->setActiveAction(menu->menuAction());
        QApplication::processEvents();
        ASSERT_TRUE(menu->isVisible());
        // Drawn under its entry: the offscreen screen is narrower than the window and moves menus in.
        const QPoint under = bar->mapTo(window.get(), bar->actionGeometry(menu->menuAction()).bottomLeft());
        QPixmap shot = window->grab();
        QPainter painter(&shot);
        painter.drawPixmap(under + QPoint(0, 1), menu->grab());
        painter.end();
        EXPECT_TRUE(shot.copy(0, 0, shot.width(), 480).save(QString::fromStdString(picturePath(file))));
        menu->hide();
        QApplication::processEvents();
    }
    EXPECT_EQ(find<QAction>("actSBdt")->shortcut().toString(QKeySequence::NativeText),
              QStringLiteral("Ctrl+O"));
}

}  // namespace
}  // namespace pellisor

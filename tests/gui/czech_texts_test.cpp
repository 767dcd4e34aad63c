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

TEST_F(WindowTest, QtTextsReadInCzechWhileTheTranslationsAreLoaded) {
    const QLocale locale;
    const QList<std::pair<QMessageBox::StandardButton, const char*>> buttons{
        {QMessageBox::Yes, "&Ano"},      {QMessageBox::No, "&Ne"},       {QMessageBox::Ok, "OK"},
        {QMessageBox::Cancel, "Zrušit"}, {QMessageBox::Open, "Otevřít"}, {QMessageBox::Save, "Uložit"}};
    QMessageBox::StandardButtons all;
    for (const auto& [button, text] : buttons)
        all |= button;
    {
        const auto czech = installCzechTranslations();
        ASSERT_NE(czech, nullptr);
        QMessageBox box(QMessageBox::Question, QStringLiteral("Pellisor"), QStringLiteral("?"), all);
        for (const auto& [button, text] : buttons)
            EXPECT_EQ(box.button(button)->text(), utf8(text));
        EXPECT_EQ(QLocale(), locale);  // dates and numbers keep the user's formats
    }
    // Without them Qt speaks English again.
    QMessageBox box(QMessageBox::Question, QStringLiteral("Pellisor"), QStringLiteral("?"), all);
    EXPECT_EQ(box.button(QMessageBox::Yes)->text(), QStringLiteral("&Yes"));
}

// The open dialog of "&Načíst" as the window opens it (Qt's own, not the desktop's).
TEST_F(WindowTest, OpenDialogOfTheWindowReadsInCzech) {
    const auto czech = installCzechTranslations();
    for (const char* name : {"median3x3.chr", "adder.chr", "adder.ini", "cells.vrc"})
        test::writeBytes(dir.file(name), test::readBytes(std::string(PELLISOR_EXAMPLES_DIR "/") + name));
    workbench().loadAndDraw(dir.file("median3x3.chr"));  // the dialog opens in its directory
    QStringList texts;
    test::whenModal([&texts](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        for (const char* name : {"lookInLabel", "fileNameLabel", "fileTypeLabel"})
            texts << dialog->findChild<QLabel*>(QString::fromLatin1(name))->text();
        for (QAbstractButton* button : dialog->findChild<QDialogButtonBox*>()->buttons())
            texts << button->text();
        dialog->resize(800, 440);
        QApplication::processEvents();
        EXPECT_TRUE(dialog->grab().save(QString::fromStdString(picturePath("czech-file-dialog.png"))));
        static_cast<QDialog*>(dialog)->reject();
    });
    QTest::mouseClick(button("SBdt"), Qt::LeftButton);
    EXPECT_EQ(texts.join('|'), utf8("Hledat v:|Název &souboru:|Soubory typu:|Otevřít|Zrušit"));
}

// Each menu of the bar open under its entry, drawn over the window, with its captions and shortcuts.
TEST_F(WindowTest, MenusArePictured) {
    const auto czech = installCzechTranslations();
    draw();
    QMenuBar* bar = window->menuBar();
    for (const char* name : {"Soubor", "Upravy", "Zobrazeni", "Nastroje", "Napoveda"}) {
        auto* menu = find<QMenu>((std::string("menu") + name).c_str());
        bar->setActiveAction(menu->menuAction());
        QApplication::processEvents();
        ASSERT_TRUE(menu->isVisible()) << name;
        // Under its entry: the offscreen screen is narrower than the window and moves menus in.
        const QPoint under = bar->mapTo(window.get(), bar->actionGeometry(menu->menuAction()).bottomLeft());
        QPixmap shot = window->grab().copy(0, 0, window->width(), 480);
        QPainter painter(&shot);
        painter.drawPixmap(under + QPoint(0, 1), menu->grab());
        painter.end();
        const std::string file = "menu-" + QString::fromLatin1(name).toLower().toStdString() + ".png";
        EXPECT_TRUE(shot.save(QString::fromStdString(picturePath(file.c_str()))));
        menu->hide();
    }
    EXPECT_EQ(find<QAction>("actSBdt")->shortcut().toString(QKeySequence::NativeText),
              QStringLiteral("Ctrl+O"));
}

}  // namespace
}  // namespace pellisor

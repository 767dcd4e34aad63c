// The window's undo and redo, "Uložit jako", the recent files in the menu "Soubor", the title with the
// file's name and its mark of changes, and the question before changes are closed away.
#include "gui/main_window.h"
#include "gui/main_window_parts.h"
#include "model/file_names.h"

#include <QAction>
#include <QCloseEvent>
#include <QMessageBox>
#include <QPushButton>

namespace pellisor {

namespace {

// The title: the program, the file's name without its directory, and "*" while changes are unsaved.
QString windowTitleOf(const Workbench& workbench) {
    QString title = QStringLiteral("Pellisor");
    if (!workbench.fileName().empty())
        title += QString::fromUtf8(" – ") + text(fileNamePart(workbench.fileName()));
    if (workbench.modified()) title += QLatin1Char('*');
    return title;
}

}  // namespace

void MainWindow::connectHistory() {
    Parts& p = *parts_;
    p.workbench.keepRecentFiles();
    WindowActions& actions = p.actions;
    connect(actions.undo, &QAction::triggered, this,
            [this] { run([this] { parts_->workbench.undoClicked(); }); });
    connect(actions.redo, &QAction::triggered, this,
            [this] { run([this] { parts_->workbench.redoClicked(); }); });
    connect(actions.saveAs, &QAction::triggered, this,
            [this] { run([this] { parts_->workbench.saveAsClicked(); }); });
    for (std::size_t i = 0; i < actions.recent.size(); ++i) {
        connect(actions.recent[i], &QAction::triggered, this,
                [this, i] { run([this, i] { parts_->workbench.openRecentFile(i); }); });
    }
}

void MainWindow::refreshHistory() {
    Parts& p = *parts_;
    const Workbench& workbench = p.workbench;
    p.actions.undo->setEnabled(workbench.canUndo());
    p.actions.redo->setEnabled(workbench.canRedo());
    p.actions.saveAs->setEnabled(workbench.circuit().hasCircuit());
    const QString title = windowTitleOf(workbench);
    if (windowTitle() != title) setWindowTitle(title);

    const std::vector<std::string>& files = workbench.recentFiles();
    for (std::size_t i = 0; i < p.actions.recent.size(); ++i) {
        QAction* entry = p.actions.recent[i];
        entry->setVisible(i < files.size());
        if (i >= files.size()) continue;
        // "&1" ... "&8" pick an entry from the keyboard; the whole path shows in the status bar.
        entry->setText(QStringLiteral("&%1 ").arg(i + 1) +
                       text(fileNamePart(files[i])).replace(QLatin1Char('&'), QStringLiteral("&&")));
        entry->setStatusTip(text(files[i]));
    }
    p.actions.recentSeparator->setVisible(!files.empty());
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (!parts_ || !parts_->ready || !parts_->workbench.modified()) {
        event->accept();
        return;
    }
    QMessageBox box(QMessageBox::Question, QStringLiteral("Pellisor"),
                    QString::fromUtf8("Obvod nebo jeho rozmístění byly změněny. Uložit změny?"),
                    QMessageBox::NoButton, this);
    box.setObjectName(QStringLiteral("UnsavedChanges"));
    QPushButton* save = box.addButton(QString::fromUtf8("Uložit"), QMessageBox::AcceptRole);
    QPushButton* discard = box.addButton(QStringLiteral("Zahodit"), QMessageBox::DestructiveRole);
    QPushButton* cancel = box.addButton(QString::fromUtf8("Zrušit"), QMessageBox::RejectRole);
    box.setDefaultButton(save);
    box.setEscapeButton(cancel);
    box.exec();
    bool closing = box.clickedButton() == discard;
    if (box.clickedButton() == save) {
        // A cancelled or failed save keeps the window and its changes.
        run([this, &closing] { closing = parts_->workbench.saveAsClicked(); });
    }
    if (closing) {
        event->accept();
    } else {
        event->ignore();
    }
}

}  // namespace pellisor

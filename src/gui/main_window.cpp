#include "gui/main_window.h"

#include "gui/main_window_parts.h"

#include "app/settings.h"
#include "gui/canvas_view.h"
#include "gui/circuit_error_dialog.h"
#include "gui/function_dialog.h"
#include "gui/picture_files.h"
#include "gui/qt_ui.h"
#include "gui/quality_dialog.h"
#include "gui/result_log.h"
#include "model/error.h"

#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QResizeEvent>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <array>

namespace pellisor {

MainWindow::MainWindow(const std::string& settingsPath, QWidget* parent)
    : QMainWindow(parent), parts_(std::make_unique<Parts>(*this, settingsPath)) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Pellisor"));
    buildControls();
    connectHistory();
    Parts& p = *parts_;
    p.ui.attach(*p.canvas, *p.scrollArea, *p.functionDialog, *p.resultLog);
    p.ui.attachMeasurementDialogs(*p.qualityDialog, *p.circuitErrorDialog);
    p.ready = true;

    // The menu bar stands above the specified window, which keeps its size below it.
    resize(1007, 661 + menuBar()->sizeHint().height());
    setAcceptDrops(true);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame(QPoint(), size());
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
    // The canvas is sized from the viewport before the window is first shown (command-line files).
    layout()->activate();
    centralWidget()->layout()->activate();
    QResizeEvent splitterLaidOut(p.splitter->size(), QSize());
    QCoreApplication::sendEvent(p.splitter, &splitterLaidOut);
    p.scrollArea->parentWidget()->layout()->activate();
    QResizeEvent laidOut(p.scrollArea->size(), QSize());
    QCoreApplication::sendEvent(p.scrollArea, &laidOut);

    if (auto sheet = readSymbolSheet(executableDirectory() + "hradla.jpg", p.ui)) {
        p.workbench.setSymbolSheet(symbolSheetSize(sheet));
        p.canvas->setSymbolSheet(std::move(sheet));
    }
    // The first activation only loads the function assignment table; its errors end the start-up.
    p.workbench.functionAssignmentClicked();
    refreshControls();
}

MainWindow::~MainWindow() {
    // The widgets that refer to the workbench go before it.
    parts_->ready = false;
    delete parts_->functionDialog;
    delete parts_->resultLog;
    delete parts_->qualityDialog;
    delete parts_->circuitErrorDialog;
    delete takeCentralWidget();
}

Workbench& MainWindow::workbench() {
    return parts_->workbench;
}

void MainWindow::run(const std::function<void()>& command) {
    if (!parts_ || !parts_->ready) return;
    try {
        command();
    } catch (const std::exception& error) {
        parts_->ui.showError(error.what());
    }
    refreshControls();
}

void MainWindow::refreshControls() {
    if (!parts_ || !parts_->ready) return;
    Parts& p = *parts_;
    const Workbench& workbench = p.workbench;
    const bool wasRefreshing = p.refreshing;
    p.refreshing = true;

    for (std::size_t i = 0; i < kButtonControls.size(); ++i) {
        p.buttons[i]->setEnabled(workbench.enabled(kButtonControls[i].button));
    }
    followButtons(p.actions, workbench);
    const std::string caption = workbench.drawCaption();
    p.buttons[static_cast<std::size_t>(Button::SBok)]->setText(
        caption == "Vykreslit" ? QStringLiteral("&Vykreslit") : text(caption));

    if (workbench.chromosomeLine() != p.shownLine) {
        p.shownLine = workbench.chromosomeLine();
        p.chromosomeLine->setText(text(p.shownLine));
    }
    if (workbench.description() != p.shownDescription) {
        p.shownDescription = workbench.description();
        p.description->setText(text(p.shownDescription));
    }
    if (workbench.memo() != p.shownMemo) {
        p.shownMemo = workbench.memo();
        QString lines;
        for (std::size_t i = 0; i < p.shownMemo.size(); ++i) {
            if (i > 0) lines += QLatin1Char('\n');
            lines += text(p.shownMemo[i]);
        }
        p.memo->setPlainText(lines);
    }
    for (std::size_t i = 0; i < p.spacings.size(); ++i) {
        if (workbench.spacings()[i] != p.shownSpacings[i]) {
            p.shownSpacings[i] = workbench.spacings()[i];
            p.spacings[i]->setText(text(p.shownSpacings[i]));
        }
    }
    for (const settings::DisplayKey& key : settings::kDisplayKeys) {
        p.options[static_cast<std::size_t>(key.option)]->setChecked(workbench.options()[key.option]);
    }
    switch (workbench.options().wiring) {
        case WiringMode::Direct:
            p.wiring[0]->setChecked(true);
            break;
        case WiringMode::Direct2:
            p.wiring[1]->setChecked(true);
            break;
        case WiringMode::DirectOpt:
            p.wiring[2]->setChecked(true);
            break;
    }
    p.status->setText(text(workbench.statusText()));
    p.canvas->refresh();
    refreshViewFields();
    refreshHistory();
    if (p.workbench.takeShowFunctionPage()) p.pages->setCurrentIndex(0);

    p.refreshing = wasRefreshing;
}

void MainWindow::scrollByWheel(QWheelEvent* event) {
    Parts& p = *parts_;
    int delta = event->angleDelta().y();
    if (delta == 0) delta = event->angleDelta().x();
    p.wheelRest += delta;
    const int notches = p.wheelRest / 120;
    p.wheelRest -= notches * 120;
    QScrollBar* bar = event->modifiers().testFlag(Qt::ControlModifier) ? p.scrollArea->horizontalScrollBar()
                                                                       : p.scrollArea->verticalScrollBar();
    // Towards the user (a negative delta) scrolls down or right.
    bar->setValue(bar->value() - notches * 10);
    event->accept();
}

void MainWindow::wheelEvent(QWheelEvent* event) {
    scrollByWheel(event);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (!parts_ || !parts_->ready) return QMainWindow::eventFilter(watched, event);
    Parts& p = *parts_;
    if (watched == p.topBar && event->type() == QEvent::Resize) {
        const int width = p.topBar->width();
        p.topButtons->move(width - p.topButtons->width(), 0);
        p.chromosomeLine->setGeometry(4, 26, std::max(width - p.topButtons->width() - 4, 0), 24);
        return false;
    }
    if (watched == p.scrollArea->viewport() && event->type() == QEvent::Wheel) {
        scrollByWheel(static_cast<QWheelEvent*>(event));
        return true;
    }
    if (event->type() != QEvent::KeyPress) return QMainWindow::eventFilter(watched, event);
    if (watched == p.chromosomeLine) {
        // Before the key takes effect: the draw button follows the text as it was.
        run([&p] { p.workbench.chromosomeKeyPressed(); });
        return false;
    }
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter) return false;
    for (QLineEdit* field : p.spacings) {
        if (watched == field) {
            run([&p] { p.workbench.spacingEntered(); });
            return true;
        }
    }
    return false;
}

}  // namespace pellisor

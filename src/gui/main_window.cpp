#include "gui/main_window.h"

#include "app/settings.h"
#include "gui/button_controls.h"
#include "gui/canvas_view.h"
#include "gui/function_dialog.h"
#include "gui/picture_files.h"
#include "gui/qt_ui.h"
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
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QResizeEvent>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStatusBar>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <array>

namespace pellisor {

namespace {

QString text(const std::string& value) {
    return QString::fromUtf8(value.data(), qsizetype(value.size()));
}
std::string bytes(const QString& value) {
    return value.toUtf8().toStdString();
}

// The check boxes of "Způsob zobrazení" as they stand, by control name.
constexpr std::array<const char*, settings::kDisplayOptionCount> kCheckBoxOrder{
    "cbzs", "cbzsl", "cbho", "cbcblk", "cbZnacky", "cbzpa", "cbUseLabel"};

// The spacing fields of "Rozteče (pixely)", two to a row.
constexpr std::array<const char*, settings::kSpacingCount> kSpacingOrder{
    "EIspc", "EOspc", "EBXspc", "EBYspc", "ElOfsX", "ElOfsY", "EOOfsX", "EOOfsY", "EIOfsX", "EIOfsY"};

constexpr int kTopBarHeight = 58;
constexpr int kPagesHeight = 219;
constexpr int kTopButtonWidth = 80;

}  // namespace

struct MainWindow::Parts {
    Parts(MainWindow& window, const std::string& settingsPath)
        : ui(window, [&window] { window.refreshControls(); }),
          pictures([this] { return canvas ? canvas->symbolSheet() : nullptr; }),
          workbench(ui, pictures, settingsPath) {}

    QtUi ui;
    PictureFiles pictures;  // the schematic is drawn with the sheet the canvas shows
    Workbench workbench;
    bool ready = false;       // the controls exist
    bool refreshing = false;  // changes of the controls come from the workbench

    QWidget* topBar = nullptr;
    QLabel* chromosomeLabel = nullptr;
    QLineEdit* chromosomeLine = nullptr;
    QWidget* topButtons = nullptr;
    QScrollArea* scrollArea = nullptr;
    CanvasView* canvas = nullptr;
    QTabWidget* pages = nullptr;
    QLineEdit* description = nullptr;
    QPlainTextEdit* memo = nullptr;
    std::array<QRadioButton*, 3> wiring{};  // Direct, Direct2, DirectOpt
    std::array<QCheckBox*, settings::kDisplayOptionCount> options{};
    std::array<QLineEdit*, settings::kSpacingCount> spacings{};
    std::array<QToolButton*, kButtonCount> buttons{};
    QLabel* status = nullptr;
    QMenu* popup = nullptr;
    QAction* changeValue = nullptr;
    FunctionDialog* functionDialog = nullptr;
    ResultLog* resultLog = nullptr;

    // What the controls show of texts the user may also edit, as last taken from the workbench.
    std::string shownLine;
    std::string shownDescription;
    std::vector<std::string> shownMemo;
    std::array<std::string, settings::kSpacingCount> shownSpacings;
    int wheelRest = 0;
};

MainWindow::MainWindow(const std::string& settingsPath, QWidget* parent)
    : QMainWindow(parent), parts_(std::make_unique<Parts>(*this, settingsPath)) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Pellisor"));
    buildControls();
    Parts& p = *parts_;
    p.ui.attach(*p.canvas, *p.scrollArea, *p.functionDialog, *p.resultLog);
    p.ready = true;

    resize(1007, 661);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame(QPoint(), size());
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
    // The canvas is sized from the viewport before the window is first shown (command-line files).
    layout()->activate();
    centralWidget()->layout()->activate();
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
    delete takeCentralWidget();
}

Workbench& MainWindow::workbench() {
    return parts_->workbench;
}

void MainWindow::buildControls() {
    Parts& p = *parts_;
    auto* central = new QWidget(this);
    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    setCentralWidget(central);

    // Top bar: the buttons stay at the right edge, the line takes the rest (see eventFilter).
    p.topBar = new QWidget(central);
    p.topBar->setObjectName(QStringLiteral("Panel2"));
    p.topBar->setFixedHeight(kTopBarHeight);
    p.chromosomeLabel = new QLabel(QStringLiteral("Chromozom:"), p.topBar);
    QFont bold = p.chromosomeLabel->font();
    bold.setBold(true);
    p.chromosomeLabel->setFont(bold);
    p.chromosomeLabel->move(4, 6);
    p.chromosomeLabel->adjustSize();
    p.chromosomeLine = new QLineEdit(p.topBar);
    p.chromosomeLine->setObjectName(QStringLiteral("Edit1"));
    p.chromosomeLine->installEventFilter(this);
    p.topButtons = new QWidget(p.topBar);
    p.topButtons->setObjectName(QStringLiteral("p4"));
    p.topButtons->setGeometry(0, 0, 3 * (kTopButtonWidth + 2) + 4, kTopBarHeight);
    for (std::size_t i = 0; i < 3; ++i) {
        QToolButton* button = flatButton(kButtonControls[i], p.topButtons);
        button->setGeometry(4 + int(i) * (kTopButtonWidth + 2), 24, kTopButtonWidth, 28);
        p.buttons[i] = button;
    }
    p.topBar->installEventFilter(this);
    column->addWidget(p.topBar);

    // Canvas area.
    p.scrollArea = new QScrollArea(central);
    p.scrollArea->setObjectName(QStringLiteral("SB"));
    p.scrollArea->setFrameShape(QFrame::NoFrame);
    p.scrollArea->setWidgetResizable(false);
    p.scrollArea->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    QPalette white = p.scrollArea->palette();
    white.setColor(QPalette::Window, Qt::white);
    p.scrollArea->viewport()->setPalette(white);
    p.scrollArea->viewport()->setBackgroundRole(QPalette::Window);
    p.scrollArea->viewport()->setAutoFillBackground(true);
    p.canvas = new CanvasView(p.workbench, *p.scrollArea,
                              [this](const std::function<void()>& command) { run(command); });
    p.scrollArea->setWidget(p.canvas);
    p.scrollArea->viewport()->installEventFilter(this);
    column->addWidget(p.scrollArea, 1);

    // The pages.
    p.pages = new QTabWidget(central);
    p.pages->setObjectName(QStringLiteral("IPage"));
    p.pages->setFixedHeight(kPagesHeight);
    column->addWidget(p.pages);

    auto* functions = new QWidget;
    functions->setObjectName(QStringLiteral("TabSheet1"));
    auto* functionGrid = new QGridLayout(functions);
    functionGrid->setContentsMargins(8, 6, 8, 6);
    functionGrid->setSpacing(2);
    constexpr int kColumns = 4;
    for (std::size_t i = 3; i + 1 < kButtonControls.size(); ++i) {
        QToolButton* button = flatButton(kButtonControls[i], functions);
        button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
        const int place = int(i) - 3;
        functionGrid->addWidget(button, place / kColumns, place % kColumns);
        p.buttons[i] = button;
    }
    p.pages->addTab(functions, QStringLiteral("Funkce"));

    auto* information = new QWidget;
    information->setObjectName(QStringLiteral("TabSheet2"));
    auto* informationColumn = new QVBoxLayout(information);
    informationColumn->setContentsMargins(4, 4, 4, 4);
    informationColumn->setSpacing(3);
    auto* header = new QLabel(QStringLiteral(" Informace"), information);
    header->setObjectName(QStringLiteral("Panel3"));
    header->setFont(bold);
    header->setAutoFillBackground(true);
    QPalette grey = header->palette();
    grey.setColor(QPalette::Window, QColor(128, 128, 128));
    grey.setColor(QPalette::WindowText, Qt::white);
    header->setPalette(grey);
    header->setFixedHeight(20);
    informationColumn->addWidget(header);
    p.description = new QLineEdit(information);
    p.description->setObjectName(QStringLiteral("EPopis"));
    informationColumn->addWidget(p.description);
    p.memo = new QPlainTextEdit(information);
    p.memo->setObjectName(QStringLiteral("Mem"));
    informationColumn->addWidget(p.memo, 1);
    p.pages->addTab(information, QStringLiteral("Informace"));

    auto* settingsPage = new QWidget;
    settingsPage->setObjectName(QStringLiteral("TabSheet3"));
    auto* settingsRow = new QHBoxLayout(settingsPage);
    settingsRow->setContentsMargins(6, 4, 6, 4);
    auto* display = new QGroupBox(QString::fromUtf8("Způsob zobrazení"), settingsPage);
    display->setObjectName(QStringLiteral("GroupBox1"));
    auto* displayGrid = new QGridLayout(display);
    displayGrid->setVerticalSpacing(2);
    auto* wiringGroup = new QButtonGroup(display);
    const std::array<std::pair<const char*, const char*>, 3> radios{
        {{"RB1", "Přímé"}, {"RB3", "Přímé 2"}, {"RB2", "Přímé + opt"}}};
    const std::array<WiringMode, 3> modes{WiringMode::Direct, WiringMode::Direct2, WiringMode::DirectOpt};
    for (std::size_t i = 0; i < radios.size(); ++i) {
        auto* radio = new QRadioButton(QString::fromUtf8(radios[i].second), display);
        radio->setObjectName(QString::fromLatin1(radios[i].first));
        wiringGroup->addButton(radio);
        displayGrid->addWidget(radio, int(i), 0);
        p.wiring[i] = radio;
        const WiringMode mode = modes[i];
        connect(radio, &QRadioButton::toggled, this, [this, mode](bool on) {
            if (on && !parts_->refreshing) run([this, mode] { parts_->workbench.setWiring(mode); });
        });
    }
    for (std::size_t place = 0; place < kCheckBoxOrder.size(); ++place) {
        for (const settings::DisplayKey& key : settings::kDisplayKeys) {
            if (std::string_view(key.control) != kCheckBoxOrder[place]) continue;
            auto* box = new QCheckBox(QString::fromUtf8(key.caption), display);
            box->setObjectName(QString::fromLatin1(key.control));
            if (key.option == settings::DisplayOption::HiddenWires) {
                box->setToolTip(QString::fromUtf8("Zobrazovat spoje u skrytých bloků"));
            }
            displayGrid->addWidget(box, int(place % 4), 1 + int(place / 4));
            p.options[static_cast<std::size_t>(key.option)] = box;
            const settings::DisplayOption option = key.option;
            connect(box, &QCheckBox::toggled, this, [this, option](bool on) {
                if (!parts_->refreshing) run([this, option, on] { parts_->workbench.setOption(option, on); });
            });
        }
    }
    displayGrid->setRowStretch(4, 1);
    settingsRow->addWidget(display);

    auto* spacingBox = new QGroupBox(QString::fromUtf8("Rozteče (pixely)"), settingsPage);
    spacingBox->setObjectName(QStringLiteral("GroupBox2"));
    auto* spacingGrid = new QGridLayout(spacingBox);
    spacingGrid->setVerticalSpacing(2);
    for (std::size_t place = 0; place < kSpacingOrder.size(); ++place) {
        for (const settings::SpacingKey& key : settings::kSpacingKeys) {
            if (std::string_view(key.control) != kSpacingOrder[place]) continue;
            auto* field = new QLineEdit(spacingBox);
            field->setObjectName(QString::fromLatin1(key.control));
            field->setFixedWidth(56);
            auto* label = new QLabel(QString::fromUtf8(key.label), spacingBox);
            label->setBuddy(field);
            const int row = int(place / 2);
            const int pair = int(place % 2) * 2;
            spacingGrid->addWidget(label, row, pair);
            spacingGrid->addWidget(field, row, pair + 1);
            field->installEventFilter(this);
            p.spacings[static_cast<std::size_t>(key.spacing)] = field;
            const settings::Spacing spacing = key.spacing;
            connect(field, &QLineEdit::textChanged, this, [this, spacing](const QString& value) {
                if (parts_->refreshing) return;
                parts_->shownSpacings[static_cast<std::size_t>(spacing)] = bytes(value);
                run([this, spacing, value] { parts_->workbench.setSpacingText(spacing, bytes(value)); });
            });
        }
    }
    spacingGrid->setColumnMinimumWidth(2, 90);
    settingsRow->addWidget(spacingBox);
    settingsRow->addStretch(1);
    auto* saveColumn = new QVBoxLayout;
    saveColumn->addStretch(1);
    QToolButton* saveSettings = flatButton(kButtonControls[kButtonCount - 1], settingsPage);
    saveSettings->setMinimumSize(kTopButtonWidth, 28);
    p.buttons[kButtonCount - 1] = saveSettings;
    saveColumn->addWidget(saveSettings, 0, Qt::AlignRight);
    settingsRow->addLayout(saveColumn);
    p.pages->addTab(settingsPage, QString::fromUtf8("Nastavení"));

    // Status bar with its one text.
    auto* statusBar = new QStatusBar(this);
    statusBar->setObjectName(QStringLiteral("StatBar"));
    statusBar->setSizeGripEnabled(false);
    p.status = new QLabel(statusBar);
    p.status->setObjectName(QStringLiteral("StatBarText"));
    statusBar->addWidget(p.status, 1);
    setStatusBar(statusBar);

    // The popup menu of the canvas.
    p.popup = new QMenu(this);
    p.popup->setObjectName(QStringLiteral("PM"));
    QAction* toggle = p.popup->addAction(QString::fromUtf8("Skrýt/Zobrazit blok"));
    toggle->setObjectName(QStringLiteral("Skrtblok1"));
    p.popup->addSeparator()->setObjectName(QStringLiteral("N1"));
    QAction* swap = p.popup->addAction(QString::fromUtf8("Prohodit vstupy 0 a 1"));
    swap->setObjectName(QStringLiteral("Prohoditvstupy1"));
    p.changeValue = p.popup->addAction(QString::fromUtf8("Změnit hodnotu"));
    p.changeValue->setObjectName(QStringLiteral("Zmnithodnotu1"));
    connect(toggle, &QAction::triggered, this,
            [this] { run([this] { parts_->workbench.toggleVisibilityClicked(); }); });
    connect(swap, &QAction::triggered, this,
            [this] { run([this] { parts_->workbench.swapInputsClicked(); }); });
    connect(p.changeValue, &QAction::triggered, this,
            [this] { run([this] { parts_->workbench.openValueEditor(); }); });
    connect(p.canvas, &CanvasView::popupRequested, this, [this](const QPoint& at, bool changeValueEnabled) {
        parts_->changeValue->setEnabled(changeValueEnabled);
        parts_->popup->popup(at);
    });

    // Every button runs its command.
    for (std::size_t i = 0; i < kButtonControls.size(); ++i) {
        const auto action = kButtonControls[i].action;
        connect(p.buttons[i], &QToolButton::clicked, this,
                [this, action] { run([this, action] { (parts_->workbench.*action)(); }); });
    }

    connect(p.chromosomeLine, &QLineEdit::textChanged, this, [this](const QString& value) {
        if (parts_->refreshing) return;
        parts_->shownLine = bytes(value);
        run([this] { parts_->workbench.setChromosomeLine(parts_->shownLine); });
    });
    connect(p.description, &QLineEdit::textChanged, this, [this](const QString& value) {
        if (parts_->refreshing) return;
        parts_->shownDescription = bytes(value);
        run([this] { parts_->workbench.setDescription(parts_->shownDescription); });
    });

    // The dialogs live as long as the window.
    p.functionDialog = new FunctionDialog(p.workbench, this);
    p.resultLog = new ResultLog(this);
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

// Building the controls of the main window, page by page, and connecting them to the workbench.
#include "gui/canvas_view.h"
#include "gui/chromosome_line_edit.h"
#include "gui/circuit_error_dialog.h"
#include "gui/function_dialog.h"
#include "gui/main_window_parts.h"
#include "gui/quality_dialog.h"
#include "gui/result_log.h"

#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QScrollArea>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace pellisor {

// The buttons in the order they stand: top bar, page "Funkce", page "Nastavení".
const std::array<ButtonControl, kButtonCount> kButtonControls{{
    {Button::SBdt, "&Načíst", "Načíst chromozom ze souboru", &Workbench::openClicked},
    {Button::SBok, "&Vykreslit", "Vykreslit chromozom", &Workbench::drawClicked},
    {Button::SBuloz, "&Uložit", "", &Workbench::saveChromosomeClicked},
    {Button::SBsnb, "Skrýt nefunkční bloky", "", &Workbench::hideNonFunctionalClicked},
    {Button::SBur, "Uložit rozmístění", "", &Workbench::saveLayoutClicked},
    {Button::SBnr, "Načíst rozmístění", "", &Workbench::loadLayoutClicked},
    {Button::SpeedButton3, "Rozmístit automaticky", "Automatické rozmístění podle vzdálenosti od vstupu",
     &Workbench::autoPlaceClicked},
    {Button::SpeedButton1, "Uložit schema", "", &Workbench::savePictureClicked},
    {Button::SpeedButton2, "O programu", "", &Workbench::aboutClicked},
    {Button::SBautv, "Automatická velikost", "Změna rozměru plátna na minimální nutnou",
     &Workbench::fitCanvas},
    {Button::SBnextcomb, "Další kombinace", "Změna rozměru plátna na minimální nutnou",
     &Workbench::nextCombinationClicked},
    {Button::SBev, "Přepočítat ohodnocení", "Přepočítá ohodnocení hradel", &Workbench::recalculate},
    {Button::SpeedButton4, "Detekce zbytečných hradel",
     "Detekce zbytečných hradel s přiřazenou funkcí in1 nebo in2", &Workbench::detectRedundantClicked},
    {Button::SBoptimize, "Eliminace zbytečných hradel",
     "Detekce zbytečných hradel s přiřazenou funkcí in1 nebo in2", &Workbench::eliminateRedundantClicked},
    {Button::SBevf, "Přiřazení funkcí", "Změna funkcí + statistika použitých",
     &Workbench::functionAssignmentClicked},
    {Button::SBVHDL, "Vygenerovat VHDL", "Změna funkcí + statistika použitých",
     &Workbench::generateVhdlClicked},
    {Button::SBDot, "Vygenerovat DOT", "Změna funkcí + statistika použitých", &Workbench::generateDotClicked},
    {Button::SBbatch, "Provést testovací skript", "Provede testovací skript csb",
     &Workbench::runScriptClicked},
    {Button::SBfiltr, "Vyfiltrovat obraz 3x3", "Provede testovací skript csb",
     &Workbench::filterImageClicked},
    {Button::SBzobv, "Chromozom z obvodu", "Přepíše řádek chromozomu podle obvodu v paměti",
     &Workbench::chromosomeFromCircuitClicked},
    {Button::SBkvalita, "Kvalita filtru", "Změří filtr na zašuměném obraze: MDPP, PSNR, SSIM",
     &Workbench::filterQualityClicked},
    {Button::SBchyba, "Chyba obvodu", "Chyba přibližného obvodu proti přesné operaci: MAE, WCE, EP, MRE",
     &Workbench::circuitErrorClicked},
    {Button::SBhw, "Vygenerovat HW", "Verilog, procesní element vrc_alu a testbenche VHDL a Verilog",
     &Workbench::generateHardwareClicked},
    {Button::SBulset, "&Uložit", "Uložit nastavení jako výchozí", &Workbench::saveSettingsClicked},
}};

namespace {

// The check boxes of "Způsob zobrazení" as they stand, by control name.
constexpr std::array<const char*, settings::kDisplayOptionCount> kCheckBoxOrder{
    "cbzs", "cbzsl", "cbho", "cbcblk", "cbZnacky", "cbzpa", "cbUseLabel"};

// The spacing fields of "Rozteče (pixely)", two to a row.
constexpr std::array<const char*, settings::kSpacingCount> kSpacingOrder{
    "EIspc", "EOspc", "EBXspc", "EBYspc", "ElOfsX", "ElOfsY", "EOOfsX", "EOOfsY", "EIOfsX", "EIOfsY"};

constexpr int kTopBarHeight = 58;
constexpr int kPagesHeight = 219;
constexpr int kPagesMinimumHeight = 110;  // the tabs and two rows of the page "Funkce"
constexpr int kTopButtonWidth = 80;

QToolButton* flatButton(const ButtonControl& control, QWidget* parent) {
    auto* button = new QToolButton(parent);
    button->setObjectName(QString::fromLatin1(buttonName(control.button)));
    button->setText(QString::fromUtf8(control.caption));
    if (*control.hint) button->setToolTip(QString::fromUtf8(control.hint));
    button->setAutoRaise(true);
    button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    return button;
}

}  // namespace

void MainWindow::buildControls() {
    Parts& p = *parts_;
    auto* central = new QWidget(this);
    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    setCentralWidget(central);

    // The user may give the canvas more room: the splitter has the top bar and the canvas above the
    // pages, which start at their height and keep their buttons in sight.
    p.splitter = new QSplitter(Qt::Vertical, central);
    p.splitter->setObjectName(QStringLiteral("CanvasPagesSplitter"));
    p.splitter->setChildrenCollapsible(false);
    // A handle of no height keeps the window's sizes; Qt widens its grip over the two neighbours.
    p.splitter->setHandleWidth(0);
    column->addWidget(p.splitter);
    auto* upper = new QWidget(p.splitter);
    auto* upperColumn = new QVBoxLayout(upper);
    upperColumn->setContentsMargins(0, 0, 0, 0);
    upperColumn->setSpacing(0);
    buildTopBar(upper, *upperColumn);
    buildCanvasArea(upper, *upperColumn);
    // The pages.
    p.pages = new QTabWidget(p.splitter);
    p.pages->setObjectName(QStringLiteral("IPage"));
    p.pages->setMinimumHeight(kPagesMinimumHeight);
    p.splitter->addWidget(upper);
    p.splitter->addWidget(p.pages);
    p.splitter->setStretchFactor(0, 1);
    p.splitter->setStretchFactor(1, 0);
    p.splitter->setSizes({kPagesHeight, kPagesHeight});  // the canvas's part takes the rest
    buildFunctionPage();
    buildInformationPage();
    buildSettingsPage();
    buildStatusBar();
    buildPopup();
    buildWindowMenus(*menuBar(), p.actions, [this](Button button) {
        const auto action = kButtonControls[static_cast<std::size_t>(button)].action;
        run([this, action] { (parts_->workbench.*action)(); });
    });
    connectCommands();
    buildViewControls();
    // The dialogs live as long as the window.
    p.functionDialog = new FunctionDialog(p.workbench, this);
    p.resultLog = new ResultLog(this);
    p.qualityDialog = new QualityDialog(p.workbench, this);
    p.circuitErrorDialog = new CircuitErrorDialog(p.workbench, this);
    // A press on a block shows its picture in the quality dialog once the press has done its own work.
    connect(p.canvas, &CanvasView::blockPressed, p.qualityDialog, &QualityDialog::showBlock,
            Qt::QueuedConnection);
}

void MainWindow::buildTopBar(QWidget* central, QVBoxLayout& column) {
    Parts& p = *parts_;
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
    auto* line = new ChromosomeLineEdit(p.topBar);
    connect(line, &ChromosomeLineEdit::filesDropped, this, &MainWindow::openDroppedFiles);
    p.chromosomeLine = line;
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
    column.addWidget(p.topBar);
}

void MainWindow::buildCanvasArea(QWidget* central, QVBoxLayout& column) {
    Parts& p = *parts_;
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
    column.addWidget(p.scrollArea, 1);
}

void MainWindow::buildFunctionPage() {
    Parts& p = *parts_;
    auto* functions = new QWidget;
    functions->setObjectName(QStringLiteral("TabSheet1"));
    auto* functionGrid = new QGridLayout(functions);
    functionGrid->setContentsMargins(8, 6, 8, 6);
    functionGrid->setSpacing(2);
    constexpr int kColumns = 4;
    for (std::size_t i = 3; i + 1 < kButtonControls.size(); ++i) {
        const int place = int(i) - 3;
        QToolButton* button = flatButton(kButtonControls[i], functions);
        button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
        functionGrid->addWidget(button, place / kColumns, place % kColumns);
        p.buttons[i] = button;
    }
    p.pages->addTab(functions, QStringLiteral("Funkce"));
}

void MainWindow::buildInformationPage() {
    Parts& p = *parts_;
    auto* information = new QWidget;
    information->setObjectName(QStringLiteral("TabSheet2"));
    auto* informationColumn = new QVBoxLayout(information);
    informationColumn->setContentsMargins(4, 4, 4, 4);
    informationColumn->setSpacing(3);
    auto* header = new QLabel(QStringLiteral(" Informace"), information);
    header->setObjectName(QStringLiteral("Panel3"));
    QFont bold = header->font();
    bold.setBold(true);
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
}

void MainWindow::buildSettingsPage() {
    Parts& p = *parts_;
    auto* settingsPage = new QWidget;
    settingsPage->setObjectName(QStringLiteral("TabSheet3"));
    auto* settingsRow = new QHBoxLayout(settingsPage);
    settingsRow->setContentsMargins(6, 4, 6, 4);
    settingsRow->addWidget(buildDisplayGroup(settingsPage));
    settingsRow->addWidget(buildSpacingGroup(settingsPage));
    settingsRow->addStretch(1);
    auto* saveColumn = new QVBoxLayout;
    saveColumn->addStretch(1);
    QToolButton* saveSettings = flatButton(kButtonControls[kButtonCount - 1], settingsPage);
    saveSettings->setMinimumSize(kTopButtonWidth, 28);
    p.buttons[kButtonCount - 1] = saveSettings;
    saveColumn->addWidget(saveSettings, 0, Qt::AlignRight);
    settingsRow->addLayout(saveColumn);
    p.pages->addTab(settingsPage, QString::fromUtf8("Nastavení"));
}

QWidget* MainWindow::buildDisplayGroup(QWidget* page) {
    Parts& p = *parts_;
    auto* display = new QGroupBox(QString::fromUtf8("Způsob zobrazení"), page);
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
    return display;
}

QWidget* MainWindow::buildSpacingGroup(QWidget* page) {
    Parts& p = *parts_;
    auto* spacingBox = new QGroupBox(QString::fromUtf8("Rozteče (pixely)"), page);
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
    return spacingBox;
}

void MainWindow::buildStatusBar() {
    Parts& p = *parts_;
    // Status bar with its one text.
    auto* statusBar = new QStatusBar(this);
    statusBar->setObjectName(QStringLiteral("StatBar"));
    statusBar->setSizeGripEnabled(false);
    p.status = new QLabel(statusBar);
    p.status->setObjectName(QStringLiteral("StatBarText"));
    statusBar->addWidget(p.status, 1);
    setStatusBar(statusBar);
}

void MainWindow::buildPopup() {
    Parts& p = *parts_;
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
}

void MainWindow::connectCommands() {
    Parts& p = *parts_;
    connect(p.actions.quit, &QAction::triggered, this, &QWidget::close);
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
}

}  // namespace pellisor

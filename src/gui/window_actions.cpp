#include "gui/window_actions.h"

#include "gui/main_window_parts.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>

namespace pellisor {

namespace {

// The page "Funkce" holds the buttons from the fourth to the one before the last.
constexpr std::size_t kFirstFunctionButton = 3;
constexpr std::size_t kLastFunctionButton = kButtonCount - 2;

QAction* addEntry(QMenu& menu, const char* objectName, const char* caption,
                  const QList<QKeySequence>& shortcuts = {}) {
    QAction* action = menu.addAction(QString::fromUtf8(caption));
    action->setObjectName(QString::fromLatin1(objectName));
    action->setShortcuts(shortcuts);
    return action;
}

// A button's caption without its mnemonic, which the menus give themselves.
QString menuCaption(const char* caption) {
    return QString::fromUtf8(caption).remove(QLatin1Char('&'));
}

QAction* addButtonEntry(QMenu& menu, Button button, const QList<QKeySequence>& shortcuts,
                        const std::function<void(Button)>& runButton) {
    const ButtonControl& control = kButtonControls[static_cast<std::size_t>(button)];
    QAction* action = menu.addAction(menuCaption(control.caption));
    action->setObjectName(QStringLiteral("act") + QString::fromLatin1(buttonName(button)));
    action->setShortcuts(shortcuts);
    if (*control.hint) action->setStatusTip(QString::fromUtf8(control.hint));
    QObject::connect(action, &QAction::triggered, &menu, [runButton, button] { runButton(button); });
    return action;
}

}  // namespace

void buildWindowMenus(QMenuBar& bar, WindowActions& actions, const std::function<void(Button)>& runButton) {
    bar.setObjectName(QStringLiteral("MainMenu"));

    QMenu* file = bar.addMenu(QStringLiteral("&Soubor"));
    file->setObjectName(QStringLiteral("menuSoubor"));
    actions.fileMenu = file;
    actions.open = addButtonEntry(*file, Button::SBdt, {QKeySequence::Open}, runButton);
    actions.save = addButtonEntry(*file, Button::SBuloz, {QKeySequence::Save}, runButton);
    actions.saveAs =
        addEntry(*file, "actUlozitJako", "Uložit jako…", {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S)});
    actions.recentSeparator = file->addSeparator();
    for (std::size_t i = 0; i < actions.recent.size(); ++i) {
        actions.recent[i] = file->addAction(QString());
        actions.recent[i]->setObjectName(QStringLiteral("actPosledni%1").arg(i + 1));
        actions.recent[i]->setVisible(false);
    }
    actions.recentSeparator->setVisible(false);
    file->addSeparator();
    actions.quit = addEntry(*file, "actKonec", "Konec", {QKeySequence(Qt::CTRL | Qt::Key_Q)});

    QMenu* edit = bar.addMenu(QString::fromUtf8("Ú&pravy"));
    edit->setObjectName(QStringLiteral("menuUpravy"));
    actions.undo = addEntry(*edit, "actZpet", "Zpět", {QKeySequence(Qt::CTRL | Qt::Key_Z)});
    actions.redo = addEntry(*edit, "actZnovu", "Znovu", {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
    actions.undo->setEnabled(false);
    actions.redo->setEnabled(false);

    QMenu* view = bar.addMenu(QString::fromUtf8("&Zobrazení"));
    view->setObjectName(QStringLiteral("menuZobrazeni"));
    actions.zoomIn =
        addEntry(*view, "actZvetsit", "Zvětšit",
                 {QKeySequence(Qt::CTRL | Qt::Key_Plus), QKeySequence(Qt::CTRL | Qt::Key_Equal)});
    actions.zoomOut = addEntry(*view, "actZmensit", "Zmenšit", {QKeySequence(Qt::CTRL | Qt::Key_Minus)});
    actions.zoomReset = addEntry(*view, "actSkutecnaVelikost", "Skutečná velikost (100 %)",
                                 {QKeySequence(Qt::CTRL | Qt::Key_0)});
    actions.fit = addEntry(*view, "actPrizpusobit", "Přizpůsobit");
    view->addSeparator();
    actions.find = addEntry(*view, "actNajit", "Najít…", {QKeySequence::Find});

    QMenu* tools = bar.addMenu(QString::fromUtf8("&Nástroje"));
    tools->setObjectName(QStringLiteral("menuNastroje"));
    for (std::size_t i = kFirstFunctionButton; i <= kLastFunctionButton; ++i) {
        const Button button = kButtonControls[i].button;
        if (button == Button::SpeedButton2) continue;  // under "Nápověda"
        actions.tools[i] = addButtonEntry(*tools, button, {}, runButton);
    }

    QMenu* help = bar.addMenu(QString::fromUtf8("Nápo&věda"));
    help->setObjectName(QStringLiteral("menuNapoveda"));
    actions.about = addButtonEntry(*help, Button::SpeedButton2, {}, runButton);
}

void followButtons(WindowActions& actions, const Workbench& workbench) {
    if (actions.open) actions.open->setEnabled(workbench.enabled(Button::SBdt));
    if (actions.save) actions.save->setEnabled(workbench.enabled(Button::SBuloz));
    if (actions.about) actions.about->setEnabled(workbench.enabled(Button::SpeedButton2));
    for (std::size_t i = 0; i < actions.tools.size(); ++i) {
        if (actions.tools[i]) actions.tools[i]->setEnabled(workbench.enabled(kButtonControls[i].button));
    }
}

}  // namespace pellisor

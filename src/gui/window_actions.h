// The menu bar of the main window and the actions behind its entries and shortcuts.
#pragma once

#include "app/workbench.h"

#include <array>
#include <cstddef>
#include <functional>

class QAction;
class QMenu;
class QMenuBar;
class QWidget;

namespace pellisor {

// The entries of the menu bar. Entries that stand for a button run the button's handler and follow its
// enabled state; the others are connected by the part of the window that does what they say.
struct WindowActions {
    static constexpr std::size_t kRecentCount = 8;

    // Soubor
    QAction* open = nullptr;                      // "Načíst", Ctrl+O: the handler of "&Načíst"
    QAction* save = nullptr;                      // "Uložit", Ctrl+S: the handler of "&Uložit"
    QAction* saveAs = nullptr;                    // "Uložit jako…", Ctrl+Shift+S
    std::array<QAction*, kRecentCount> recent{};  // the last files, hidden while empty
    QMenu* fileMenu = nullptr;
    QAction* recentSeparator = nullptr;
    QAction* quit = nullptr;  // "Konec", Ctrl+Q: closes the window
    // Úpravy
    QAction* undo = nullptr;  // "Zpět", Ctrl+Z
    QAction* redo = nullptr;  // "Znovu", Ctrl+Shift+Z
    // Zobrazení
    QAction* zoomIn = nullptr;     // "Zvětšit", Ctrl++
    QAction* zoomOut = nullptr;    // "Zmenšit", Ctrl+-
    QAction* zoomReset = nullptr;  // "Skutečná velikost", Ctrl+0
    QAction* fit = nullptr;        // "Přizpůsobit"
    QAction* find = nullptr;       // "Najít…", Ctrl+F
    // Nástroje: one entry per button of the page "Funkce" except "O programu", indexed like the buttons
    std::array<QAction*, kButtonCount> tools{};
    // Nápověda
    QAction* about = nullptr;  // "O programu": the handler of the button
};

// Builds the menu bar into `bar` with every entry of `actions`; entries that stand for a button are
// given its handler through `runButton`.
void buildWindowMenus(QMenuBar& bar, WindowActions& actions, const std::function<void(Button)>& runButton);

// The enabled state of the entries that stand for a button, as the buttons have it.
void followButtons(WindowActions& actions, const Workbench& workbench);

}  // namespace pellisor

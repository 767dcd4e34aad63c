#include "gui/button_controls.h"

#include <QString>
#include <QToolButton>

namespace pellisor {

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
    {Button::SBulset, "&Uložit", "Uložit nastavení jako výchozí", &Workbench::saveSettingsClicked},
}};

QToolButton* flatButton(const ButtonControl& control, QWidget* parent) {
    auto* button = new QToolButton(parent);
    button->setObjectName(QString::fromLatin1(buttonName(control.button)));
    button->setText(QString::fromUtf8(control.caption));
    if (*control.hint) button->setToolTip(QString::fromUtf8(control.hint));
    button->setAutoRaise(true);
    button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    return button;
}

}  // namespace pellisor

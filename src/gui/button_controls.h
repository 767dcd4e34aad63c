#pragma once

#include "app/workbench.h"

#include <array>

class QToolButton;
class QWidget;

namespace pellisor {

// One button of the main window: its control, caption, hint and what it does.
struct ButtonControl {
    Button button;
    const char* caption;
    const char* hint;  // empty: none
    void (Workbench::*action)();
};

// The buttons in the order they stand: top bar, page "Funkce", page "Nastavení".
extern const std::array<ButtonControl, kButtonCount> kButtonControls;

// A flat button with the control's name, caption and hint.
QToolButton* flatButton(const ButtonControl& control, QWidget* parent);

}  // namespace pellisor

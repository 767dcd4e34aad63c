#pragma once

#include "model/settings_keys.h"

namespace pellisor {

// How connections are drawn: "Přímé" (RB1), "Přímé 2" (RB3), "Přímé + opt" (RB2).
enum class WiringMode { Direct, Direct2, DirectOpt };

// The display options of the settings page. The defaults are the window's state before set.ini is read.
struct DisplayOptions {
    bool blockNumbers = false;
    bool hiddenBlocks = true;
    bool hiddenWires = true;
    bool values = false;
    bool footer = false;
    bool symbols = false;
    bool functionLabels = false;
    WiringMode wiring = WiringMode::Direct;

    bool& operator[](settings::DisplayOption option) {
        switch (option) {
            case settings::DisplayOption::BlockNumbers:
                return blockNumbers;
            case settings::DisplayOption::HiddenBlocks:
                return hiddenBlocks;
            case settings::DisplayOption::HiddenWires:
                return hiddenWires;
            case settings::DisplayOption::Values:
                return values;
            case settings::DisplayOption::Footer:
                return footer;
            case settings::DisplayOption::Symbols:
                return symbols;
            case settings::DisplayOption::FunctionLabels:
                break;
        }
        return functionLabels;
    }
    bool operator[](settings::DisplayOption option) const {
        return (*const_cast<DisplayOptions*>(this))[option];
    }
    friend bool operator==(const DisplayOptions&, const DisplayOptions&) = default;
};

}  // namespace pellisor

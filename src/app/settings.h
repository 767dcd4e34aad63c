#pragma once

#include "eval/function_assignment.h"
#include "model/function_styles.h"
#include "model/settings_file.h"
#include "render/display_options.h"
#include "render/geometry.h"

#include <string>

namespace pellisor {

// The directory of the running executable, with a trailing '/'.
std::string executableDirectory();
// set.ini beside the executable, never in the working directory.
std::string settingsPath();

// The spacing fields as the window shows them at creation: each integer of "Roztece" in decimal.
SpacingTexts readSpacingTexts(const SettingsFile& file);
// The seven check boxes from "Zobrazeni"; the wiring mode is kept from `current`.
DisplayOptions readDisplayOptions(const SettingsFile& file, DisplayOptions current = {});

// The labels of the "DOT" section for every function a gene can name, read afresh from the file: what
// a drawing or the picture writer shows in the blocks.
FunctionStyles readFunctionLabels(const SettingsFile& file, const FunctionAssignment& assignment);
// The labels and the node colours, for the graph writer.
FunctionStyles readFunctionStyles(const SettingsFile& file, const FunctionAssignment& assignment);

// The settings page's save: the ten spacings (converted in order; the first field that is not an
// integer stops the save with the conversion error, the keys before it written), then the seven check
// boxes in their save order. Other sections and keys of the file stay as they are.
void saveSettings(SettingsFile& file, const SpacingTexts& spacings, const DisplayOptions& options);

}  // namespace pellisor
